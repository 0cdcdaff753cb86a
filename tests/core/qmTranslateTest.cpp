#include "core/qmTranslate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/SZCRC32.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;

namespace {

uint32_t Crc(const std::string& text) { return Crc32OfBuffer(text.data(), static_cast<std::ptrdiff_t>(text.size())); }
std::string Key(const std::string& text) { return std::to_string(Crc(text)); }

// How many lines each key has.
std::map<std::string, int> CountKeys(const TStringList& lines) {
  std::map<std::string, int> counts;
  for (const std::string& line : lines) ++counts[line.substr(0, line.find('='))];
  return counts;
}

// A translator set up the way the main window sets up its own, already translating.
class TranslateEngine : public ::testing::Test {
 protected:
  TranslateEngine() : Translator(nullptr), Engine(new TqmTranslateEngineStrings(&Translator)) {
    Translator.SetTranslateEngine(Engine);
    Translator.SetState(tsTranslate);
  }

  TqmTranslate Translator;
  TqmTranslateEngineStrings* Engine;  // owned by the translator
};

}  // namespace

// --- CRC-32 -----------------------------------------------------------------------------------

TEST(TranslateCrc32, KnownChecksums) {
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  EXPECT_EQ(Key("abc"), "891568578");
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  // Every byte counts, those above 127 too (a UTF-8 text).
  EXPECT_NE(Crc("\xC3\xA4"), Crc("\xC3\xA5"));
}

TEST(TranslateCrc32, UpdateContinuesAndIgnoresEmptyLengths) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  const uint32_t half = Crc32Update(text.data(), 10, Crc32Seed);
  EXPECT_EQ(~Crc32Update(text.data() + 10, static_cast<std::ptrdiff_t>(text.size()) - 10, half), Crc(text));
  EXPECT_EQ(Crc32Update(text.data(), 0, 0x12345678u), 0x12345678u);
  EXPECT_EQ(Crc32Update(text.data(), -5, 0x12345678u), 0x12345678u);
  EXPECT_EQ(Crc32Table[1], 0x77073096u);
  EXPECT_EQ(Crc32Table[255], 0x2D02EF8Du);
}

// --- Translating texts ------------------------------------------------------------------------

TEST_F(TranslateEngine, LooksTextsUpByTheirChecksum) {
  Engine->SetStrings({"; Deutsch", Key("Type to search") + "=Tippen zum Suchen", Key("Options") + "=Optionen"});
  EXPECT_EQ(Translator.TranslateString("Type to search"), "Tippen zum Suchen");
  EXPECT_EQ(Translator.TranslateString("Options"), "Optionen");
  EXPECT_FALSE(Engine->NewStrings());
  EXPECT_EQ(Engine->Strings().size(), 3u);
}

TEST_F(TranslateEngine, FirstLineOfAKeyWinsAndLinesWithoutEqualsNeverMatch) {
  const std::string key = Key("Exit");
  Engine->SetStrings({key, key + "=Beenden", key + "=Verlassen"});
  EXPECT_EQ(Translator.TranslateString("Exit"), "Beenden");
  // A value may hold further equals signs.
  Engine->SetStrings({key + "=a=b"});
  EXPECT_EQ(Translator.TranslateString("Exit"), "a=b");
}

TEST_F(TranslateEngine, EmptyAndQuotedTextsAreNeverLookedUp) {
  EXPECT_EQ(Translator.TranslateString(""), "");
  EXPECT_EQ(Translator.TranslateString(">Errors"), "Errors");
  EXPECT_EQ(Translator.TranslateString(">"), "");
  Translator.SetState(tsDefault);
  EXPECT_EQ(Translator.TranslateString(">Errors"), "Errors");
  EXPECT_TRUE(Engine->Strings().empty());
  EXPECT_FALSE(Engine->NewStrings());
}

TEST_F(TranslateEngine, DefaultStateLearnsNothing) {
  Engine->SetStrings({Key("Options") + "=Optionen"});
  Translator.SetState(tsDefault);
  EXPECT_EQ(Translator.TranslateString("Options"), "Options");
  EXPECT_EQ(Translator.TranslateString("Unknown"), "Unknown");
  EXPECT_EQ(Engine->Strings().size(), 1u);
  EXPECT_FALSE(Engine->NewStrings());
}

TEST(TranslateState, TranslatingWithoutAnEngineRaises) {
  TqmTranslate translator(nullptr);
  translator.SetState(tsTranslate);
  try {
    translator.TranslateString("Options");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Translate engine not assigned");
  }
  // The texts that are never looked up need no engine.
  EXPECT_EQ(translator.TranslateString(">Errors"), "Errors");
  EXPECT_EQ(translator.TranslateString(""), "");
}

TEST_F(TranslateEngine, MissingTextsAreLearnedInTheOrderMet) {
  Engine->SetStrings({"; Deutsch", Key("Options") + "=Optionen"});
  EXPECT_EQ(Translator.TranslateString("Exit"), "Exit");
  EXPECT_TRUE(Engine->NewStrings());
  EXPECT_EQ(Translator.TranslateString("Options"), "Optionen");
  EXPECT_EQ(Translator.TranslateString("About"), "About");
  EXPECT_EQ(Translator.TranslateString("Exit"), "Exit");  // now found, not added again
  EXPECT_EQ(Engine->Strings(), (TStringList{"; Deutsch", Key("Options") + "=Optionen", Key("Exit") + "=Exit",
                                            Key("About") + "=About"}));
}

TEST_F(TranslateEngine, AnEmptyValueCountsAsMissingAndIsFilledInPlace) {
  Engine->SetStrings({Key("Exit") + "=", "; end"});
  EXPECT_EQ(Translator.TranslateString("Exit"), "Exit");
  EXPECT_EQ(Engine->Strings(), (TStringList{Key("Exit") + "=Exit", "; end"}));
  EXPECT_TRUE(Engine->NewStrings());
}

TEST_F(TranslateEngine, LineBreaksAreStoredAsCodes) {
  Engine->SetStrings({Key("Two lines") + "=Zeile 1#13#10Zeile 2#13#10"});
  EXPECT_EQ(Translator.TranslateString("Two lines"), "Zeile 1\r\nZeile 2\r\n");

  // A learned text keeps its line: CR LF, and a lone CR or LF too, are stored as "#13#10".
  EXPECT_EQ(Translator.TranslateString("First\r\nSecond"), "First\r\nSecond");
  EXPECT_EQ(Translator.TranslateString("a\n123=forged\rb"), "a\n123=forged\rb");
  const TStringList lines = Engine->Strings();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], Key("First\r\nSecond") + "=First#13#10Second");
  EXPECT_EQ(lines[2], Key("a\n123=forged\rb") + "=a#13#10123=forged#13#10b");
  EXPECT_EQ(Translator.TranslateString("First\r\nSecond"), "First\r\nSecond");
}

TEST_F(TranslateEngine, TextsWithTheSameChecksumShareALine) {
  ASSERT_EQ(Crc("plumless"), Crc("buckeroo"));
  EXPECT_EQ(Translator.TranslateString("plumless"), "plumless");
  EXPECT_EQ(Translator.TranslateString("buckeroo"), "plumless");
  EXPECT_EQ(Engine->Strings(), TStringList{Key("plumless") + "=plumless"});
}

// --- Asking the user --------------------------------------------------------------------------

TEST_F(TranslateEngine, OnTheFlyAsksOnTheGuiThread) {
  std::vector<std::string> asked;
  Engine->InputQuery = [&](const std::string& caption, const std::string& prompt, std::string& value) {
    EXPECT_EQ(caption, "Translate");
    EXPECT_EQ(prompt, "Translate this:");
    asked.push_back(value);
    if (value == "Cancel me") return false;
    value = "Ja#" + value;
    return true;
  };
  EXPECT_EQ(Translator.TranslateString("Yes"), "Yes");  // not on the fly yet
  Engine->SetTranslateOnTheFly(true);
  EXPECT_EQ(Translator.TranslateString("No"), "Ja#No");
  EXPECT_EQ(Translator.TranslateString("No"), "Ja#No");  // stored: asked once
  EXPECT_EQ(Translator.TranslateString("Cancel me"), "Cancel me");
  EXPECT_EQ(asked, (std::vector<std::string>{"No", "Cancel me"}));
  EXPECT_EQ(Engine->Strings(),
            (TStringList{Key("Yes") + "=Yes", Key("No") + "=Ja#No", Key("Cancel me") + "=Cancel me"}));
}

TEST_F(TranslateEngine, TheInputBoxDoesNotAskForItsOwnTexts) {
  Engine->SetTranslateOnTheFly(true);
  int calls = 0;
  Engine->InputQuery = [&](const std::string&, const std::string&, std::string& value) {
    ++calls;
    // The box translates its buttons while it is open.
    EXPECT_EQ(Translator.TranslateString("Cancel"), "Cancel");
    value = "Hallo";
    return true;
  };
  EXPECT_EQ(Translator.TranslateString("Hello"), "Hallo");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Engine->Strings(), (TStringList{Key("Cancel") + "=Cancel", Key("Hello") + "=Hallo"}));
}

TEST_F(TranslateEngine, AnEmptyAnswerLeavesNoLine) {
  Engine->SetTranslateOnTheFly(true);
  Engine->SetStrings({Key("Close") + "="});
  Engine->InputQuery = [](const std::string&, const std::string&, std::string& value) {
    value.clear();
    return true;
  };
  EXPECT_EQ(Translator.TranslateString("Close"), "");
  EXPECT_TRUE(Engine->Strings().empty());
  EXPECT_TRUE(Engine->NewStrings());
}

TEST_F(TranslateEngine, WorkerLearnsWhileTheGuiThreadTranslates) {
  constexpr int Count = 200;
  Translator.SetIsGlobal(true);
  Engine->SetStrings({Key("Type to search") + "=Tippen zum Suchen", Key("Searching %s...") + "=Suche in %s..."});
  Engine->SetTranslateOnTheFly(true);
  const std::thread::id gui = std::this_thread::get_id();
  std::atomic<int> askedOffGui{0};
  Engine->InputQuery = [&](const std::string&, const std::string&, std::string& value) {
    if (std::this_thread::get_id() != gui) ++askedOffGui;
    value = "gui:" + value;
    return true;
  };

  std::atomic<bool> go{false};
  std::vector<std::string> workerResults;
  std::thread worker([&] {
    while (!go) std::this_thread::yield();
    for (int i = 0; i < Count; ++i) {
      workerResults.push_back(TranslateFormat("Searching %s...", {"source " + std::to_string(i)}));
      workerResults.push_back(Translator.TranslateString("shared " + std::to_string(i)));
      workerResults.push_back(Translator.TranslateString("Type to search"));
    }
  });
  go = true;
  for (int i = 0; i < Count; ++i) {
    EXPECT_EQ(Translator.TranslateString("gui " + std::to_string(i)), "gui:gui " + std::to_string(i));
    Translator.TranslateString("shared " + std::to_string(i));
  }
  worker.join();

  EXPECT_EQ(askedOffGui, 0);
  ASSERT_EQ(workerResults.size(), 3u * Count);
  EXPECT_EQ(workerResults[2], "Tippen zum Suchen");
  EXPECT_EQ(workerResults[0], "Suche in source 0...");
  const TStringList lines = Engine->Strings();
  EXPECT_EQ(lines.size(), 2u + 2u * Count);
  std::map<std::string, int> counts = CountKeys(lines);
  for (int i = 0; i < Count; ++i) {
    EXPECT_EQ(counts[Key("shared " + std::to_string(i))], 1) << i;
    EXPECT_EQ(counts[Key("gui " + std::to_string(i))], 1) << i;
  }
}

TEST_F(TranslateEngine, TheWorkerLearnsTheEnglishText) {
  Engine->SetTranslateOnTheFly(true);
  bool asked = false;
  Engine->InputQuery = [&](const std::string&, const std::string&, std::string&) { return asked = true; };
  std::string result;
  std::thread worker([&] { result = Translator.TranslateString("Searching..."); });
  worker.join();
  EXPECT_FALSE(asked);
  EXPECT_EQ(result, "Searching...");
  EXPECT_EQ(Engine->Strings(), TStringList{Key("Searching...") + "=Searching..."});

  // The GUI thread can be named explicitly.
  std::thread other([&] {
    Engine->SetGuiThread(std::this_thread::get_id());
    result = Translator.TranslateString("Options");
  });
  other.join();
  EXPECT_TRUE(asked);
}

// --- Language files ---------------------------------------------------------------------------

TEST_F(TranslateEngine, LanguageFileRoundTripWithCrLf) {
  const std::string file = FreshFolder("translate_roundtrip") + "Deutsch.lng";
  ASSERT_TRUE(os::WriteFileReplacing(file, "; Deutsch\r\n" + Key("Options") + "=Optionen\nno key here\r" +
                                               Key("Exit") + "=Beenden"));
  Engine->LoadFromFile(file);
  EXPECT_EQ(Engine->Strings(),
            (TStringList{"; Deutsch", Key("Options") + "=Optionen", "no key here", Key("Exit") + "=Beenden"}));
  EXPECT_EQ(Translator.TranslateString("Exit"), "Beenden");
  EXPECT_EQ(Translator.TranslateString("Tray icon"), "Tray icon");
  EXPECT_EQ(Translator.TranslateString("Two\r\nlines"), "Two\r\nlines");

  Engine->SaveToFile(file);
  std::string saved;
  ASSERT_TRUE(os::ReadFile(file, saved));
  EXPECT_EQ(saved, "; Deutsch\r\n" + Key("Options") + "=Optionen\r\nno key here\r\n" + Key("Exit") +
                       "=Beenden\r\n" + Key("Tray icon") + "=Tray icon\r\n" + Key("Two\r\nlines") +
                       "=Two#13#10lines\r\n");

  TqmTranslateEngineStrings reloaded(nullptr);
  reloaded.LoadFromFile(file);
  EXPECT_EQ(reloaded.Strings(), Engine->Strings());
  EXPECT_FALSE(reloaded.NewStrings());
  EXPECT_EQ(reloaded.Translate(Crc("Two\r\nlines"), "Two\r\nlines"), "Two\r\nlines");
}

TEST_F(TranslateEngine, LanguageFileEdges) {
  const std::string folder = FreshFolder("translate_edges");
  // An editor's byte order mark is not part of the first key; blank lines stay.
  ASSERT_TRUE(os::WriteFileReplacing(folder + "bom.lng", "\xEF\xBB\xBF" + Key("Exit") + "=Beenden\r\n\r\n"));
  Engine->LoadFromFile(folder + "bom.lng");
  EXPECT_EQ(Engine->Strings(), (TStringList{Key("Exit") + "=Beenden", ""}));
  EXPECT_EQ(Translator.TranslateString("Exit"), "Beenden");

  ASSERT_TRUE(os::WriteFileReplacing(folder + "empty.lng", ""));
  Engine->LoadFromFile(folder + "empty.lng");
  EXPECT_TRUE(Engine->Strings().empty());

  EXPECT_THROW(Engine->LoadFromFile(folder + "missing.lng"), EInOutError);
  EXPECT_THROW(Engine->SaveToFile(folder + "no such folder" + testpaths::Sep + "x.lng"), EInOutError);
}

// A translator's editor may save Windows-1252: such lines are converted, UTF-8 lines stay, and
// the error list hears of it once.
TEST_F(TranslateEngine, LinesThatAreNotUtf8AreReadAsWindows1252) {
  const std::string folder = FreshFolder("translate_1252");
  const struct {
    const char* Read;
    const char* Shown;
  } lines[] = {
      {"L\xF6schen", "L\xC3\xB6schen"},                           // Löschen
      {"\x84Zitat\x93 \x80", "\xE2\x80\x9EZitat\xE2\x80\x9C \xE2\x82\xAC"},  // „Zitat“ €
      {"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80", "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80"},  // UTF-8 stays
  };
  std::string file;
  TStringList shown;
  for (const auto& line : lines) {
    file += std::string("1=") + line.Read + "\r\n";
    shown.push_back(std::string("1=") + line.Shown);
  }
  std::vector<std::string> warnings;
  Engine->OnWarning = [&](const std::string& message) { warnings.push_back(message); };
  ASSERT_TRUE(os::WriteFileReplacing(folder + "mixed.lng", file));
  Engine->LoadFromFile(folder + "mixed.lng");
  EXPECT_EQ(Engine->Strings(), shown);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(folder + "mixed.lng"), std::string::npos) << warnings[0];

  ASSERT_TRUE(os::WriteFileReplacing(folder + "utf8.lng", std::string("1=") + lines[2].Read));
  Engine->LoadFromFile(folder + "utf8.lng");
  EXPECT_EQ(warnings.size(), 1u);
}

// --- Formatting -------------------------------------------------------------------------------

TEST(TranslateFormat, FormatsStringsIntegersAndPercentSigns) {
  EXPECT_EQ(FormatText("Searching %s...", {"Desktop"}), "Searching Desktop...");
  EXPECT_EQ(FormatText("%d of %d: 100%%", {3, 12u}), "3 of 12: 100%");
  EXPECT_EQ(FormatText("%s=%d", {std::string("x"), int64_t{-5}}), "x=-5");
  EXPECT_EQ(FormatText("no arguments", {}), "no arguments");
  // An argument's own percent signs are not read as a format.
  EXPECT_EQ(FormatText("%s", {"%d%s"}), "%d%s");
}

TEST(TranslateFormat, MismatchesAreRejected) {
  std::string result = "untouched";
  EXPECT_FALSE(TryFormatText("%s %s", {"one"}, result));          // too few arguments
  EXPECT_FALSE(TryFormatText("%s", {"one", "two"}, result));      // too many
  EXPECT_FALSE(TryFormatText("%d", {"text"}, result));            // kind
  EXPECT_FALSE(TryFormatText("%s", {7}, result));                 // kind
  EXPECT_FALSE(TryFormatText("%x %n %5s %.3d", {1}, result));     // unknown specifiers
  EXPECT_FALSE(TryFormatText("100%", {}, result));                // a percent sign at the end
  EXPECT_EQ(result, "untouched");
  EXPECT_THROW(FormatText("%p", {}), EConvertError);
}

TEST_F(TranslateEngine, TranslatedFormatsFallBackToEnglish) {
  Translator.SetIsGlobal(true);
  Engine->SetStrings({Key("Searching %s...") + "=Suche in %s...", Key("%d hits") + "=%s Treffer",
                      Key("Copy %s to %s") + "=Kopiere %s", Key("Done: %d") + "=Fertig %n"});
  EXPECT_EQ(TranslateFormat("Searching %s...", {"Desktop"}), "Suche in Desktop...");
  EXPECT_EQ(TranslateFormat("%d hits", {4}), "4 hits");
  EXPECT_EQ(TranslateFormat("Copy %s to %s", {"a", "b"}), "Copy a to b");
  EXPECT_EQ(TranslateFormat("Done: %d", {1}), "Done: 1");
  EXPECT_EQ(TranslateFormat("New %s", {"x"}), "New x");  // learned
  EXPECT_EQ(CountKeys(Engine->Strings())[Key("New %s")], 1);
  EXPECT_THROW(TranslateFormat("Broken %s", {}), EConvertError);
  Translator.SetIsGlobal(false);
}

// --- Components and the registry --------------------------------------------------------------

namespace {

class TTestComponent : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TTestComponent"; }
  std::string Caption;
};
class TTestButton : public TTestComponent {
 public:
  using TTestComponent::TTestComponent;
};
class TTestBitBtn : public TTestButton {
 public:
  using TTestButton::TTestButton;
};
class TTestEdit : public TTestComponent {
 public:
  using TTestComponent::TTestComponent;
};
class TTestSpecial : public TTestEdit {
 public:
  using TTestEdit::TTestEdit;
};
class TTestPanel : public TTestComponent {
 public:
  using TTestComponent::TTestComponent;
};

std::vector<std::string>& Visits() {
  static std::vector<std::string> visits;
  return visits;
}

// Registered once for the whole test program: the registry lives as long as the process.
void RegisterTestTranslators() {
  static const bool registered = [] {
    TqmTranslate::RegisterTranslator<TTestButton>([](TqmTranslate& translator, TTestButton& button) {
      Visits().push_back("button:" + button.Name);
      button.Caption = translator.TranslateString(button.Caption);
    });
    TqmTranslate::RegisterTranslator<TTestBitBtn>(
        [](TqmTranslate&, TTestBitBtn& button) { Visits().push_back("bitbtn:" + button.Name); });
    // A descendant registered before its base class keeps its own procedure.
    TqmTranslate::RegisterTranslator<TTestSpecial>(
        [](TqmTranslate&, TTestSpecial& edit) { Visits().push_back("special:" + edit.Name); });
    TqmTranslate::RegisterTranslator<TTestEdit>(
        [](TqmTranslate&, TTestEdit& edit) { Visits().push_back("edit:" + edit.Name); });
    return true;
  }();
  (void)registered;
}

template <class T>
T* Make(TComponent* owner, const std::string& name) {
  T* component = new T(owner);
  component->Name = name;
  return component;
}

}  // namespace

TEST_F(TranslateEngine, RegistryFirstMatchingClassWins) {
  RegisterTestTranslators();
  Visits().clear();
  Engine->SetStrings({Key("OK") + "=Gut"});
  TTestComponent form(nullptr);
  Make<TTestButton>(&form, "btnOk")->Caption = "OK";
  Make<TTestBitBtn>(&form, "btnBit")->Caption = "OK";
  Make<TTestSpecial>(&form, "eSpecial");
  Make<TTestEdit>(&form, "eName");
  Make<TTestPanel>(&form, "pnlMain");  // of no registered class
  for (TComponent* component : form.Components()) Translator.TranslateComponent(*component);
  EXPECT_EQ(Visits(), (std::vector<std::string>{"button:btnOk", "button:btnBit", "special:eSpecial", "edit:eName"}));
  EXPECT_EQ(static_cast<TTestButton*>(form.Components()[1])->Caption, "Gut");
}

TEST_F(TranslateEngine, TranslateComponentsVisitsOneLevelInOrder) {
  RegisterTestTranslators();
  TTestButton form(nullptr);
  form.Name = "form";
  TTestButton* first = Make<TTestButton>(&form, "first");
  Make<TTestButton>(first, "grandchild");
  Make<TTestEdit>(&form, "second");
  Make<TTestBitBtn>(&form, "third");

  Visits().clear();
  Translator.SetState(tsDefault);
  Translator.TranslateComponents(form);
  EXPECT_TRUE(Visits().empty());

  Translator.SetState(tsTranslate);
  Translator.TranslateComponents(form);
  EXPECT_EQ(Visits(), (std::vector<std::string>{"button:form", "button:first", "edit:second", "button:third"}));

  // The unit routines go to the global translator, and do nothing without one.
  Visits().clear();
  TranslateComponents(form);
  TranslateComponent(form);
  EXPECT_TRUE(Visits().empty());
  Translator.SetIsGlobal(true);
  TranslateComponent(*first);
  EXPECT_EQ(Visits(), std::vector<std::string>{"button:first"});
  Translator.SetIsGlobal(false);
}

// --- Lifetimes and the global translator ------------------------------------------------------

TEST(TranslateGlobal, DestroyingTheEngineClearsTheTranslatorsReference) {
  TqmTranslate first(nullptr), second(nullptr);
  auto* engine = new TqmTranslateEngineStrings(nullptr);
  first.SetTranslateEngine(engine);
  second.SetTranslateEngine(engine);
  delete engine;
  EXPECT_EQ(first.TranslateEngine(), nullptr);
  EXPECT_EQ(second.TranslateEngine(), nullptr);

  // A translator that let go of its engine is not touched when the engine goes.
  TqmTranslateEngineStrings other(nullptr);
  {
    TqmTranslate shortLived(nullptr);
    shortLived.SetTranslateEngine(&other);
    first.SetTranslateEngine(&other);
    first.SetTranslateEngine(nullptr);
  }
  // An owned engine outlives the translator's own part and must not call back into it.
  auto* owner = new TqmTranslate(nullptr);
  owner->SetTranslateEngine(new TqmTranslateEngineStrings(owner));
  delete owner;
}

TEST(TranslateGlobal, IsGlobalSetClearAndDestroy) {
  EXPECT_EQ(GlobalTranslate(), nullptr);
  EXPECT_EQ(TranslateText(">Errors"), "Errors");
  EXPECT_EQ(TranslateText("Options"), "Options");

  auto* first = new TqmTranslate(nullptr);
  TqmTranslateEngineStrings engine(nullptr);
  engine.SetStrings({Key("Options") + "=Optionen"});
  first->SetTranslateEngine(&engine);
  first->SetState(tsTranslate);
  first->SetIsGlobal(true);
  EXPECT_TRUE(first->IsGlobal());
  EXPECT_EQ(GlobalTranslate(), first);
  EXPECT_EQ(TranslateText("Options"), "Optionen");
  first->SetIsGlobal(false);
  EXPECT_EQ(GlobalTranslate(), nullptr);
  EXPECT_EQ(TranslateText("Options"), "Options");

  // The translator made global last is the global one; the earlier one cannot clear it.
  TqmTranslate second(nullptr);
  first->SetIsGlobal(true);
  second.SetIsGlobal(true);
  EXPECT_FALSE(first->IsGlobal());
  first->SetIsGlobal(false);
  EXPECT_EQ(GlobalTranslate(), &second);
  first->SetIsGlobal(true);
  second.SetIsGlobal(true);
  delete first;
  EXPECT_EQ(GlobalTranslate(), &second);

  auto* third = new TqmTranslate(nullptr);
  third->SetIsGlobal(true);
  delete third;
  EXPECT_EQ(GlobalTranslate(), nullptr);
}
