// Pinning the engine's font files through fontconfig.
#include "platform/font_files.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QGuiApplication>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

namespace lf {
namespace {

struct FaceFile {
  std::string file;
  int version = 0;  // 16.16 fixed point, from the font's head table
};

// Family, weight, slant, width: faces that stand for one another.
using StyleKey = std::tuple<std::string, int, int, int>;

int IntegerOf(FcPattern* p, const char* object) {
  int value = 0;
  FcPatternGetInteger(p, object, 0, &value);
  return value;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// The files to hide: in each family and style all but the newest (the
// first path among equal versions), unless a kept face lives in that file.
// keptFile receives one of the files kept.
std::vector<std::string> SupersededFiles(FcConfig* config, std::string& keptFile) {
  std::map<StyleKey, std::vector<FaceFile>> faces;
  for (const std::string& family : EngineFontFamilies()) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FONTVERSION, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!set) continue;
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      StyleKey key{family, IntegerOf(set->fonts[i], FC_WEIGHT), IntegerOf(set->fonts[i], FC_SLANT),
                   IntegerOf(set->fonts[i], FC_WIDTH)};
      faces[key].push_back({reinterpret_cast<const char*>(file), IntegerOf(set->fonts[i], FC_FONTVERSION)});
    }
    FcFontSetDestroy(set);
  }
  std::set<std::string> kept, others;
  for (auto& [key, files] : faces) {
    std::sort(files.begin(), files.end(), [](const FaceFile& a, const FaceFile& b) {
      return a.version != b.version ? a.version > b.version : a.file < b.file;
    });
    kept.insert(files.front().file);
    for (size_t i = 1; i < files.size(); ++i) others.insert(files[i].file);
  }
  if (!kept.empty()) keptFile = *kept.begin();
  std::vector<std::string> hidden;
  for (const std::string& file : others)
    // Glob patterns cannot name a path holding their wildcards.
    if (!kept.count(file) && file.find_first_of("*?") == std::string::npos) hidden.push_back(file);
  return hidden;
}

// Makes a fresh configuration that rejects the files and makes it current.
bool RejectFiles(const std::vector<std::string>& files) {
  std::string xml = "<?xml version=\"1.0\"?><fontconfig><selectfont><rejectfont>";
  for (const std::string& file : files) xml += "<glob>" + XmlEscaped(file) + "</glob>";
  xml += "</rejectfont></selectfont></fontconfig>";
  FcConfig* fresh = FcInitLoadConfig();
  if (!fresh) return false;
  bool done = FcConfigParseAndLoadFromMemory(fresh, reinterpret_cast<const FcChar8*>(xml.c_str()), FcFalse) &&
              FcConfigBuildFonts(fresh) && FcConfigSetCurrent(fresh);
  // The current configuration holds its own reference.
  FcConfigDestroy(fresh);
  return done;
}

}  // namespace

const std::vector<std::string>& PinEngineFontFiles() {
  static std::once_flag once;
  static std::vector<std::string> hidden;
  std::call_once(once, [] {
    if (!FcInit()) return;
    std::string keptFile;
    std::vector<std::string> files = SupersededFiles(FcConfigGetCurrent(), keptFile);
    if (files.empty() || !RejectFiles(files)) return;
    hidden = std::move(files);
    // Qt may have read the font list already: adding and removing a font
    // makes it read the list again, now without the hidden files.
    if (QGuiApplication::instance()) {
      int id = QFontDatabase::addApplicationFont(QString::fromStdString(keptFile));
      if (id >= 0) QFontDatabase::removeApplicationFont(id);
    }
  });
  return hidden;
}

}  // namespace lf
