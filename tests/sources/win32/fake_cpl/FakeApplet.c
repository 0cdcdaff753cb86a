/* A control-panel module of the tests, built once per way of answering the applet protocol:
 * FAKE_MULTI two named applets, FAKE_UNNAMED two applets without names, FAKE_NOENTRY no entry
 * point, FAKE_EMPTY no applets, FAKE_REFUSED declines to start, FAKE_HANGS never finishes
 * loading, FAKE_CRASHES writes through a null pointer when asked for its applets.
 * Every message it gets is appended to a file beside it (its own name with ".log"), as
 * "message.applet" ("message.applet.data" for CPL_STOP, "message.applet.window" for CPL_INIT),
 * and "free" when it is unloaded. */
#include <windows.h>
#include <cpl.h>

#include "FakeApplet.h"

static HMODULE Self;

static void Note(const char* text) {
  char path[MAX_PATH + 4];
  const DWORD length = GetModuleFileNameA(Self, path, MAX_PATH);
  lstrcpyA(path + length, ".log");
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
  CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) Self = instance;
#ifdef FAKE_HANGS
  if (reason == DLL_PROCESS_ATTACH)
    for (;;) Sleep(INFINITE); /* with the loader's lock held */
#endif
  if (reason == DLL_PROCESS_DETACH) Note("free");
  return TRUE;
}

#ifndef FAKE_NOENTRY
__declspec(dllexport) LONG APIENTRY CPlApplet(HWND window, UINT message, LPARAM applet, LPARAM data) {
  char text[64];
  if (message == CPL_STOP)
    wsprintfA(text, "%u.%ld.%ld ", message, (long)applet, (long)data);
  else if (message == CPL_INIT)
    wsprintfA(text, "%u.%ld.%lu ", message, (long)applet, (unsigned long)(ULONG_PTR)window);
  else
    wsprintfA(text, "%u.%ld ", message, (long)applet);
  Note(text);
  switch (message) {
    case CPL_INIT:
#if defined(FAKE_REFUSED)
      return 0;
#else
      return 1;
#endif
    case CPL_GETCOUNT:
#ifdef FAKE_CRASHES
      *(volatile int*)0 = 1;
#endif
#ifdef FAKE_EMPTY
      return 0;
#else
      return 2;
#endif
    case CPL_INQUIRE: {
      CPLINFO* info = (CPLINFO*)data;
#ifdef FAKE_UNNAMED
      info->idName = IDS_MISSING;
#else
      info->idName = IDS_NAME + (int)applet;
#endif
      info->idInfo = IDS_INFO + (int)applet;
      info->idIcon = 7;
      info->lData = 100 + applet;
      return 0;
    }
  }
  return 0;
}
#endif
