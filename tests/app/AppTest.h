// What the tests of the main window and its dialogs share: every test starts from the default
// settings, without settings, INI or language files, and may create the main window as the
// program does.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "app/win32/FMain.h"
#include "core/LorvexClasses.h"
#include "core/qmDfmUtils.h"
#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "os/os.h"
#include "tests/support/FormDriver.h"
#include "tests/support/TestSource.h"
#include "tests/support/WineTestUtils.h"

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ForceDirectories(SettingsFolder("Lorvex"));
    os::DeleteFile(SettingsFileName());
    os::DeleteFile(ExeIniFileName());
    TLorvexSettings defaults;
    TextToComponent(AppSettings(), ComponentToText(defaults));
    AppSettings().MagicWords.Clear();
    AppSettings().LastUsed.Clear();
    TMainForm::MinimizeAllWindows = [this] { ++MinimizeAllCalls; };
  }
  void TearDown() override {
    Main.reset();
    os::DeleteFile(ExeIniFileName());
    os::DeleteFile(ExeFolder() + "Testish.lng");
  }

  // The settings file the main window reads when it is created.
  void WriteSettings(const std::function<void(TLorvexSettings&)>& change) {
    TLorvexSettings settings;
    change(settings);
    SaveSettings(settings, SettingsFileName());
  }
  // A new main window; the one before goes first, as only one can live.
  TMainForm& CreateMain() {
    Main.reset();
    Main = std::make_unique<TMainForm>(nullptr);
    return *Main;
  }
  // Shows the main window as the hot key does, with the focus in the search box.
  void ShowMain() {
    Main->mnuRestoreClick();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Main->Handle()) && Main->SearchBox->Focused(); }));
  }

  // Ends the main window, and with it the search that runs, when it goes out of scope, after
  // Release (which lets go of what the test's sources wait for): however the test ends, no search
  // outlives the sources and flags the test keeps in its own scope.
  class TSearchEnd {
   public:
    TSearchEnd(AppTest& test, std::function<void()> release) : FTest(test), FRelease(std::move(release)) {}
    ~TSearchEnd() {
      if (FRelease) FRelease();
      FTest.Main.reset();
    }
    TSearchEnd(const TSearchEnd&) = delete;
    TSearchEnd& operator=(const TSearchEnd&) = delete;

   private:
    AppTest& FTest;
    std::function<void()> FRelease;
  };
  [[nodiscard]] TSearchEnd EndSearchFirst(std::function<void()> release = nullptr) {
    return TSearchEnd(*this, std::move(release));
  }

  std::unique_ptr<TMainForm> Main;
  int MinimizeAllCalls = 0;
};
