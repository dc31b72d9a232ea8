// Asks an X window to close, as a title bar's close button does, then
// watches it until it is gone. Prints each new position of the window's
// top-left corner, one "x y" per line, so that a test can check the closing
// animation moved it towards the lower right.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

bool alive = true;

int OnError(Display*, XErrorEvent*) {
  alive = false;  // the window is gone
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: ui_close_window WINDOW-ID\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("ui_close_window: cannot open the display\n", stderr);
    return 1;
  }
  XSetErrorHandler(OnError);
  const Window window = std::strtoul(argv[1], nullptr, 0);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);

  int lastX = -1, lastY = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (alive && std::chrono::steady_clock::now() < deadline) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 || !alive)
      break;
    if (attributes.map_state == IsViewable && (attributes.x != lastX || attributes.y != lastY)) {
      lastX = attributes.x;
      lastY = attributes.y;
      std::printf("%d %d\n", lastX, lastY);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  XCloseDisplay(display);
  return 0;
}
