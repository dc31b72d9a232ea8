// Starts Vantrel: the application, its one window, the event loop.

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "MainWindow.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!Set("QT_QPA_PLATFORM")) {
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
      std::fputs(
          "vantrel: no display to open a window on (neither DISPLAY nor "
          "WAYLAND_DISPLAY is set); start it from a desktop session\n",
          stderr);
      return 1;
    }
    // Under Wayland a program cannot place its own window; through XWayland
    // it is centred at start and can run its closing animation.
    if (Set("WAYLAND_DISPLAY") && Set("DISPLAY"))
      qputenv("QT_QPA_PLATFORM", "xcb");
  }
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));
  vantrel::MainWindow window;
  window.show();
  return QApplication::exec();
}
