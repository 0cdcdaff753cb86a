#include "core/qmDfmUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestComponent.h"

namespace {

// The lines, each ended by End.
std::string Lf(std::initializer_list<std::string> lines, const std::string& end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}
std::string Crlf(std::initializer_list<std::string> lines) { return Lf(lines, "\r\n"); }

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

// A component read from the text of one property line.
TReadResult ReadProperty(const std::string& line) { return Read(Lf({"object TTestComponent", "  " + line, "end"})); }

// The written lines from the entry of property From up to the next one at the same level.
std::vector<std::string> PropertyLines(TTestComponent& component, const std::string& from) {
  TStringList lines;
  ComponentToDfmText(component, lines);
  auto first = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with("  " + from); });
  auto last = std::find_if(first + 1, lines.end(), [](const std::string& l) { return l.size() > 2 && l[2] != ' '; });
  return {first, last};
}

TEST(DfmWriterTest, WritesTheExactTextOfASmallComponent) {
  TTestComponent component;
  component.Name = "Settings1";
  component.Count = -7;
  EXPECT_EQ(ComponentToText(component),
            "object Settings1: TTestComponent\r\n  Count = -7\r\n  Enabled = True\r\n  Caption = 'Hello'\r\n"
            "  Kind = tkSome\r\n  Kinds = [tkSome]\r\n  Percent = 50\r\n  Lines.Strings = (\r\n    'one'\r\n"
            "    'two')\r\n  Items = <\r\n    item\r\n      Word = 'first'\r\n      Active = True\r\n"
            "      Rank = 1\r\n      Data.DisplayName = 'First'\r\n      Data.Size = 0\r\n"
            "      Data.Tags.Strings = ()\r\n      Children = <>\r\n    end>\r\n  Extras = <>\r\nend\r\n");
}

TEST(DfmWriterTest, QuotesStringsWithCharacterCodesAndLongOnesInPiecesOf64Characters) {
  const std::string a64(64, 'a'), euro = "\xE2\x82\xAC";
  const struct {
    std::string Caption;
    std::vector<std::string> Lines;
  } cases[] = {
      {"a\r\nb", {"  Caption = 'a'#13#10'b'"}},
      {"it's", {"  Caption = 'it'#39's'"}},
      {std::string("\t\0x", 3), {"  Caption = #9#0'x'"}},
      {"", {"  Caption = ''"}},
      {a64, {"  Caption = '" + a64 + "'"}},
      {"gr\xC3\xBC\xC3\x9F", {"  Caption = 'gr\xC3\xBC\xC3\x9F'"}},  // above 127 as it stands
      {a64 + std::string(64, 'b') + "cc",
       {"  Caption = ", "    '" + a64 + "' +", "    '" + std::string(64, 'b') + "' +", "    'cc'"}},
      // A character code belongs to the piece its character falls in.
      {a64.substr(1) + "\r\nb", {"  Caption = ", "    '" + a64.substr(1) + "'#13 +", "    #10'b'"}},
      // A piece never ends inside a UTF-8 sequence.
      {a64.substr(2) + euro + "z", {"  Caption = ", "    '" + a64.substr(2) + "' +", "    '" + euro + "z'"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Caption);
    TTestComponent component;
    component.Caption = c.Caption;
    EXPECT_EQ(PropertyLines(component, "Caption"), c.Lines);
  }
}

TEST(DfmWriterTest, WritesBinaryDataAsHexadecimalThirtyTwoBytesALineAndNoneNotAtAll) {
  std::string hex32;
  for (int i = 0; i < 32; ++i) hex32 += "A5";
  const struct {
    std::string Picture;
    std::vector<std::string> Lines;
  } cases[] = {
      {std::string("\0\x01\xFF", 3), {"  Picture = {", "    0001FF}"}},
      {std::string(32, '\xA5'), {"  Picture = {", "    " + hex32 + "}"}},
      {std::string(32, '\xA5') + "\x0C", {"  Picture = {", "    " + hex32, "    0C}"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Lines.back());
    TTestComponent component;
    component.Picture = c.Picture;
    EXPECT_EQ(PropertyLines(component, "Picture"), c.Lines);
  }
  TTestComponent none;
  EXPECT_EQ(ComponentToText(none).find("Picture"), std::string::npos);
}

// The list gets the lines without their line ends, in place of what it held; a string of a list
// longer than 64 characters goes on over the following lines.
TEST(DfmWriterTest, ComponentToDfmTextFillsTheListLineByLine) {
  TTestComponent component;
  component.Lines = {std::string(100, 'x'), "y"};
  TStringList lines = {"old content"};
  EXPECT_TRUE(ComponentToDfmText(component, lines));
  EXPECT_EQ(lines.front(), "object TTestComponent");  // no name: no colon
  EXPECT_EQ(lines.back(), "end");
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  EXPECT_EQ(PropertyLines(component, "Lines"),
            (std::vector<std::string>{"  Lines.Strings = (", "    '" + std::string(64, 'x') + "' +",
                                      "    '" + std::string(36, 'x') + "'", "    'y')"}));
}

TEST(DfmRoundTripTest, WritingWhatWasReadGivesTheSameTextAndValues) {
  TTestComponent original;
  original.Name = "Sample";
  original.Count = -2147483647 - 1;
  original.Enabled = false;
  original.Caption = std::string("quote ' CR LF \r\n tab \t NUL ") + '\0' + " umlaut \xC3\xA4 end";
  original.Kind = TTestKind::tkAll;
  original.Kinds = 0b101;
  original.Lines = {"", "it's", std::string(150, 'x'), "line\r\nbreak", "\xE2\x82\xAC euro"};
  for (int c = 0; c < 256; ++c) original.Picture += static_cast<char>(c);
  for (int i = 0; i < 2; ++i) {
    TTestItem& item = original.Items.Add();
    item.Word = "word" + std::to_string(i);
    item.Data.Icon = std::string(1 + i, '\x7F');
    item.Data.DisplayName = std::string(70 + i, 'd');
    item.Data.Tags = {"tag", "'"};
    item.Children.Add().Children.Add().Word = "grandchild";
  }
  const std::string text = ComponentToText(original);

  TReadResult read = Read(text);
  EXPECT_TRUE(read.Errors.empty());
  EXPECT_EQ(read.Component->LoadedCount, 1);
  EXPECT_EQ(read.Component->Count, original.Count);
  EXPECT_EQ(read.Component->Caption, original.Caption);
  EXPECT_EQ(read.Component->Lines, original.Lines);
  EXPECT_EQ(read.Component->Picture, original.Picture);
  EXPECT_EQ(read.Component->Items.GetItem(2).Data.Icon, "\x7F\x7F");
  read.Component->Name = original.Name;  // the reader leaves the component's own name alone
  EXPECT_EQ(ComponentToText(*read.Component), text);
}

TEST(DfmReaderTest, ReadsEveryLineEndAndEveryNotationOfStringsAndIntegers) {
  for (const char* text : {"object TTestComponent\n  Count = 1\nend\n", "object TTestComponent\r  Count = 1\rend\r",
                           "\xEF\xBB\xBFobject TTestComponent\r\n Count = 1\r\nend"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Read(text).Component->Count, 1);
  }
  const struct {
    std::string Value, Caption;
  } strings[] = {
      {"'a'#13#10'b'", "a\r\nb"},
      {"#39'x'", "'x"},
      {"'it''s'", "it's"},
      {"'ab' +\n    'cd' +\r\n'ef'", "abcdef"},
      {"'a'+#$41+'b'", "aAb"},
      // Codes above 127 are Unicode code points, stored as UTF-8.
      {"#228", "\xC3\xA4"},
      {"#1114111", "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : strings) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(ReadProperty("Caption = " + c.Value).Component->Caption, c.Caption);
  }
  const struct {
    const char* Value;
    int32_t Count;
  } integers[] = {{"2147483647", 2147483647},
                  {"-2147483648", -2147483647 - 1},
                  {"$7FFFFFFF", 2147483647},
                  {"010", 10},  // no octal
                  {"-$10", -16},
                  {"+20", 20}};
  for (const auto& c : integers) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(ReadProperty(std::string("Count = ") + c.Value).Component->Count, c.Count);
  }
  const struct {
    std::string Value, Picture;
  } binaries[] = {
      {"{0001fF}", std::string("\0\x01\xFF", 3)},
      {"{\n    00 0\r\n1\r    FF   \n  }", std::string("\0\x01\xFF", 3)},
      {"{}", ""},
  };
  for (const auto& c : binaries) {
    SCOPED_TRACE(c.Value);
    TReadResult read = ReadProperty("Picture = " + c.Value);
    EXPECT_TRUE(read.Errors.empty());
    EXPECT_EQ(read.Component->Picture, c.Picture);
  }
  // Lines are still counted inside binary data.
  EXPECT_EQ(Read(Lf({"object TTestComponent", "  Picture = {", "    00", "    01}", "  Gone = 1", "end"})).Errors,
            std::vector<std::string>{"Line 5: Property Gone does not exist"});
}

TEST(DfmReaderTest, TakesPropertiesInAnyOrderIgnoringCaseAndKeepsAbsentOnes) {
  TReadResult read = Read(Lf({"OBJECT Anything: TSomethingElse", "  kind = TKALL", "  KINDS = [TKALL, tknone]",
                              "  ENABLED = false", "  count = 5", "  Count = 12", "END"}));
  EXPECT_TRUE(read.Errors.empty());
  const TTestComponent& c = *read.Component;
  EXPECT_EQ(c.Kind, TTestKind::tkAll);
  EXPECT_EQ(c.Kinds, 0b101u);
  EXPECT_FALSE(c.Enabled);
  EXPECT_EQ(c.Count, 12);  // the later entry wins
  EXPECT_EQ(c.Caption, "Hello");
}

TEST(DfmReaderTest, EmptyListsKeepTheirContentOthersAreReplaced) {
  TReadResult keep = Read(Lf({"object TTestComponent", "  Lines.Strings = ()", "  Items = <>", "end"}));
  EXPECT_EQ(keep.Component->Lines, (TStringList{"one", "two"}));
  EXPECT_EQ(keep.Component->Items.GetItem(0).Word, "first");

  TReadResult replace = Read(Lf({"object TTestComponent", "  Lines.Strings = ('a' 'b' + 'c'", "    '')",
                                 "  Items = < item end", "    item Rank = 5 Data.DisplayName = 'shown' end>", "end"}));
  EXPECT_TRUE(replace.Errors.empty());
  EXPECT_EQ(replace.Component->Lines, (TStringList{"a", "bc", ""}));
  ASSERT_EQ(replace.Component->Items.Count(), 2);
  EXPECT_EQ(replace.Component->Items.GetItem(0).Word, "");  // a fresh item with its defaults
  EXPECT_EQ(replace.Component->Items.GetItem(1).Rank, 5);
  EXPECT_EQ(replace.Component->Items.GetItem(1).Data.DisplayName, "shown");
}

TEST(DfmReaderTest, SkipsAPropertyThatCannotBeAppliedAndReadsTheRest) {
  const struct {
    std::string Message;  // with %s for the property named by the line
    std::vector<std::string> Lines;
  } cases[] = {
      {"Property %s does not exist",
       {"Vanished = 5", "Data.DisplayName = 'x'", "Caption.Length = 1", "Lines.Items = ('x')"}},
      {"Invalid value for property %s",
       {"Count = 'seven'", "Count = 1.5", "Count = True", "Enabled = Yes", "Caption = 12", "Kind = tkMost", "Kind = 1",
        "Kinds = [tkNone, tkMost]", "Kinds = tkNone", "Lines.Strings = ('a' 5)", "Items = ('a')", "Items = [tkNone]",
        "Caption = {41}", "Lines.Strings = ({41})", "Picture = 'A'", "Picture = 65"}},
      {"Integer out of range for property %s",
       {"Count = 2147483648", "Count = -2147483649", "Count = 99999999999999999999999999", "Count = $100000000"}},
      {"Invalid character code in property %s", {"Caption = 'a'#1114112", "Caption = #55296"}},
      {"Property %s: Percent must lie between 0 and 100", {"Percent = 101"}},
  };
  TTestComponent expected;
  expected.Enabled = false;
  for (const auto& c : cases) {
    for (const std::string& line : c.Lines) {
      SCOPED_TRACE(line);
      TReadResult read = Read(Lf({"object TTestComponent", "  " + line, "  Enabled = False", "end"}));
      std::string message = c.Message;
      message.replace(message.find("%s"), 2, line.substr(0, line.find(" = ")));
      EXPECT_EQ(read.Errors, std::vector<std::string>{"Line 2: " + message});
      EXPECT_EQ(ComponentToText(*read.Component), ComponentToText(expected));
    }
  }
}

TEST(DfmReaderTest, SkipsBadPropertiesInsideItems) {
  TReadResult read = Read(Lf({"object TTestComponent", "  Items = <", "    item", "      Rank = 'high'",
                              "      Word = 'kept'", "      Data.Missing = 1", "    end>", "end"}));
  EXPECT_EQ(read.Errors, (std::vector<std::string>{"Line 4: Invalid value for property Rank",
                                                   "Line 6: Property Data.Missing does not exist"}));
  EXPECT_EQ(read.Component->Items.GetItem(0).Word, "kept");
  EXPECT_EQ(read.Component->Items.GetItem(0).Rank, 0);
}

TEST(DfmReaderTest, SyntaxErrorNamesTheLineAndAppliesNothing) {
  const std::string start = "object TTestComponent\n  Count = 1\n";
  const struct {
    std::string Text, Message;
  } cases[] = {
      {"", "Line 1: 'object' expected before the end of the text"},
      {"Count = 1\nend\n", "Line 1: 'object' expected"},
      {start + "  Caption 'x'\nend\n", "Line 3: '=' expected"},
      {start + "  Caption = 'x\nend\n", "Line 3: Unterminated string"},
      {start + "  Caption = 'x' +\nend\n", "Line 4: String expected"},
      {start + "  Caption = #\nend\n", "Line 3: Character code expected"},
      {start + "  Count = -\nend\n", "Line 4: Number expected"},
      {start + "  Count = $\nend\n", "Line 3: Hexadecimal digit expected"},
      {start + "  Kind = [tkNone tkAll]\nend\n", "Line 3: ']' expected"},
      {start + "  Caption = \xC3\xA4\nend\n", "Line 3: Invalid character in text"},
      {start, "Line 3: 'end' expected before the end of the text"},
      {start + "end\nend\n", "Line 4: End of text expected after 'end'"},
      {start + "  object Child: TTestComponent\n  end\nend\n", "Line 3: Child components are not supported"},
      {start + "  Items = <\n    Word = 'x'\n  >\nend\n", "Line 4: 'item' expected"},
      {start + "  Items = <\n    item\n      Word = 'x'\n", "Line 6: 'end' expected before the end of the text"},
      {start + "  Lines.Strings = ('a'\nend\n", "Line 5: ')' expected before the end of the text"},
      {start + "  Picture = {0}\nend\n", "Line 3: Odd number of hexadecimal digits in binary value"},
      {start + "  Picture = {\n    0G}\nend\n", "Line 4: Invalid binary value"},
      {start + "  Picture = {00\n", "Line 4: '}' expected before the end of the text"},
  };
  for (const auto& c : cases) {
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

// Whatever prefix of a sound text the reader is given, it either reads it or raises before it
// assigns anything.
TEST(DfmReaderTest, TextCutAtAnyByteRaisesParserErrorAndAppliesNothingOrReads) {
  TTestComponent original;
  original.Count = -12;
  original.Enabled = false;
  original.Caption = std::string(70, 'c') + "\r\n'";
  original.Kinds = 0b101;
  original.Items.Add().Children.Add().Data.Tags = {"tag"};
  const std::string text = ComponentToText(original);
  for (size_t length = 0; length <= text.size(); ++length) {
    TTestComponent component;
    try {
      TextToComponent(component, text.substr(0, length));
      EXPECT_EQ(ComponentToText(component), text) << "cut at " << length;
    } catch (const EParserError&) {
      EXPECT_EQ(component.Count, 7) << "cut at " << length;
      EXPECT_EQ(component.Items.Count(), 1) << "cut at " << length;
    }
  }
}

std::string NestedItems(int depth) {
  std::string text = "object TTestComponent\n  Count = 1\n";
  for (int i = 0; i < depth; ++i)
    text += (i == 0 ? "Items" : "Children") + std::string(" = < item Rank = ") + std::to_string(i) + "\n";
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

}  // namespace

TEST(DfmResourceTest, IsAResourceHeaderAndTheBinaryStreamAndGoesBackToTheSameText) {
  const std::string nul(1, '\0');
  const std::string stream =
      "TPF0\x0ETTestComponent\x03"
      "Box\x05"
      "Count\x02\x07" +
      nul + nul;
  const std::string size = char(stream.size()) + nul + nul + nul;
  const std::string text = Crlf({"object Box: TTestComponent", "  Count = 7", "end"});
  std::stringstream resource, source(text), back;
  ASSERT_TRUE(TextToResource(resource, source));
  EXPECT_EQ(resource.str(), "\xFF\x0A" + nul + "TTESTCOMPONENT" + nul + "\x30\x10" + size + stream);
  ASSERT_TRUE(ResourceToText(resource, back));
  EXPECT_EQ(back.str(), text);
  // Binary data, also inside a list and an item, goes both ways: value type 10, a 32-bit length, the bytes.
  const std::string binaryText =
      Crlf({"object TTestComponent", "  Picture = {", "    00FF}", "  Lines.Strings = (", "    {", "      41}",
            "    'a')", "  Items = <", "    item", "      Data.Icon = {}", "    end>", "end"});
  std::stringstream binaryResource, binarySource(binaryText), binaryBack;
  ASSERT_TRUE(TextToResource(binaryResource, binarySource));
  EXPECT_NE(binaryResource.str().find("\x07Picture\x0A\x02" + nul + nul + nul + nul + "\xFF"), std::string::npos);
  const std::string icon = "\x09" + std::string("Data.Icon\x0A") + nul + nul + nul + nul;
  EXPECT_NE(binaryResource.str().find(icon), std::string::npos);
  ASSERT_TRUE(ResourceToText(binaryResource, binaryBack));
  EXPECT_EQ(binaryBack.str(), binaryText);
  // A stream cut short raises, whatever its header says.
  std::stringstream cut(resource.str().substr(0, resource.str().size() - 3)), ignored;
  EXPECT_THROW(ResourceToText(cut, ignored), EParserError);
}

// Every kind of value, long strings beyond a short string's 255 bytes and integers of one, two,
// four and eight bytes, goes into the binary resource and back unchanged; the streams are rewound.
TEST(DfmResourceTest, EveryKindOfValueGoesThroughTheResourceUnchanged) {
  TTestComponent populated;
  populated.Name = "Sample";
  populated.Caption = std::string(300, 'l') + "\r\n'" + "\xE2\x82\xAC";
  populated.Lines = {"", "it's", std::string(150, 'x')};
  populated.Items.Add().Children.Add().Data.Tags = {"tag", "'"};
  const std::string everyKind = Crlf(
      {"object TTestComponent", "  Count = -2147483648", "  Small = -128", "  Mid = 32768", "  Wide = 99999999999",
       "  Kind = tkAll", "  Flags = [tkNone, tkAll]", "  Empty = []", "  Lines.Strings = ()", "  Items = <>", "end"});
  for (const std::string& text : {ComponentToText(populated), everyKind}) {
    std::stringstream resource, source(text), back;
    ASSERT_TRUE(TextToResource(resource, source));
    EXPECT_EQ(resource.tellg(), 0);
    EXPECT_EQ(source.tellg(), 0);
    ASSERT_TRUE(ResourceToText(resource, back));
    EXPECT_EQ(back.tellg(), 0);
    EXPECT_EQ(back.str(), text);
  }
}

// A value the resource cannot hold, a stream cut anywhere (behind a header that says so) and a
// value type no text names raise the parser error.
TEST(DfmResourceTest, WhatIsNeitherRaisesParserError) {
  std::stringstream refused, floating("object TTestComponent\n  Count = 1.5\nend\n");
  EXPECT_THROW(TextToResource(refused, floating), EParserError);

  TTestComponent populated;
  populated.Caption = std::string(300, 'l');
  std::stringstream whole, source(ComponentToText(populated));
  ASSERT_TRUE(TextToResource(whole, source));
  const std::string bytes = whole.str();
  constexpr size_t HeaderSize = 24;  // with the name TTESTCOMPONENT
  for (size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    std::string cut = bytes.substr(0, length);
    for (size_t i = 0; length >= HeaderSize && i < 4; ++i)
      cut[HeaderSize - 4 + i] = char((length - HeaderSize) >> (8 * i));
    std::stringstream resource(cut), text;
    EXPECT_THROW(ResourceToText(resource, text), EParserError);
  }
  std::stringstream small, smallText(Crlf({"object TTestComponent", "  Count = 7", "end"})), text;
  ASSERT_TRUE(TextToResource(small, smallText));
  std::string unknown = small.str();
  unknown[unknown.size() - 4] = '\x05';  // the type of the value 7
  std::stringstream resource(unknown);
  EXPECT_THROW(ResourceToText(resource, text), EParserError);
}

// A component made by name is loaded once; one that cannot be read is not left with the owner.
TEST(DfmReaderTest, ANewComponentIsLoadedAndAFailedOneIsNotKept) {
  RegisterClasses<TTestComponent>();
  TTestComponent owner;
  auto* box = dynamic_cast<TTestComponent*>(DfmTextToNewComponent({"object Box: TTestComponent", "end"}, &owner));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Name, "Box");
  EXPECT_EQ(box->LoadedCount, 1);
  EXPECT_THROW(DfmTextToNewComponent({"object TTestComponent", "  Count = 1"}, &owner), EParserError);
  EXPECT_THROW(DfmTextToNewComponent({"object TUnknown", "end"}, &owner), EClassNotFound);
  EXPECT_EQ(owner.Components().size(), 1u);
}

TEST(DfmReaderTest, MakesTheRegisteredClassTheTextNames) {
  RegisterClasses<TTestComponent>();
  TTestComponent owner;
  auto* box = dynamic_cast<TTestComponent*>(
      DfmTextToNewComponent({"object Box: ttestcomponent", "  Count = 3", "end"}, &owner));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Owner(), &owner);
  EXPECT_EQ(box->Count, 3);
  EXPECT_THROW(DfmTextToNewComponent({"object TUnknown", "end"}, &owner), EClassNotFound);
}
