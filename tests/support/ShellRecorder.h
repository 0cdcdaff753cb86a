// Stands in for the shell while it lives: records what it was asked to open and answers as told.
#pragma once

#include <string>
#include <vector>

#include "os/os.h"

struct TShellRecorder {
  std::vector<os::TShellOpenRequest> Calls;
  std::string Failure;  // the shell's reason; empty: success

  TShellRecorder() {
    os::SetShellOpenForTests([this](const os::TShellOpenRequest& request, std::string& errorText) {
      Calls.push_back(request);
      errorText = Failure;
      return Failure.empty();
    });
  }
  ~TShellRecorder() { os::SetShellOpenForTests(nullptr); }
  TShellRecorder(const TShellRecorder&) = delete;
  TShellRecorder& operator=(const TShellRecorder&) = delete;
};
