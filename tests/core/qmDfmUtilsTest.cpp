#include "core/qmDfmUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A small component with one property of every kind the component text knows.

enum class TTestKind { tkNone, tkSome, tkAll };
constexpr std::array<const char*, 3> TestKindNames = {"tkNone", "tkSome", "tkAll"};

class TTestData : public TPersistent {
 public:
  std::string DisplayName;
  int32_t Size = 0;
  TStringList Tags;

  void describe(TPropertyVisitor& visitor) override {
    visitor.String("DisplayName", DisplayName);
    visitor.Integer("Size", Size);
    visitor.Strings("Tags", Tags);
  }
};

class TTestItem : public TCollectionItem {
 public:
  std::string Word;
  bool Active = false;
  int32_t Rank = 0;
  TTestData Data;
  TOwnedCollection<TTestItem> Children;

  void describe(TPropertyVisitor& visitor) override {
    visitor.String("Word", Word);
    visitor.Boolean("Active", Active);
    visitor.Integer("Rank", Rank);
    visitor.Object("Data", Data);
    visitor.Collection("Children", Children);
  }
};

class TTestComponent : public TComponent {
 public:
  explicit TTestComponent(TComponent* owner = nullptr) : TComponent(owner) {
    TTestItem& first = Items.Add();
    first.Word = "first";
    first.Active = true;
    first.Rank = 1;
    first.Data.DisplayName = "First";
  }
  const char* ClassName() const override { return "TTestComponent"; }

  int32_t Count = 7;
  bool Enabled = true;
  std::string Caption = "Hello";
  TTestKind Kind = TTestKind::tkSome;
  unsigned Kinds = 1u << 1;  // [tkSome]
  int32_t Percent = 50;
  TStringList Lines = {"one", "two"};
  TOwnedCollection<TTestItem> Items;
  TOwnedCollection<TTestItem> Extras;

  void describe(TPropertyVisitor& visitor) override {
    visitor.Integer("Count", Count);
    visitor.Boolean("Enabled", Enabled);
    visitor.String("Caption", Caption);
    visitor.Enumeration("Kind", Kind, TestKindNames);
    visitor.Set("Kinds", Kinds, TestKindNames);
    visitor.Integer("Percent", Percent, [this](int32_t value) {
      if (value < 0 || value > 100) throw EConvertError("Percent must lie between 0 and 100");
      Percent = value;
    });
    visitor.Strings("Lines", Lines);
    visitor.Collection("Items", Items);
    visitor.Collection("Extras", Extras);
  }
  void Loaded() override { ++LoadedCount; }
  int LoadedCount = 0;
};

std::string Crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Lf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Reads Text into a fresh component, collecting the error messages.
struct TReadResult {
  std::unique_ptr<TTestComponent> Component = std::make_unique<TTestComponent>();
  std::vector<std::string> Errors;
};

TReadResult Read(const std::string& text) {
  TReadResult result;
  TextToComponent(*result.Component, text, [&result](const std::string& message) { result.Errors.push_back(message); });
  return result;
}

std::vector<std::string> CaptionLines(const std::string& caption) {
  TTestComponent component;
  component.Caption = caption;
  TStringList lines;
  ComponentToDfmText(component, lines);
  // The lines from Caption's entry up to Kind's.
  std::vector<std::string> result;
  bool inside = false;
  for (const std::string& line : lines) {
    if (line.starts_with("  Caption")) inside = true;
    if (line.starts_with("  Kind")) break;
    if (inside) result.push_back(line);
  }
  return result;
}

// A component with something in every property, strings that need every kind of escape and
// nested items, objects and lists.
void Populate(TTestComponent& c) {
  c.Name = "Sample";
  c.Count = -2147483647 - 1;
  c.Enabled = false;
  c.Caption = std::string("quote ' CR LF \r\n tab \t NUL ") + '\0' + " umlaut \xC3\xA4 end";
  c.Kind = TTestKind::tkAll;
  c.Kinds = 0b101;
  c.Percent = 100;
  c.Lines = {"", "it's", std::string(150, 'x'), "line\r\nbreak", "\xE2\x82\xAC euro"};
  c.Items.Clear();
  for (int i = 0; i < 3; ++i) {
    TTestItem& item = c.Items.Add();
    item.Word = "word" + std::to_string(i);
    item.Active = i % 2 == 0;
    item.Rank = i * 1000;
    item.Data.DisplayName = std::string(70 + i, 'd');
    item.Data.Size = -i;
    item.Data.Tags = {"tag", "'"};
    TTestItem& child = item.Children.Add();
    child.Word = "child";
    child.Children.Add().Word = "grandchild";
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(DfmWriterTest, WritesTheExactTextOfASmallComponent) {
  TTestComponent component;
  component.Name = "Settings1";
  TTestItem& second = component.Items.Add();
  second.Word = "second";
  second.Data.Tags = {"a"};
  second.Children.Add().Rank = -3;

  EXPECT_EQ(ComponentToText(component), Crlf({
                                            "object Settings1: TTestComponent",
                                            "  Count = 7",
                                            "  Enabled = True",
                                            "  Caption = 'Hello'",
                                            "  Kind = tkSome",
                                            "  Kinds = [tkSome]",
                                            "  Percent = 50",
                                            "  Lines.Strings = (",
                                            "    'one'",
                                            "    'two')",
                                            "  Items = <",
                                            "    item",
                                            "      Word = 'first'",
                                            "      Active = True",
                                            "      Rank = 1",
                                            "      Data.DisplayName = 'First'",
                                            "      Data.Size = 0",
                                            "      Data.Tags.Strings = ()",
                                            "      Children = <>",
                                            "    end",
                                            "    item",
                                            "      Word = 'second'",
                                            "      Active = False",
                                            "      Rank = 0",
                                            "      Data.DisplayName = ''",
                                            "      Data.Size = 0",
                                            "      Data.Tags.Strings = (",
                                            "        'a')",
                                            "      Children = <",
                                            "        item",
                                            "          Word = ''",
                                            "          Active = False",
                                            "          Rank = -3",
                                            "          Data.DisplayName = ''",
                                            "          Data.Size = 0",
                                            "          Data.Tags.Strings = ()",
                                            "          Children = <>",
                                            "        end>",
                                            "    end>",
                                            "  Extras = <>",
                                            "end",
                                        }));
}

TEST(DfmWriterTest, StringListGetsLinesWithoutLineEndsAndAnUnnamedHeader) {
  TTestComponent component;
  TStringList lines = {"old content"};
  EXPECT_TRUE(ComponentToDfmText(component, lines));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "object TTestComponent");
  EXPECT_EQ(lines[1], "  Count = 7");
  EXPECT_EQ(lines.back(), "end");
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
}

TEST(DfmWriterTest, EscapesControlCharactersAndQuotesAsCharacterCodes) {
  EXPECT_EQ(CaptionLines("a\r\nb"), std::vector<std::string>{"  Caption = 'a'#13#10'b'"});
  EXPECT_EQ(CaptionLines("it's"), std::vector<std::string>{"  Caption = 'it'#39's'"});
  EXPECT_EQ(CaptionLines("'"), std::vector<std::string>{"  Caption = #39"});
  EXPECT_EQ(CaptionLines(std::string("\t\0x", 3)), std::vector<std::string>{"  Caption = #9#0'x'"});
  EXPECT_EQ(CaptionLines(""), std::vector<std::string>{"  Caption = ''"});
  // Characters above 127 stand as they are.
  EXPECT_EQ(CaptionLines("gr\xC3\xBC\xC3\x9F"), std::vector<std::string>{"  Caption = 'gr\xC3\xBC\xC3\x9F'"});
}

TEST(DfmWriterTest, LongStringStartsOnItsOwnLineInPiecesOf64Characters) {
  const std::string s = std::string(64, 'a') + std::string(64, 'b') + std::string(22, 'c');
  EXPECT_EQ(CaptionLines(s), (std::vector<std::string>{
                                 "  Caption = ",
                                 "    '" + std::string(64, 'a') + "' +",
                                 "    '" + std::string(64, 'b') + "' +",
                                 "    '" + std::string(22, 'c') + "'",
                             }));
  // Exactly 64 characters still fit the property's line.
  EXPECT_EQ(CaptionLines(std::string(64, 'a')), std::vector<std::string>{"  Caption = '" + std::string(64, 'a') + "'"});
  // Character codes belong to the piece their character falls in.
  const std::string withBreak = std::string(63, 'a') + "\r\n" + "b";
  EXPECT_EQ(CaptionLines(withBreak), (std::vector<std::string>{
                                         "  Caption = ",
                                         "    '" + std::string(63, 'a') + "'#13 +",
                                         "    #10'b'",
                                     }));
}

TEST(DfmWriterTest, LongStringIsNotCutInsideAUtf8Sequence) {
  const std::string euro = "\xE2\x82\xAC";
  const std::string s = std::string(62, 'a') + euro + "z";
  EXPECT_EQ(CaptionLines(s), (std::vector<std::string>{
                                 "  Caption = ",
                                 "    '" + std::string(62, 'a') + "' +",
                                 "    '" + euro + "z'",
                             }));
}

TEST(DfmWriterTest, LongStringInAListIsContinuedOnTheFollowingLines) {
  TTestComponent component;
  component.Lines = {std::string(100, 'x'), "y"};
  TStringList lines;
  ComponentToDfmText(component, lines);
  const auto start = std::find(lines.begin(), lines.end(), "  Lines.Strings = (");
  ASSERT_NE(start, lines.end());
  EXPECT_EQ(*(start + 1), "    '" + std::string(64, 'x') + "' +");
  EXPECT_EQ(*(start + 2), "    '" + std::string(36, 'x') + "'");
  EXPECT_EQ(*(start + 3), "    'y')");
}

// ---------------------------------------------------------------------------------------------
// Round trips

TEST(DfmRoundTripTest, WritingWhatWasReadGivesTheSameTextAndValues) {
  TTestComponent original;
  Populate(original);
  const std::string text = ComponentToText(original);

  TReadResult read = Read(text);
  EXPECT_TRUE(read.Errors.empty());
  const TTestComponent& copy = *read.Component;
  EXPECT_EQ(copy.Count, original.Count);
  EXPECT_EQ(copy.Enabled, original.Enabled);
  EXPECT_EQ(copy.Caption, original.Caption);
  EXPECT_EQ(copy.Kind, original.Kind);
  EXPECT_EQ(copy.Kinds, original.Kinds);
  EXPECT_EQ(copy.Percent, original.Percent);
  EXPECT_EQ(copy.Lines, original.Lines);
  ASSERT_EQ(copy.Items.Count(), 3);
  EXPECT_EQ(copy.Items.GetItem(2).Data.DisplayName, std::string(72, 'd'));
  EXPECT_EQ(copy.Items.GetItem(1).Data.Tags, (TStringList{"tag", "'"}));
  EXPECT_EQ(copy.Items.GetItem(1).Children.GetItem(0).Children.GetItem(0).Word, "grandchild");

  // The reader leaves the component's own name alone.
  read.Component->Name = original.Name;
  EXPECT_EQ(ComponentToText(*read.Component), text);
}

TEST(DfmRoundTripTest, LineListAndTextReadTheSame) {
  TTestComponent original;
  Populate(original);
  TStringList lines;
  ComponentToDfmText(original, lines);
  TTestComponent copy;
  EXPECT_TRUE(DfmTextToComponent(copy, lines));
  copy.Name = original.Name;
  EXPECT_EQ(ComponentToText(copy), ComponentToText(original));
}

// ---------------------------------------------------------------------------------------------
// What the reader accepts besides what the writer writes

TEST(DfmReaderTest, AcceptsEveryLineEnd) {
  const std::string lf = Lf({"object TTestComponent", "  Count = 1", "  Caption = 'x'", "end"});
  std::string cr = lf;
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  for (const std::string& text : {lf, cr}) {
    TReadResult read = Read(text);
    EXPECT_EQ(read.Component->Count, 1);
    EXPECT_EQ(read.Component->Caption, "x");
  }
  // Text without a final line end, and with a byte order mark.
  EXPECT_EQ(Read("\xEF\xBB\xBFobject TTestComponent\r\n Count = 2\r\nend").Component->Count, 2);
}

TEST(DfmReaderTest, JoinsStringPiecesAndCharacterCodes) {
  const auto caption = [](const std::string& value) {
    return Read("object TTestComponent\n  Caption = " + value + "\nend\n").Component->Caption;
  };
  EXPECT_EQ(caption("'a'#13#10'b'"), "a\r\nb");
  EXPECT_EQ(caption("#39"), "'");
  EXPECT_EQ(caption("#39'x'"), "'x");
  EXPECT_EQ(caption("'it''s'"), "it's");
  EXPECT_EQ(caption("''''"), "'");
  EXPECT_EQ(caption("'ab' +\n    'cd' +\r\n'ef'"), "abcdef");
  EXPECT_EQ(caption("'a'+#$41+'b'"), "aAb");
  EXPECT_EQ(caption("#0"), std::string(1, '\0'));
  // Codes above 127 are Unicode code points, stored as UTF-8.
  EXPECT_EQ(caption("#228"), "\xC3\xA4");
  EXPECT_EQ(caption("#1114111"), "\xF4\x8F\xBF\xBF");
}

TEST(DfmReaderTest, TakesPropertiesInAnyOrderIgnoringCaseAndKeepsAbsentOnes) {
  TReadResult read = Read(Lf({
      "OBJECT Anything: TSomethingElse",
      "  kind = TKALL",
      "  KINDS = [TKALL, tknone]",
      "  ENABLED = false",
      "  percent = +20",
      "  count = -$10",
      "  Count = 12",
      "END",
  }));
  EXPECT_TRUE(read.Errors.empty());
  const TTestComponent& c = *read.Component;
  EXPECT_EQ(c.Kind, TTestKind::tkAll);
  EXPECT_EQ(c.Kinds, 0b101u);
  EXPECT_FALSE(c.Enabled);
  EXPECT_EQ(c.Percent, 20);
  EXPECT_EQ(c.Count, 12);  // the later entry wins
  EXPECT_EQ(c.Caption, "Hello");
  EXPECT_EQ(c.Lines, (TStringList{"one", "two"}));
  EXPECT_EQ(c.Name, "");
}

TEST(DfmReaderTest, ReadsIntegersAtTheEdgesOfTheRange) {
  const auto count = [](const std::string& value) {
    return Read("object TTestComponent\n  Count = " + value + "\nend\n").Component->Count;
  };
  EXPECT_EQ(count("2147483647"), 2147483647);
  EXPECT_EQ(count("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(count("$7FFFFFFF"), 2147483647);
  EXPECT_EQ(count("007"), 7);
}

TEST(DfmReaderTest, EmptyListsKeepTheirContentOthersAreReplaced) {
  TReadResult keep = Read(Lf({"object TTestComponent", "  Lines.Strings = ()", "  Items = <>", "end"}));
  EXPECT_TRUE(keep.Errors.empty());
  EXPECT_EQ(keep.Component->Lines, (TStringList{"one", "two"}));
  ASSERT_EQ(keep.Component->Items.Count(), 1);
  EXPECT_EQ(keep.Component->Items.GetItem(0).Word, "first");

  TReadResult replace = Read(Lf({
      "object TTestComponent",
      "  Lines.Strings = ('a' 'b' + 'c'",
      "    '')",
      "  Items = <",
      "    item",
      "    end",
      "    item Rank = 5 Data.DisplayName = 'shown' Data.Tags.Strings = ('t') end>",
      "end",
  }));
  EXPECT_TRUE(replace.Errors.empty());
  EXPECT_EQ(replace.Component->Lines, (TStringList{"a", "bc", ""}));
  ASSERT_EQ(replace.Component->Items.Count(), 2);
  EXPECT_EQ(replace.Component->Items.GetItem(0).Word, "");  // a fresh item with its defaults
  EXPECT_EQ(replace.Component->Items.GetItem(1).Rank, 5);
  EXPECT_EQ(replace.Component->Items.GetItem(1).Data.DisplayName, "shown");
  EXPECT_EQ(replace.Component->Items.GetItem(1).Data.Tags, TStringList{"t"});
}

// ---------------------------------------------------------------------------------------------
// Properties that cannot be applied are skipped

TEST(DfmReaderTest, SkipsAPropertyThatCannotBeAppliedAndReadsTheRest) {
  struct TCase {
    std::string Line;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"Vanished = 5", "Line 2: Property Vanished does not exist"},
      {"Data.DisplayName = 'x'", "Line 2: Property Data.DisplayName does not exist"},
      {"Caption.Length = 1", "Line 2: Property Caption.Length does not exist"},
      {"Lines.Items = ('x')", "Line 2: Property Lines.Items does not exist"},
      {"Count = 'seven'", "Line 2: Invalid value for property Count"},
      {"Count = 1.5", "Line 2: Invalid value for property Count"},
      {"Count = True", "Line 2: Invalid value for property Count"},
      {"Count = 2147483648", "Line 2: Integer out of range for property Count"},
      {"Count = -2147483649", "Line 2: Integer out of range for property Count"},
      {"Count = 99999999999999999999999999", "Line 2: Integer out of range for property Count"},
      {"Count = $100000000", "Line 2: Integer out of range for property Count"},
      {"Enabled = Yes", "Line 2: Invalid value for property Enabled"},
      {"Caption = 12", "Line 2: Invalid value for property Caption"},
      {"Caption = 'a'#1114112", "Line 2: Invalid character code in property Caption"},
      {"Caption = #55296", "Line 2: Invalid character code in property Caption"},
      {"Kind = tkMost", "Line 2: Invalid value for property Kind"},
      {"Kind = 1", "Line 2: Invalid value for property Kind"},
      {"Kinds = [tkNone, tkMost]", "Line 2: Invalid value for property Kinds"},
      {"Kinds = tkNone", "Line 2: Invalid value for property Kinds"},
      {"Lines.Strings = ('a' 5)", "Line 2: Invalid value for property Lines.Strings"},
      {"Items = ('a')", "Line 2: Invalid value for property Items"},
      {"Items = [tkNone]", "Line 2: Invalid value for property Items"},
      {"Percent = 101", "Line 2: Property Percent: Percent must lie between 0 and 100"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    TReadResult read = Read(Lf({"object TTestComponent", "  " + c.Line, "  Enabled = False", "end"}));
    EXPECT_EQ(read.Errors, std::vector<std::string>{c.Message});
    TTestComponent defaults;
    EXPECT_EQ(read.Component->Count, defaults.Count);
    EXPECT_EQ(read.Component->Caption, defaults.Caption);
    EXPECT_EQ(read.Component->Kind, defaults.Kind);
    EXPECT_EQ(read.Component->Kinds, defaults.Kinds);
    EXPECT_EQ(read.Component->Lines, defaults.Lines);
    EXPECT_EQ(read.Component->Items.Count(), 1);
    EXPECT_EQ(read.Component->Percent, 50);
    EXPECT_FALSE(read.Component->Enabled);
  }
}

TEST(DfmReaderTest, SkipsBadPropertiesInsideItemsAndWithoutAHandler) {
  const std::string text = Lf({
      "object TTestComponent",
      "  Items = <",
      "    item",
      "      Rank = 'high'",
      "      Word = 'kept'",
      "      Data.Missing = 1",
      "    end>",
      "end",
  });
  TReadResult read = Read(text);
  EXPECT_EQ(read.Errors, (std::vector<std::string>{"Line 4: Invalid value for property Rank",
                                                   "Line 6: Property Data.Missing does not exist"}));
  ASSERT_EQ(read.Component->Items.Count(), 1);
  EXPECT_EQ(read.Component->Items.GetItem(0).Word, "kept");
  EXPECT_EQ(read.Component->Items.GetItem(0).Rank, 0);

  TTestComponent silent;
  EXPECT_TRUE(DfmTextToComponent(silent, TStringList{"object TTestComponent", "  Nope = 1", "  Count = 3", "end"}));
  EXPECT_EQ(silent.Count, 3);
}

TEST(DfmReaderTest, MakesTheRegisteredClassTheTextNamesAndCallsItsLoaded) {
  RegisterClasses<TTestComponent>();
  TTestComponent owner;
  TComponent* made = DfmTextToNewComponent({"object Box: ttestcomponent", "  Count = 3", "  Kinds = []", "end"}, &owner);
  auto* box = dynamic_cast<TTestComponent*>(made);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Owner(), &owner);
  EXPECT_EQ(box->Name, "Box");
  EXPECT_EQ(box->Count, 3);
  EXPECT_EQ(box->Kinds, 0u);
  EXPECT_EQ(box->LoadedCount, 1);

  EXPECT_THROW(DfmTextToNewComponent({"object TUnknown", "end"}, &owner), EClassNotFound);
  EXPECT_THROW(DfmTextToNewComponent({"object TTestComponent"}, &owner), EParserError);
  EXPECT_EQ(owner.Components().size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Text that is not component text

TEST(DfmReaderTest, SyntaxErrorNamesTheLineAndAppliesNothing) {
  struct TCase {
    std::string Text;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"", "Line 1: 'object' expected before the end of the text"},
      {"Count = 1\nend\n", "Line 1: 'object' expected"},
      {"object TTestComponent\n  Count = 1\n  Caption 'x'\nend\n", "Line 3: '=' expected"},
      {"object TTestComponent\n  Count = 1\n  Caption = 'x\nend\n", "Line 3: Unterminated string"},
      {"object TTestComponent\n  Count = 1\n  Caption = 'x' +\nend\n", "Line 4: String expected"},
      {"object TTestComponent\n  Count = 1\n  Caption = #\nend\n", "Line 3: Character code expected"},
      {"object TTestComponent\n  Count = 1\n  Count = -\nend\n", "Line 4: Number expected"},
      {"object TTestComponent\n  Count = 1\n  Count = $\nend\n", "Line 3: Hexadecimal digit expected"},
      {"object TTestComponent\n  Count = 1\n  Caption = {00}\nend\n", "Line 3: Invalid character in text"},
      {"object TTestComponent\n  Count = 1\n  Caption = \xC3\xA4\nend\n", "Line 3: Invalid character in text"},
      {"object TTestComponent\n  Count = 1\n", "Line 3: 'end' expected before the end of the text"},
      {"object TTestComponent\n  Count = 1\nend\nend\n", "Line 4: End of text expected after 'end'"},
      {"object TTestComponent\n  Count = 1\n  object Child: TTestComponent\n  end\nend\n",
       "Line 3: Child components are not supported"},
      {"object TTestComponent\n  Count = 1\n  Items = <\n    Word = 'x'\n  >\nend\n", "Line 4: 'item' expected"},
      {"object TTestComponent\n  Count = 1\n  Items = <\n    item\n      Word = 'x'\n", "Line 6: 'end' expected before the end of the text"},
      {"object TTestComponent\n  Count = 1\n  Lines.Strings = ('a'\nend\n", "Line 5: ')' expected before the end of the text"},
      {"object TTestComponent\n  Count = 1\n  Kind = [tkNone tkAll]\nend\n", "Line 3: ']' expected"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    TTestComponent component;
    try {
      TextToComponent(component, c.Text);
      ADD_FAILURE() << "no EParserError";
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
    EXPECT_EQ(component.Count, 7);
  }
}

// ---------------------------------------------------------------------------------------------
// The binary component resource

std::string ToResource(const std::string& text) {
  std::stringstream resource, source(text);
  EXPECT_TRUE(TextToResource(resource, source));
  EXPECT_EQ(resource.tellg(), 0);
  EXPECT_EQ(source.tellg(), 0);
  return resource.str();
}

std::string ToText(const std::string& resource) {
  std::stringstream source(resource), text;
  EXPECT_TRUE(ResourceToText(source, text));
  EXPECT_EQ(text.tellg(), 0);
  return text.str();
}

TEST(DfmResourceTest, IsAResourceHeaderAndTheBinaryComponentStream) {
  const std::string nul(1, '\0');
  const std::string stream = "TPF0\x0E" "TTestComponent\x03" "Box\x05" "Count\x02\x07" + nul + nul;
  const std::string size = char(stream.size()) + nul + nul + nul;
  const std::string header = "\xFF\x0A" + nul + "TTESTCOMPONENT" + nul + "\x30\x10" + size;
  EXPECT_EQ(ToResource(Crlf({"object Box: TTestComponent", "  Count = 7", "end"})), header + stream);
}

TEST(DfmResourceTest, TextGoesThroughTheResourceUnchanged) {
  TTestComponent populated;
  Populate(populated);
  populated.Lines.push_back(std::string(300, 'l'));  // beyond a short string
  const std::string everyKind = Crlf({
      "object TTestComponent",
      "  Count = -2147483648",
      "  Wide = 99999999999",
      "  Mid = -1000",
      "  Kind = tkAll",
      "  Flags = [tkNone, tkAll]",
      "  Empty = []",
      "  Lines.Strings = ()",
      "  Items = <>",
      "end",
  });
  for (const std::string& text : {ComponentToText(populated), everyKind}) EXPECT_EQ(ToText(ToResource(text)), text);
}

TEST(DfmResourceTest, WhatIsNeitherRaisesParserError) {
  std::stringstream resource, text("object TTestComponent\n  Count = 1.5\nend\n");
  EXPECT_THROW(TextToResource(resource, text), EParserError);

  TTestComponent populated;
  Populate(populated);
  const std::string whole = ToResource(ComponentToText(populated));
  constexpr size_t HeaderSize = 24;  // with the name TTESTCOMPONENT
  for (size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    std::string cut = whole.substr(0, length);
    // The stream cut short behind a header that says so.
    for (size_t i = 0; length >= HeaderSize && i < 4; ++i) cut[HeaderSize - 4 + i] = char((length - HeaderSize) >> (8 * i));
    EXPECT_THROW(ToText(cut), EParserError);
  }
  std::string floating = ToResource(Crlf({"object TTestComponent", "  Count = 7", "end"}));
  floating[floating.size() - 4] = '\x05';  // a value type no text names
  EXPECT_THROW(ToText(floating), EParserError);
}

std::string NestedItems(int depth) {
  std::string text = "object TTestComponent\n  Count = 1\n";
  for (int i = 0; i < depth; ++i) text += (i == 0 ? "Items" : "Children") + std::string(" = < item Rank = ") + std::to_string(i) + "\n";
  for (int i = 0; i < depth; ++i) text += "end>\n";
  return text + "end\n";
}

TEST(DfmReaderTest, NestsCollectionsSixteenDeepAndRejectsDeeper) {
  TReadResult read = Read(NestedItems(16));
  const TTestItem* item = &read.Component->Items.GetItem(0);
  for (int level = 1; level < 16; ++level) item = &item->Children.GetItem(0);
  EXPECT_EQ(item->Rank, 15);

  for (int depth : {17, 10000}) {
    TTestComponent component;
    EXPECT_THROW(TextToComponent(component, NestedItems(depth)), EParserError);
    EXPECT_EQ(component.Count, 7);
  }
}

TEST(DfmReaderTest, TextCutAtAnyByteRaisesParserErrorOrReads) {
  TTestComponent original;
  Populate(original);
  const std::string text = ComponentToText(original);
  for (size_t length = 0; length <= text.size(); ++length) {
    TTestComponent component;
    try {
      TextToComponent(component, text.substr(0, length));
    } catch (const EParserError&) {
      EXPECT_EQ(component.Count, 7) << "cut at " << length;
    }
  }
}

}  // namespace
