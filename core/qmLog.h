// The process-wide log: one line per event, switched on and filtered by group from the
// executable's INI file.
#pragma once

#include <mutex>
#include <string>

#include "core/Persistent.h"
#include "os/os.h"

class TqmLog {
 public:
  TqmLog();

  bool Enabled = false;
  std::string FileName;
  TStringList EnabledGroups;  // empty: every group is written
  std::string DateTimeFormat = "dd.mm.yyyy hh:nn:ss";
  int Level = 0;

  // Reads section "Log" of IniFile (the executable's INI file unless given).
  void LoadSettings();
  void LoadSettings(const std::string& iniFile);

  // Never throws: a line that cannot be written is dropped.
  void Log(const std::string& group, const std::string& msg);
  void LogLevel(const std::string& group, const std::string& msg, int level);

  // The formatted line for a time, without writing it.
  std::string FormatLine(const os::TLocalTime& time, const std::string& group, const std::string& msg) const;

 private:
  bool GroupEnabled(const std::string& group) const;
  void NumberFileName();

  std::mutex FLock;
};

TqmLog& GetLog();
