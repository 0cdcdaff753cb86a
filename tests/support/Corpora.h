// Sample files that live beside the repository, not in it: the folder is the build's
// LORVEX_CORPORA (a CMake cache variable). A clone without them skips the tests that read them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestPaths.h"

namespace testpaths {

// The corpus folder Name (e.g. "jpeg"), with a trailing separator.
inline std::string CorpusFolder(const std::string& name) {
  return ProgramPath(std::string(LORVEX_CORPORA) + "/" + name + "/");
}

// Skips the running test when the corpus folder Name is missing, saying where it looked. Call it
// from a fixture's SetUp: the test body then does not run.
inline void SkipWithoutCorpus(const std::string& name) {
  std::error_code error;
  if (!std::filesystem::is_directory(std::filesystem::u8path(CorpusFolder(name)), error))
    GTEST_SKIP() << "no corpus at " << CorpusFolder(name) << " (set the CMake cache variable LORVEX_CORPORA)";
}

}  // namespace testpaths
