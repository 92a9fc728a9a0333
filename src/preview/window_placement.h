// Window placement kept across runs: position, size and whether the window
// was maximized, under "Form/<class name>" in the application's settings.
#pragma once

#include <QString>

class QWidget;

namespace lf {

// A stored width or height beyond this (pixels) is taken as damage and the
// window keeps its size.
inline constexpr int kMaxWindowExtent = 100000;

// Writes "XPosition", "YPosition", "Width", "Height" and "Maximized" ("1"
// or "0") for the window.
void SaveWindowPlacement(const QWidget& window, const QString& className);
// Restores them: a missing "Maximized" reads as maximized; a missing or
// unreadable number keeps the window's own value.
void RestoreWindowPlacement(QWidget& window, const QString& className);

}  // namespace lf
