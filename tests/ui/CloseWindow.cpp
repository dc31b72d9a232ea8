// Asks an X window to close, as a title bar's close button does, then
// follows it until it is gone and, given the program's process id, until the
// program has ended. Prints what it saw, one line each, every line starting
// with the milliseconds since the request:
//
//   0 x y width height    the window's geometry before the request
//   MS x y width height   each new geometry
//   MS unmapped           the window is no longer shown
//   MS destroyed          the window no longer exists
//   MS ended              the process has exited
//
// so that a test can check how the closing animation shrank the window,
// moved it towards the lower right, how long that took and when the program
// ended. The geometries come from the window's own structure events, so none
// is missed however fast they follow each other.
//
//   ui_close_window [--twice] WINDOW-ID [PID]
//
// With --twice the request is sent again at the window's first move, as an
// impatient user clicks the close button twice.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

namespace {

bool gone = false;

int OnError(Display*, XErrorEvent*) {
  gone = true;  // the window no longer exists
  return 0;
}

using Clock = std::chrono::steady_clock;
Clock::time_point start;

long Since() {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// True while the process exists and has not yet exited (a zombie has).
bool Running(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line))
    return false;
  const auto paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z';
}

void RequestClose(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace

int main(int argc, char* argv[]) {
  bool twice = argc > 1 && std::string(argv[1]) == "--twice";
  if (twice) {
    --argc;
    ++argv;
  }
  if (argc < 2 || argc > 3) {
    std::fputs("usage: ui_close_window [--twice] WINDOW-ID [PID]\n", stderr);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a test reads the lines as they come
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("ui_close_window: cannot open the display\n", stderr);
    return 1;
  }
  XSetErrorHandler(OnError);
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const long pid = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
  XSelectInput(display, window, StructureNotifyMask);
  XWindowAttributes before{};
  if (XGetWindowAttributes(display, window, &before) == 0 || gone) {
    std::fputs("ui_close_window: no such window\n", stderr);
    return 1;
  }
  std::printf("0 %d %d %d %d\n", before.x, before.y, before.width, before.height);
  start = Clock::now();
  RequestClose(display, window);
  bool unmapped = false;
  const auto deadline = start + std::chrono::seconds(10);
  while (!gone && Clock::now() < deadline) {
    if (XPending(display) == 0) {
      pollfd wait{ConnectionNumber(display), POLLIN, 0};
      poll(&wait, 1, 5);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    switch (event.type) {
      case ConfigureNotify:
        if (!unmapped)
          std::printf("%ld %d %d %d %d\n", Since(), event.xconfigure.x, event.xconfigure.y,
                      event.xconfigure.width, event.xconfigure.height);
        if (std::exchange(twice, false)) {
          RequestClose(display, window);
          std::printf("%ld closed again\n", Since());
        }
        break;
      case UnmapNotify:
        unmapped = true;
        std::printf("%ld unmapped\n", Since());
        break;
      case DestroyNotify:
        gone = true;
        break;
      default:
        break;
    }
  }
  if (gone)
    std::printf("%ld destroyed\n", Since());
  if (pid > 0) {
    while (Running(pid) && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!Running(pid))
      std::printf("%ld ended\n", Since());
  }
  XCloseDisplay(display);
  return 0;
}
