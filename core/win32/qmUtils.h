// Routines that touch Windows directly: a file's version resource, the single-instance test,
// shortening a path to fit a drawing, privileges and ending the session, dropping a pending
// window message. Each is a plain routine without state of its own; what needs our window
// framework lives with it in ui/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// The version resource of one file: the usual strings and the fixed file version.
class TFileVersionInfo {
 public:
  std::string CompanyName;
  std::string FileDescription;
  std::string InternalName;
  std::string LegalCopyright;
  std::string OriginalFilename;
  std::string ProductName;
  std::string ProductVersion;
  uint16_t Major = 0;
  uint16_t Minor = 0;
  uint16_t Release = 0;
  uint16_t Build = 0;

  // Fills the fields from the file's version resource. A file without one, or without a
  // translation table, leaves every field as it was and gives false.
  bool Load(const std::string& fileName);
};

// The first Parts numbers of the file's version (Major.Minor.Release.Build), joined by ".";
// empty for Parts below 1, all four for Parts above 4. A file without a version gives zeros.
std::string GetVersionString(const std::string& fileName, int parts);

// The single-instance test: true when another process (or an earlier call) already created
// the named mutex. The mutex stays alive as long as this process does. Throws Exception
// "CreateMutex failed." when the mutex cannot be created at all.
bool IsAlreadyRunning(const std::string& name);

// Path shortened with an ellipsis in its middle (drive and file name kept) so that it fits
// the width of DC's clipping box in DC's font; Path itself when it fits already.
std::string FitPathToRect(const std::string& path, HDC dc);

// Enables or disables one privilege (such as "SeShutdownPrivilege") of this process's
// token; true only when the token really holds it and the change was made.
bool SetPrivilege(const std::string& name, bool enable);

// The call that ends the Windows session: ExitWindowsEx by default. Tests replace it, as
// the real one would end their (Wine) session.
using TExitWindowsFunc = std::function<bool(UINT flags, DWORD reason)>;
extern TExitWindowsFunc ExitWindowsHook;

// Ends the session with ExitWindowsEx flags (EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT, ...),
// holding the shutdown privilege for the call; true when the system accepted.
bool ShutdownWindows(UINT flags);

// Removes one pending message Msg of window Wnd from this thread's queue, if there is one.
// A quit message taken along the way is posted again with its exit code.
void RemovePendingMessage(HWND wnd, UINT msg);
