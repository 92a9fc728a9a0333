// Our processes see each font of the substitution table in one file only.
//
// Debian ships Liberation twice: the 2.x files (fonts-liberation2, which we
// install) and the 1.x files (fonts-liberation, pulled in by browsers and
// office suites). With both present, which file serves "Liberation Sans"
// depends on the machine, and so would every width the engine measures. The
// fontconfig configuration is set up before Qt or the PDF writer read it, so
// both see the same files whatever else is installed.
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include "platform/text_measurer.h"

namespace lf {

namespace {

// The Liberation families come from the 2.x folder only: the 1.x package's
// folder is left out when the 2.x one is there.
constexpr char kPinnedFonts[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <selectfont>
    <rejectfont><glob>/usr/share/fonts/truetype/liberation/*</glob></rejectfont>
  </selectfont>
</fontconfig>
)";

bool HasLiberation2() {
  struct stat st {};
  return ::stat("/usr/share/fonts/truetype/liberation2", &st) == 0 && S_ISDIR(st.st_mode);
}

bool PinFonts() {
  // Without the 2.x files there is nothing to prefer: keep the system's choice.
  if (!HasLiberation2()) return false;
  FcConfig* config = FcInitLoadConfig();
  if (!config) return false;
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kPinnedFonts), FcTrue) ||
      !FcConfigBuildFonts(config) || !FcConfigSetCurrent(config)) {
    FcConfigDestroy(config);
    return false;
  }
  // The current configuration holds its own reference.
  FcConfigDestroy(config);
  return true;
}

// Runs before main, so before any font database is built.
const bool pinned = PinFonts();

}  // namespace

bool EngineFontsPinned() { return pinned; }

}  // namespace lf
