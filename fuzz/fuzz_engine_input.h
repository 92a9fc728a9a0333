// What the engine's fuzz targets share: an off-screen GUI application (fonts
// and pictures need one), each input as a memory stream, and the engine's
// current report cleared after each input so that none sees another's.
#pragma once

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/run/globals.h"
#include "platform/stream.h"

namespace lf::fuzz {

inline void StartOffscreenApplication() {
  static int argc = 1;
  static char name[] = "lumenfoldi-fuzz";
  static char* argv[] = {name, nullptr};
  static const bool offscreen = setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;
  // Never destroyed: at exit Qt's own thread storage (the font cache's)
  // is gone before a static application, whose destructor then crashes.
  static QGuiApplication* const app = new QGuiApplication(argc, argv);
  (void)offscreen;
  (void)app;
}

// Runs check(stream) on the input's bytes.
template <class Check>
int RunOnInput(const uint8_t* data, size_t size, Check&& check) {
  StartOffscreenApplication();
  TMemoryStream in(std::string(reinterpret_cast<const char*>(data), size));
  check(in);
  EngineState().CurReport = nullptr;
  return 0;
}

}  // namespace lf::fuzz
