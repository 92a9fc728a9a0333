// Registry files: reading, writing, and the control's registration.
#include "control/com/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/com/type_library.h"
#include "platform/output_file.h"

namespace lf::com {
namespace {

constexpr const char* kRoot = "HKEY_CLASSES_ROOT\\";
// The standard marshalers named by the interface keys.
constexpr const char* kDualMarshaler = "{00020424-0000-0000-C000-000000000046}";
constexpr const char* kDispatchMarshaler = "{00020420-0000-0000-C000-000000000046}";

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

[[noreturn]] void Fail(size_t line, const std::string& cause) {
  throw ERegistryError("registry file line " + std::to_string(line) + ": " + cause);
}

// quoted := '"' { char | '\\' | '\"' } '"'; returns the position after it.
size_t ParseQuoted(std::string_view line, size_t pos, std::string& out, size_t lineNo) {
  if (pos >= line.size() || line[pos] != '"') Fail(lineNo, "expected '\"'");
  out.clear();
  for (size_t i = pos + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') return i + 1;
    if (c == '\\') {
      if (++i >= line.size()) break;
      c = line[i];
    }
    out += c;
  }
  Fail(lineNo, "unterminated text");
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Clsid() { return GuidText(CLSID_lumenfoldi); }

}  // namespace

RegistryFile RegistryFile::Parse(std::string_view text) {
  if (text.size() > kMaxRegistryFileBytes)
    throw ERegistryError("registry file is larger than " + std::to_string(kMaxRegistryFileBytes) + " bytes");
  RegistryFile file;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string_view> lines;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  size_t i = 0;
  while (i < lines.size() && lines[i].empty()) ++i;
  if (i == lines.size()) return file;
  if (lines[i] != kRegistryHeader) Fail(i + 1, std::string("expected \"") + kRegistryHeader + "\"");
  RegistryKey* key = nullptr;
  for (++i; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    const size_t lineNo = i + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3) Fail(lineNo, "a section ends with ']'");
      key = &file.Add(line.substr(1, line.size() - 2));
      continue;
    }
    if (!key) Fail(lineNo, "a value before the first section");
    RegistryValue value;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else {
      pos = ParseQuoted(line, 0, value.name, lineNo);
      if (value.name.empty()) Fail(lineNo, "an empty value name");
    }
    if (pos >= line.size() || line[pos] != '=') Fail(lineNo, "expected '='");
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
      pos = ParseQuoted(line, pos, value.data, lineNo);
      if (pos != line.size()) Fail(lineNo, "text after the value");
    } else {
      // Another type: the line and its continuations, as they stand.
      value.raw = std::string(line);
      while (!line.empty() && line.back() == '\\' && i + 1 < lines.size()) {
        line = lines[++i];
        value.raw += "\n" + std::string(line);
      }
    }
    std::erase_if(key->values, [&](const RegistryValue& v) { return SameAscii(v.name, value.name); });
    key->values.push_back(std::move(value));
  }
  return file;
}

std::string RegistryFile::Text() const {
  std::string out = std::string(kRegistryHeader) + "\n";
  for (const RegistryKey& key : keys_) {
    out += "\n[" + key.path + "]\n";
    for (const RegistryValue& v : key.values) {
      if (!v.raw.empty()) out += v.raw + "\n";
      else out += (v.name.empty() ? std::string("@") : Quote(v.name)) + "=" + Quote(v.data) + "\n";
    }
  }
  return out;
}

const RegistryKey* RegistryFile::Find(std::string_view path) const {
  for (const RegistryKey& key : keys_)
    if (SameAscii(key.path, path)) return &key;
  return nullptr;
}

RegistryKey& RegistryFile::Add(std::string_view path) {
  for (RegistryKey& key : keys_)
    if (SameAscii(key.path, path)) return key;
  keys_.push_back(RegistryKey{std::string(path), {}});
  return keys_.back();
}

bool RegistryFile::Remove(std::string_view path) {
  return std::erase_if(keys_, [&](const RegistryKey& k) { return SameAscii(k.path, path); }) > 0;
}

std::optional<std::string> RegistryFile::Value(std::string_view path, std::string_view name) const {
  const RegistryKey* key = Find(path);
  if (!key) return std::nullopt;
  for (const RegistryValue& v : key->values)
    if (v.raw.empty() && SameAscii(v.name, name)) return v.data;
  return std::nullopt;
}

void RegistryFile::SetValue(std::string_view path, std::string_view name, std::string_view data) {
  RegistryKey& key = Add(path);
  for (RegistryValue& v : key.values)
    if (SameAscii(v.name, name)) {
      v.data = std::string(data);
      v.raw.clear();
      return;
    }
  key.values.push_back(RegistryValue{std::string(name), std::string(data), {}});
}

std::string DefaultRegistryPath() {
  if (const char* path = std::getenv("LUMENFOLDI_REGISTRY"); path && *path) return path;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::string(config) + "/lumenfoldi/registry.reg";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/lumenfoldi/registry.reg";
}

RegistryFile ReadRegistry(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return RegistryFile();
    throw ERegistryError("cannot read '" + path + "': " + std::strerror(errno));
  }
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxRegistryFileBytes)
      throw ERegistryError("registry file is larger than " + std::to_string(kMaxRegistryFileBytes) + " bytes");
  }
  try {
    return RegistryFile::Parse(text);
  } catch (const ERegistryError& e) {
    throw ERegistryError(path + ": " + e.what());
  }
}

void UpdateRegistry(const std::string& path, const std::function<void(RegistryFile&)>& change) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const std::string lockPath = path + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) throw ERegistryError("cannot open '" + lockPath + "': " + std::strerror(errno));
  struct Unlock {
    int fd;
    ~Unlock() { ::close(fd); }  // closing releases the lock
  } unlock{lock};
  while (::flock(lock, LOCK_EX) != 0)
    if (errno != EINTR) throw ERegistryError("cannot lock '" + lockPath + "': " + std::strerror(errno));
  RegistryFile registry = ReadRegistry(path);
  change(registry);
  WriteFileAtomically(path, registry.Text());
}

std::vector<RegistryKey> ClassRegistration(const std::string& libraryPath) {
  const std::string root = kRoot;
  const std::string clsidKey = root + "CLSID\\" + Clsid();
  const std::string libid = GuidText(LIBID_lumenfoldiProj1);
  const std::string typeLib = root + "TypeLib\\" + libid + "\\1.0";
  const std::string folder = std::filesystem::path(libraryPath).parent_path().string();
  auto key = [](std::string path, std::vector<RegistryValue> values) { return RegistryKey{std::move(path), std::move(values)}; };
  auto def = [](std::string data) { return RegistryValue{"", std::move(data), {}}; };
  std::vector<RegistryKey> keys = {
      key(clsidKey, {def(kClassHelp)}),
      key(clsidKey + "\\InprocServer32", {def(libraryPath), RegistryValue{"ThreadingModel", "Apartment", {}}}),
      key(clsidKey + "\\ProgID", {def(kProgId)}),
      key(root + kProgId, {def(kClassHelp)}),
      key(root + kProgId + "\\Clsid", {def(Clsid())}),
      key(clsidKey + "\\TypeLib", {def(libid)}),
      key(clsidKey + "\\Version", {def("1.0")}),
      key(clsidKey + "\\MiscStatus", {def("0")}),
      key(clsidKey + "\\MiscStatus\\1", {def("205201")}),
      key(clsidKey + "\\ToolboxBitmap32", {def(libraryPath + ",1")}),
      key(clsidKey + "\\Control", {def("")}),
      key(clsidKey + "\\Verb", {def("")}),
      key(clsidKey + "\\Verb\\0", {def("Properties,0,2")}),
      key(root + "TypeLib\\" + libid, {}),
      key(typeLib, {def(kLibraryHelp)}),
      key(typeLib + "\\0", {}),
      key(typeLib + "\\0\\linux64", {def(libraryPath)}),
      key(typeLib + "\\FLAGS", {def("0")}),
      key(typeLib + "\\HELPDIR", {def(folder)}),
  };
  struct Iface {
    const GUID& iid;
    const char* name;
    const char* marshaler;
  };
  for (const Iface& i : {Iface{IID_Ilumenfoldi, "Ilumenfoldi", kDualMarshaler},
                         Iface{DIID_IlumenfoldiEvents, "IlumenfoldiEvents", kDispatchMarshaler}}) {
    const std::string path = root + "Interface\\" + GuidText(i.iid);
    keys.push_back(key(path, {def(i.name)}));
    keys.push_back(key(path + "\\ProxyStubClsid32", {def(i.marshaler)}));
    keys.push_back(key(path + "\\TypeLib", {def(libid), RegistryValue{"Version", "1.0", {}}}));
  }
  return keys;
}

void RegisterClass(const std::string& registryPath, const std::string& libraryPath) {
  UpdateRegistry(registryPath, [&](RegistryFile& registry) {
    for (const RegistryKey& key : ClassRegistration(libraryPath)) {
      registry.Remove(key.path);
      RegistryKey& added = registry.Add(key.path);
      added.values = key.values;
    }
  });
}

void UnregisterClass(const std::string& registryPath) {
  UpdateRegistry(registryPath, [&](RegistryFile& registry) {
    for (const RegistryKey& key : ClassRegistration("")) registry.Remove(key.path);
  });
}

std::optional<std::string> RegisteredLibrary(const RegistryFile& registry, std::string_view progId) {
  std::optional<std::string> clsid = registry.Value(std::string(kRoot) + std::string(progId) + "\\Clsid");
  if (!clsid) return std::nullopt;
  return registry.Value(std::string(kRoot) + "CLSID\\" + *clsid + "\\InprocServer32");
}

}  // namespace lf::com
