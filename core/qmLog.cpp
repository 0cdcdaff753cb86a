#include "core/qmLog.h"

#include <cstdio>
#include <string_view>

#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "core/qmStringUtils.h"

namespace {

const char* const LogSection = "Log";

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

// Formats a time with the patterns yyyy, mm (month), dd, hh, nn (minutes) and ss, each with
// leading zeros; every other character stands as it is.
std::string FormatDateTime(const std::string& format, const os::TLocalTime& time) {
  std::string result;
  size_t i = 0;
  const auto take = [&](std::string_view pattern) {
    if (format.compare(i, pattern.size(), pattern) != 0) return false;
    i += pattern.size();
    return true;
  };
  while (i < format.size()) {
    if (take("yyyy"))
      result += Digits(time.Year, 4);
    else if (take("mm"))
      result += Digits(time.Month, 2);
    else if (take("dd"))
      result += Digits(time.Day, 2);
    else if (take("hh"))
      result += Digits(time.Hour, 2);
    else if (take("nn"))
      result += Digits(time.Minute, 2);
    else if (take("ss"))
      result += Digits(time.Second, 2);
    else
      result += format[i++];
  }
  return result;
}

}  // namespace

TqmLog::TqmLog() = default;

void TqmLog::LoadSettings() { LoadSettings(ExeIniFileName()); }

void TqmLog::LoadSettings(const std::string& iniFile) {
  std::lock_guard<std::mutex> lock(FLock);
  Enabled = IniReadString(iniFile, LogSection, "Enabled", "") == "1";
  FileName = IniReadString(iniFile, LogSection, "FileName", ChangeFileExt(os::ExeFileName(), ".log"));
  if (IniReadString(iniFile, LogSection, "Sessions", "") == "1") NumberFileName();
  EnabledGroups.clear();
  SplitByChars(IniReadString(iniFile, LogSection, "EnabledGroups", ""), EnabledGroups, ",");
}

void TqmLog::Log(const std::string& group, const std::string& msg) { LogLevel(group, msg, 0); }

void TqmLog::LogLevel(const std::string& group, const std::string& msg, int level) {
  try {
    // One lock around the whole line, so that lines of two threads never mix.
    std::lock_guard<std::mutex> lock(FLock);
    if (!Enabled || Level > level || !GroupEnabled(group)) return;
    // A line that cannot be written is dropped; logging never disturbs the caller.
    os::AppendFile(FileName, FormatLine(os::Now(), group, msg));
  } catch (...) {
  }
}

std::string TqmLog::FormatLine(const os::TLocalTime& time, const std::string& group, const std::string& msg) const {
  return FormatDateTime(DateTimeFormat, time) + ";" + group + ";" + msg + "\r\n";
}

bool TqmLog::GroupEnabled(const std::string& group) const {
  if (group.empty() || EnabledGroups.empty()) return true;
  for (const std::string& enabled : EnabledGroups)
    if (SameText(enabled, group)) return true;
  return false;
}

// Each run writes its own file: the first free name of folder + name + 0001, 0002, ... + extension.
void TqmLog::NumberFileName() {
  const std::string folder = ExtractFilePath(FileName);
  const std::string name = ChangeFileExt(ExtractFileName(FileName), "");
  const std::string extension = ExtractFileExt(FileName);
  for (int number = 1;; ++number) {
    const std::string candidate = folder + name + Digits(number, 4) + extension;
    if (!os::FileExists(candidate) && !os::DirectoryExists(candidate)) {
      FileName = candidate;
      return;
    }
  }
}

TqmLog& GetLog() {
  static TqmLog log;
  return log;
}
