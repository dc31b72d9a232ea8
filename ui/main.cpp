// Starts Vantrel: the application, its one window, the event loop.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "MainWindow.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

void NoDisplay(const std::string& why) {
  std::fprintf(stderr,
               "vantrel: no display to open a window on (%s); start it from a desktop session\n",
               why.c_str());
}

// What the window system was asked to connect to, for the message when it
// cannot.
std::string Attempted() {
  std::string displays;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (Set(name))
      displays += (displays.empty() ? "" : " or ") + std::string(name) + "=" + std::getenv(name);
  }
  if (!Set("QT_QPA_PLATFORM"))
    return "could not connect to " + displays;
  const std::string platform = std::string("QT_QPA_PLATFORM=") + std::getenv("QT_QPA_PLATFORM");
  return displays.empty() ? platform + " could not start"
                          : platform + " could not connect to " + displays;
}

// While the application connects to the display, the toolkit's messages are
// held back: if it cannot connect, it would print several lines and abort;
// the user gets one line and the usual failure status instead.
std::string attempted;
QtMessageHandler toolkitHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>> held;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) {
    NoDisplay(attempted);
    std::_Exit(1);  // from inside the toolkit's constructor: nothing to clean up
  }
  held.emplace_back(type, text);
}

}  // namespace

int main(int argc, char* argv[]) {
  attempted = Attempted();
  if (!Set("QT_QPA_PLATFORM")) {
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
      NoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
      return 1;
    }
    // Under Wayland a program cannot place its own window; through XWayland
    // it is centred at start and can run its closing animation. Each is
    // tried when the other cannot connect.
    qputenv("QT_QPA_PLATFORM", Set("DISPLAY") ? "xcb;wayland" : "wayland;xcb");
  }
  toolkitHandler = qInstallMessageHandler(HoldStartupMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(toolkitHandler);
  for (const auto& [type, text] : std::exchange(held, {}))
    toolkitHandler(type, QMessageLogContext(), text);

  QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));
  vantrel::MainWindow window;
  window.show();
  return QApplication::exec();
}
