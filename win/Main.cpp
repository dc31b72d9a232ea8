// Starts Vantrel on Windows: its one window and the message loop.

#include <windows.h>

#include "MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  vantrel::win::MainWindow window;
  if (!window.Create(instance)) {
    MessageBoxW(nullptr, L"Vantrel could not open its window.", L"Vantrel", MB_OK | MB_ICONERROR);
    return 1;
  }
  ShowWindow(window.Handle(), show);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The dialog manager moves the focus between the fields on Tab.
    if (window.Handle() == nullptr || !IsDialogMessageW(window.Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
