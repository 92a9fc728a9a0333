// Window placement in the application's settings.
#include "preview/window_placement.h"

#include <QSettings>
#include <QWidget>

namespace lf {
namespace {

QString Key(const QString& className, const char* value) { return "Form/" + className + "/" + value; }

}  // namespace

void SaveWindowPlacement(const QWidget& window, const QString& className) {
  QSettings settings("lumenfoldi", "lumenfoldi");
  // The normal-state bounds, also for a maximized window.
  QRect r = window.isMaximized() ? window.normalGeometry() : window.geometry();
  settings.setValue(Key(className, "XPosition"), QString::number(r.x()));
  settings.setValue(Key(className, "YPosition"), QString::number(r.y()));
  settings.setValue(Key(className, "Width"), QString::number(r.width()));
  settings.setValue(Key(className, "Height"), QString::number(r.height()));
  settings.setValue(Key(className, "Maximized"), window.isMaximized() ? "1" : "0");
}

void RestoreWindowPlacement(QWidget& window, const QString& className) {
  QSettings settings("lumenfoldi", "lumenfoldi");
  auto number = [&](const char* name, int current) {
    bool ok = false;
    int v = settings.value(Key(className, name)).toString().toInt(&ok);
    return ok ? v : current;
  };
  QRect r = window.geometry();
  QRect placed(number("XPosition", r.x()), number("YPosition", r.y()), number("Width", r.width()),
               number("Height", r.height()));
  bool maximized = settings.value(Key(className, "Maximized"), "1").toString() != "0";
  if (!maximized) window.setWindowState(window.windowState() & ~Qt::WindowMaximized);
  // Sizes that cannot be a window's (damaged settings) keep the current one.
  if (placed.width() > 0 && placed.height() > 0 && placed.width() <= kMaxWindowExtent && placed.height() <= kMaxWindowExtent)
    window.setGeometry(placed);
  if (maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

}  // namespace lf
