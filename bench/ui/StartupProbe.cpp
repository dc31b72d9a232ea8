// Starts like the window program and prints the wall-clock time (nanoseconds
// since the epoch) at which its window is first exposed, then quits. Built
// twice: with Vantrel's window, and with a bare QMainWindow carrying the same
// menu, so that startup.sh can compare the two.

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>

#ifdef PROBE_VANTREL_WINDOW
#include "ui/MainWindow.h"
#endif

namespace {

class FirstExpose : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !done_ && static_cast<QWindow*>(watched)->isExposed()) {
      done_ = true;
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("%lld\n", static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
      std::fflush(stdout);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));
#ifdef PROBE_VANTREL_WINDOW
  vantrel::MainWindow window;
  window.setEnd([] {});
#else
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Vantrel"));
  QMenu* tools = window.menuBar()->addMenu(QStringLiteral("&Tools"));
  tools->setSeparatorsCollapsible(false);
  tools->addSeparator();
  tools->addAction(QStringLiteral("&Encode"));
  tools->addSeparator();
  tools->addAction(QStringLiteral("&Decode"));
  tools->addSeparator();
  tools->addAction(QStringLiteral("&Copy Encoded Txt To Clipboard "));
  tools->addSeparator();
  window.setFixedSize(354, 266 + window.menuBar()->sizeHint().height());
#endif
  FirstExpose probe;
  window.winId();  // creates the native window, so its events can be watched
  window.windowHandle()->installEventFilter(&probe);
  window.show();
  return QApplication::exec();
}
