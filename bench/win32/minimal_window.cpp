// The yardstick of the start-up benchmark: a Win32 program that creates one window and waits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "LorvexBenchMinimal";
  RegisterClassA(&wc);
  CreateWindowA(wc.lpszClassName, "Minimal", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
