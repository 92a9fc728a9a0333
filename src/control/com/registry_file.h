// The registry of components: a file in the registry export text format,
// and the keys the control's registration writes into it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace lf::com {

class ERegistryError : public Exception {
 public:
  using Exception::Exception;
};

// A registry file larger than this is refused (bytes).
inline constexpr size_t kMaxRegistryFileBytes = 16 * 1024 * 1024;
inline constexpr const char* kRegistryHeader = "Windows Registry Editor Version 5.00";

struct RegistryValue {
  std::string name;  // empty: the key's default value (@)
  std::string data;  // a string value, UTF-8
  std::string raw;   // a value of another type, kept as its line(s) stand
};

struct RegistryKey {
  std::string path;  // "HKEY_CLASSES_ROOT\\CLSID\\{...}"
  std::vector<RegistryValue> values;
};

class RegistryFile {
 public:
  // Grammar: the header line, then sections "[PATH]" each followed by
  // value lines: @="TEXT", "NAME"="TEXT" (\\ and \" escaped), or
  // "NAME"=OTHER (kept as written, continued by a trailing backslash).
  // Blank lines and ";" comments are skipped. Raises ERegistryError
  // "registry file line N: CAUSE".
  static RegistryFile Parse(std::string_view text);
  std::string Text() const;

  // Paths are compared ignoring ASCII case.
  const RegistryKey* Find(std::string_view path) const;
  RegistryKey& Add(std::string_view path);
  bool Remove(std::string_view path);
  // A string value of a key (empty name: the default value).
  std::optional<std::string> Value(std::string_view path, std::string_view name = "") const;
  void SetValue(std::string_view path, std::string_view name, std::string_view data);

  const std::vector<RegistryKey>& Keys() const { return keys_; }

 private:
  std::vector<RegistryKey> keys_;
};

// $LUMENFOLDI_REGISTRY, else $XDG_CONFIG_HOME/lumenfoldi/registry.reg, else
// ~/.config/lumenfoldi/registry.reg.
std::string DefaultRegistryPath();
// Reads a registry file; a missing file is an empty registry.
RegistryFile ReadRegistry(const std::string& path);
// Changes a registry file under an exclusive lock (PATH.lock) and writes it
// back atomically; creates its folder when needed.
void UpdateRegistry(const std::string& path, const std::function<void(RegistryFile&)>& change);

// The keys and values that registering the library at libraryPath writes.
std::vector<RegistryKey> ClassRegistration(const std::string& libraryPath);
// Writes those keys (replacing earlier ones of the class); keeps every other key.
void RegisterClass(const std::string& registryPath, const std::string& libraryPath);
// Removes exactly the keys RegisterClass writes.
void UnregisterClass(const std::string& registryPath);
// The library registered for the program identifier, or nullopt.
std::optional<std::string> RegisteredLibrary(const RegistryFile& registry, std::string_view progId);

}  // namespace lf::com
