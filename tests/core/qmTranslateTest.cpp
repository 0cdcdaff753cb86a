#include "core/qmTranslate.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/SZCRC32.h"
#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::WriteText;

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

  // Answers every question of the input box with Answer(text); remembers the questions.
  void AnswerWith(std::function<std::string(const std::string&)> answer) {
    Engine->SetTranslateOnTheFly(true);
    Engine->InputQuery = [this, answer](const std::string& caption, const std::string& prompt, std::string& value) {
      EXPECT_EQ(caption + "|" + prompt, "Translate|Translate this:");
      Asked.push_back(value);
      value = answer(value);
      return value != "cancel";
    };
  }

  TqmTranslate Translator;
  TqmTranslateEngineStrings* Engine;  // owned by the translator
  std::vector<std::string> Asked;
};

}  // namespace

// The keys of every language file hang on this checksum.
TEST(TranslateCrc32, KnownChecksum) { EXPECT_EQ(Crc("123456789"), 0xCBF43926u); }

// A checksum taken piece by piece equals the whole one; a length below 1 changes nothing; every
// byte counts, those above 127 too; the key is the unsigned decimal number.
TEST(TranslateCrc32, UpdateContinuesOverPiecesAndKeysAreUnsignedDecimals) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(Crc(text), 0x414FA339u);
  for (const std::ptrdiff_t split : {0, 1, 10, 42, 43}) {
    const uint32_t half = Crc32Update(text.data(), split, Crc32Seed);
    EXPECT_EQ(~Crc32Update(text.data() + split, static_cast<std::ptrdiff_t>(text.size()) - split, half), Crc(text))
        << split;
  }
  EXPECT_EQ(Crc32Update(text.data(), -5, 0x12345678u), 0x12345678u);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_NE(Crc("\xC3\xA4"), Crc("\xC3\xA5"));
  EXPECT_EQ(Key("abc"), "891568578");
  EXPECT_EQ(Key("Exit"), std::to_string(Crc("Exit")));
  EXPECT_GT(Crc("123456789"), 0x7FFFFFFFu);
  EXPECT_EQ(Key("123456789"), "3421780262");  // above 2^31: no sign
}

TEST_F(TranslateEngine, LooksTextsUpByTheirChecksumAndLearnsTheMissingOnesInTheOrderMet) {
  const std::string exit = Key("Exit");
  Engine->SetStrings({"; Deutsch", exit + "=Beenden", exit + "=Verlassen", Key("Options") + "=a=b", Key("About") + "=",
                      Key("Two") + "=1#13#102"});
  ASSERT_EQ(Crc("plumless"), Crc("buckeroo"));
  const struct {
    const char *Text, *Translated;
  } cases[] = {
      {"Exit", "Beenden"},  // the first line of a key wins
      {"Options", "a=b"},
      {"Two", "1\r\n2"},
      {"About", "About"},  // an empty value counts as missing
      {"", ""},            // never looked up, nor those marked ">"
      {">Errors", "Errors"},
      {"New", "New"},
      {"New", "New"},  // now found, not added again
      // CR LF, and a lone CR or LF too, are stored as "#13#10": no text can forge a line of its own.
      {"a\n123=forged\rb", "a\n123=forged\rb"},
      {"plumless", "plumless"},
      {"buckeroo", "plumless"},  // texts of one checksum share a line
  };
  for (const auto& c : cases) EXPECT_EQ(Translator.TranslateString(c.Text), c.Translated) << c.Text;
  EXPECT_EQ(Engine->Strings(),
            (TStringList{"; Deutsch", exit + "=Beenden", exit + "=Verlassen", Key("Options") + "=a=b",
                         Key("About") + "=About", Key("Two") + "=1#13#102", Key("New") + "=New",
                         Key("a\n123=forged\rb") + "=a#13#10123=forged#13#10b", Key("plumless") + "=plumless"}));
}

// NewStrings stays down while every text is found and goes up for good with the first line
// learned; a learned CR LF is stored as one code.
TEST_F(TranslateEngine, TheFirstLearnedTextRaisesNewStringsForGoodAndLineBreaksAreStoredAsCodes) {
  const std::string file = FreshFolder("translate_new") + "Deutsch.lng";
  WriteText(file, Key("Exit") + "=Beenden\r\n");
  Engine->LoadFromFile(file);
  EXPECT_FALSE(Engine->NewStrings());
  EXPECT_EQ(Translator.TranslateString("Exit"), "Beenden");
  EXPECT_EQ(Translator.TranslateString(">Errors"), "Errors");
  EXPECT_FALSE(Engine->NewStrings());
  EXPECT_EQ(Translator.TranslateString("First\r\nSecond"), "First\r\nSecond");
  EXPECT_TRUE(Engine->NewStrings());
  EXPECT_EQ(Translator.TranslateString("Later"), "Later");
  EXPECT_TRUE(Engine->NewStrings());
  EXPECT_EQ(Translator.TranslateString("First\r\nSecond"), "First\r\nSecond");
  EXPECT_EQ(Engine->Strings(), (TStringList{Key("Exit") + "=Beenden", Key("First\r\nSecond") + "=First#13#10Second",
                                            Key("Later") + "=Later"}));
  Engine->SaveToFile(file);
  EXPECT_TRUE(Engine->NewStrings());
  TqmTranslateEngineStrings reloaded(nullptr);
  reloaded.LoadFromFile(file);
  EXPECT_EQ(reloaded.Strings(), Engine->Strings());
  EXPECT_FALSE(reloaded.NewStrings());
}

TEST_F(TranslateEngine, NothingIsLookedUpInTheDefaultStateAndTranslatingNeedsAnEngine) {
  Translator.SetState(tsDefault);
  EXPECT_EQ(Translator.TranslateString("Unknown"), "Unknown");
  EXPECT_TRUE(Engine->Strings().empty());
  Translator.SetState(tsTranslate);
  Translator.SetTranslateEngine(nullptr);
  EXPECT_THROW(Translator.TranslateString("Exit"), Exception);
  EXPECT_EQ(Translator.TranslateString(">Errors"), "Errors");  // needs no engine
}

// An answer of no text removes the line; a cancelled box leaves the English text.
TEST_F(TranslateEngine, OnTheFlyAsksOnceAndNotForTheInputBoxsOwnTexts) {
  Engine->SetStrings({Key("Close") + "="});
  AnswerWith([this](const std::string& text) {
    // The box translates its buttons while it is open.
    EXPECT_EQ(Translator.TranslateString("Cancel"), "Cancel");
    return text == "Close" ? "" : text == "Cancel me" ? "cancel" : "Ja#" + text;
  });
  EXPECT_EQ(Translator.TranslateString("No"), "Ja#No");
  EXPECT_EQ(Translator.TranslateString("No"), "Ja#No");
  EXPECT_EQ(Translator.TranslateString("Cancel me"), "Cancel me");
  EXPECT_EQ(Translator.TranslateString("Close"), "");
  EXPECT_EQ(Asked, (std::vector<std::string>{"No", "Cancel me", "Close"}));
  EXPECT_EQ(Engine->Strings(),
            (TStringList{Key("Cancel") + "=Cancel", Key("No") + "=Ja#No", Key("Cancel me") + "=Cancel me"}));
}

// The GUI thread asks for its texts while the worker learns its own unchanged, without asking:
// every text gets one line.
TEST_F(TranslateEngine, TwoThreadsLearnAtOnceAndEachTextOnceAndOnlyTheGuiThreadAsks) {
  constexpr int Count = 200;
  AnswerWith([](const std::string& text) { return text; });
  auto learn = [this](const std::string& own) {
    for (int i = 0; i < Count; ++i) {
      Translator.TranslateString(own + std::to_string(i));
      Translator.TranslateString("shared " + std::to_string(i));
    }
  };
  std::thread worker(learn, "worker ");
  learn("gui ");
  worker.join();
  EXPECT_EQ(Engine->Strings().size(), 3u * Count);
  std::map<std::string, int> counts = CountKeys(Engine->Strings());
  for (int i = 0; i < Count; ++i) EXPECT_EQ(counts[Key("shared " + std::to_string(i))], 1) << i;
  for (const std::string& asked : Asked) ASSERT_FALSE(asked.starts_with("worker ")) << asked;
}

TEST_F(TranslateEngine, LanguageFileRoundTripWithCrLf) {
  const std::string folder = FreshFolder("translate_files");
  const std::string file = folder + "Deutsch.lng";
  // Any line end reads; an editor's byte order mark is not part of the first key; blank lines stay.
  WriteText(file, "\xEF\xBB\xBF; Deutsch\r\n" + Key("Exit") + "=Beenden\n\nno key here\r");
  Engine->LoadFromFile(file);
  EXPECT_EQ(Translator.TranslateString("Exit"), "Beenden");
  EXPECT_EQ(Translator.TranslateString("Tray icon"), "Tray icon");
  Engine->SaveToFile(file);
  EXPECT_EQ(ReadText(file),
            "; Deutsch\r\n" + Key("Exit") + "=Beenden\r\n\r\nno key here\r\n" + Key("Tray icon") + "=Tray icon\r\n");
  EXPECT_THROW(Engine->LoadFromFile(folder + "missing.lng"), EInOutError);
  EXPECT_THROW(Engine->SaveToFile(folder + "no such folder" + testpaths::Sep + "x.lng"), EInOutError);
}

// A translator's editor may save Windows-1252 or UTF-16. The choice between UTF-8 and
// Windows-1252 is made once for the whole file, and the error list hears of a conversion.
TEST_F(TranslateEngine, LanguageFilesAreUtf8Windows1252OrUtf16) {
  const std::string file = FreshFolder("translate_1252") + "file.lng";
  const auto utf16 = [](const std::u16string& text, bool bigEndian) {  // with its byte order mark
    std::string bytes;
    for (const char16_t c : u"\uFEFF" + text)
      bytes += bigEndian ? std::string{char(c >> 8), char(c)} : std::string{char(c), char(c >> 8)};
    return bytes;
  };
  std::vector<std::string> warnings;
  Engine->OnWarning = [&](const std::string& message) { warnings.push_back(message); };
  const std::tuple<std::string, TStringList, bool> cases[] = {
      // bytes, lines, warned
      {"1=Grüße 😀\r\n", {"1=Grüße 😀"}, false},
      {"1=L\xF6schen\r\n2=\x84Zitat\x93 \x80\r\n3=\xC3\xA9", {"1=Löschen", "2=„Zitat“ €", "3=Ã©"}, true},
      {utf16(u"1=Grüße 😀\r\n2=x", false), {"1=Grüße 😀", "2=x"}, false},
      {utf16(u"1=Grüße 😀", true), {"1=Grüße 😀"}, false}};
  for (const auto& [bytes, lines, warned] : cases) {
    warnings.clear();
    WriteText(file, bytes);
    Engine->LoadFromFile(file);
    EXPECT_EQ(Engine->Strings(), lines);
    EXPECT_EQ(warnings.size(), warned ? 1u : 0u);
    for (const std::string& warning : warnings) EXPECT_NE(warning.find(file), std::string::npos);
  }
}

TEST(TranslateFormat, FormatsStringsIntegersAndPercentSignsAndRejectsMismatches) {
  EXPECT_EQ(FormatText("%d of %d: 100%%", {3, 12u}), "3 of 12: 100%");
  EXPECT_EQ(FormatText("%s=%d", {std::string("x"), int64_t{-5}}), "x=-5");
  EXPECT_EQ(FormatText("%s", {"%d%s"}), "%d%s");  // an argument's own percent signs are not read
  std::string result = "untouched";
  EXPECT_FALSE(TryFormatText("%s %s", {"one"}, result));
  EXPECT_FALSE(TryFormatText("%s", {"one", "two"}, result));
  EXPECT_FALSE(TryFormatText("%d", {"text"}, result));
  EXPECT_FALSE(TryFormatText("%s", {7}, result));
  EXPECT_FALSE(TryFormatText("%x %n %5s %.3d", {1}, result));
  EXPECT_FALSE(TryFormatText("100%", {}, result));
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
  EXPECT_THROW(TranslateFormat("Broken %s", {}), EConvertError);
  Translator.SetIsGlobal(false);
}

namespace {

struct TTestButton : TComponent {
  using TComponent::TComponent;
  const char* ClassName() const override { return "TTestButton"; }
  std::string Caption;
};
struct TTestBitBtn : TTestButton {
  using TTestButton::TTestButton;
};
struct TTestPanel : TComponent {
  using TComponent::TComponent;
  const char* ClassName() const override { return "TTestPanel"; }
};

std::vector<std::string> Visits;

// Registered once for the whole test program: the registry lives as long as the process. The
// descendant comes second, so the base class's procedure is the first that matches it.
void RegisterTestTranslators() {
  static const bool registered = [] {
    TqmTranslate::RegisterTranslator<TTestButton>([](TqmTranslate& translator, TTestButton& button) {
      Visits.push_back("button:" + button.Name);
      button.Caption = translator.TranslateString(button.Caption);
    });
    TqmTranslate::RegisterTranslator<TTestBitBtn>(
        [](TqmTranslate&, TTestBitBtn& button) { Visits.push_back("bitbtn:" + button.Name); });
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

TEST_F(TranslateEngine, TheFirstMatchingClassTranslatesTheComponentAndItsOwnComponentsOneLevelDeep) {
  RegisterTestTranslators();
  Engine->SetStrings({Key("OK") + "=Gut"});
  TTestButton form(nullptr);
  form.Name = "form";
  TTestButton* ok = Make<TTestButton>(&form, "btnOk");
  ok->Caption = "OK";
  Make<TTestButton>(ok, "grandchild");
  Make<TTestBitBtn>(&form, "btnBit");
  Make<TTestPanel>(&form, "pnlMain");  // of no registered class
  Visits.clear();
  Translator.SetState(tsDefault);
  Translator.TranslateComponents(form);
  EXPECT_TRUE(Visits.empty());
  Translator.SetState(tsTranslate);
  Translator.TranslateComponents(form);
  EXPECT_EQ(Visits, (std::vector<std::string>{"button:form", "button:btnOk", "button:btnBit"}));
  EXPECT_EQ(ok->Caption, "Gut");

  // The unit routines go to the global translator, and do nothing without one.
  Visits.clear();
  TranslateComponents(form);
  EXPECT_TRUE(Visits.empty());
  Translator.SetIsGlobal(true);
  TranslateComponent(*ok);
  EXPECT_EQ(Visits, std::vector<std::string>{"button:btnOk"});
  Translator.SetIsGlobal(false);
}

TEST(TranslateGlobal, DestroyingTheEngineClearsTheTranslatorsReference) {
  TqmTranslate first(nullptr), second(nullptr);
  auto* engine = new TqmTranslateEngineStrings(nullptr);
  first.SetTranslateEngine(engine);
  second.SetTranslateEngine(engine);
  delete engine;
  EXPECT_EQ(first.TranslateEngine(), nullptr);
  EXPECT_EQ(second.TranslateEngine(), nullptr);

  // A translator that goes first is not touched when the engine goes.
  TqmTranslateEngineStrings other(nullptr);
  {
    TqmTranslate shortLived(nullptr);
    shortLived.SetTranslateEngine(&other);
  }
  // An owned engine outlives the translator's own part and must not call back into it.
  auto* owner = new TqmTranslate(nullptr);
  owner->SetTranslateEngine(new TqmTranslateEngineStrings(owner));
  delete owner;
}

// The translator made global last is the global one: an earlier one can neither clear it nor,
// when it goes, leave it dangling.
TEST(TranslateGlobal, IsGlobalSetClearAndDestroy) {
  EXPECT_EQ(TranslateText("Options"), "Options");  // without a global translator
  auto* first = new TqmTranslate(nullptr);
  TqmTranslate second(nullptr);
  first->SetIsGlobal(true);
  second.SetIsGlobal(true);
  EXPECT_FALSE(first->IsGlobal());
  first->SetIsGlobal(false);
  delete first;
  EXPECT_TRUE(second.IsGlobal());
  auto* third = new TqmTranslate(nullptr);
  third->SetIsGlobal(true);
  delete third;
  EXPECT_EQ(GlobalTranslate(), nullptr);
}
