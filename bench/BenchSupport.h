// What the file benchmarks share: their settings from the environment, and the bytes they read.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

inline std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// The bytes this process has read from files so far (Linux).
inline int64_t BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}
