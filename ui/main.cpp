// Starts Vantrel: the application, its one window, the event loop.

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
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

// The platforms the toolkit has here: the keys of its platform plugins,
// read from their metadata without loading them.
QStringList Platforms() {
  QStringList folders;
  if (Set("QT_QPA_PLATFORM_PLUGIN_PATH"))
    folders << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  for (const QString& folder : QCoreApplication::libraryPaths())
    folders << folder + QStringLiteral("/platforms");
  QStringList keys;
  for (const QString& folder : folders) {
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
      const QJsonObject meta = QPluginLoader(file.absoluteFilePath()).metaData();
      for (const QJsonValue key : meta.value(QStringLiteral("MetaData"))
                                      .toObject()
                                      .value(QStringLiteral("Keys"))
                                      .toArray())
        keys << key.toString().toLower();
    }
  }
  keys.removeDuplicates();
  keys.sort();
  return keys;
}

// When QT_QPA_PLATFORM names no platform the toolkit has, the failure is
// the setting's, not the display's: the line that says so, or nothing.
std::string UnknownPlatform() {
  if (!Set("QT_QPA_PLATFORM"))
    return {};
  const QStringList known = Platforms();
  // "name:option=value;other": each name before its options.
  for (const QString& entry : qEnvironmentVariable("QT_QPA_PLATFORM").split(u';')) {
    if (known.contains(entry.section(u':', 0, 0).trimmed().toLower()))
      return {};
  }
  return "vantrel: QT_QPA_PLATFORM=" + std::string(std::getenv("QT_QPA_PLATFORM")) +
         " names no platform the toolkit has here (it has " +
         known.join(QStringLiteral(", ")).toStdString() + "); unset it, or name one of those";
}

// While the application connects to the display, the toolkit's messages are
// held back: if it cannot connect, it would print several lines and abort;
// the user gets one line and the usual failure status instead.
std::string attempted;
bool platformSet = false;  // by the user, in QT_QPA_PLATFORM
QtMessageHandler toolkitHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>> held;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) {
    // Only a start that fails looks at the platforms the toolkit has.
    const std::string unknownPlatform = platformSet ? UnknownPlatform() : std::string();
    if (unknownPlatform.empty())
      NoDisplay(attempted);
    else
      std::fprintf(stderr, "%s\n", unknownPlatform.c_str());
    std::_Exit(1);  // from inside the toolkit's constructor: nothing to clean up
  }
  held.emplace_back(type, text);
}

}  // namespace

int main(int argc, char* argv[]) {
  attempted = Attempted();
  platformSet = Set("QT_QPA_PLATFORM");
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
