#include "core/qmDfmUtils.h"

#include <algorithm>
#include <cstdint>
#include <istream>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Unicode.h"

namespace {

// ============================================================================================
// Shared helpers
// ============================================================================================

// A string longer than this is written in pieces of this many characters, one piece a line.
constexpr size_t LinePieceLength = 64;
// Binary data is written as hexadecimal, this many bytes a line.
constexpr size_t BinaryBytesPerLine = 32;
// How deeply collections may nest inside collection items.
constexpr int MaxCollectionDepth = 16;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIdent(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::string AtLine(int line, const std::string& message) { return "Line " + std::to_string(line) + ": " + message; }

// ============================================================================================
// The tree: what a component text or a binary resource says, in either form
// ============================================================================================

// A value that was read but cannot be used; the property that holds it is skipped.
enum class TValueFault : uint8_t { None, OutOfRange, BadCharCode };

enum class TValueKind : uint8_t { Integer, Float, Identifier, String, Binary, List, Collection, Set };

struct TDfmProperty;

struct TDfmItem {
  std::vector<TDfmProperty> Properties;
};

struct TDfmValue {
  TValueKind Kind = TValueKind::Integer;
  TValueFault Fault = TValueFault::None;
  int64_t Integer = 0;
  std::string Text;                 // a string's characters, an identifier, binary data's bytes
  std::vector<TDfmValue> Elements;  // a list's values, a set's identifiers
  std::vector<TDfmItem> Items;      // a collection's items
};

struct TDfmProperty {
  std::string Name;  // as written, dots included
  int Line = 0;      // in the text it was read from; 0 when it was not read from text
  TDfmValue Value;
};

struct TDfmObject {
  std::string Name;  // empty when the component has none
  std::string ClassName;
  std::vector<TDfmProperty> Properties;
};

TDfmValue ScalarValue(TValueKind kind, std::string text) {
  TDfmValue value;
  value.Kind = kind;
  value.Text = std::move(text);
  return value;
}

TDfmValue IntegerValue(int64_t integer) {
  TDfmValue value;
  value.Integer = integer;
  return value;
}

// ============================================================================================
// Writing
// ============================================================================================

// A character written between quotes as it is; every other one is written as #code.
bool IsPlainChar(char c) { return static_cast<unsigned char>(c) >= ' ' && c != '\''; }

// The pieces of a non-empty text: runs of plain characters in single quotes, any other
// character as "#" and its decimal code.
std::string QuotePieces(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  size_t i = 0;
  while (i < s.size()) {
    if (IsPlainChar(s[i])) {
      size_t end = i;
      while (end < s.size() && IsPlainChar(s[end])) ++end;
      out += '\'';
      out.append(s, i, end - i);
      out += '\'';
      i = end;
    } else {
      out += '#';
      out += std::to_string(static_cast<unsigned char>(s[i]));
      ++i;
    }
  }
  return out;
}

std::string QuoteString(std::string_view s) { return s.empty() ? std::string("''") : QuotePieces(s); }

// Where the line piece starting at Start ends: LinePieceLength bytes on, moved back to the
// start of a UTF-8 character that the cut would otherwise split, so that every line of the text
// stays valid UTF-8 when the string is.
size_t PieceEnd(std::string_view s, size_t start) { return start + Utf8Cut(s.substr(start), LinePieceLength); }

// The published properties of an object as a tree, in published order.
class TDfmTreeBuilder final : public TPropertyVisitor {
 public:
  explicit TDfmTreeBuilder(std::vector<TDfmProperty>& properties, std::string prefix = {})
      : FProperties(properties), FPrefix(std::move(prefix)) {}

  void Integer(const char* name, int32_t value, const Setter<int32_t>&) override { Add(name, IntegerValue(value)); }

  void Boolean(const char* name, bool value, const Setter<bool>&) override {
    Add(name, ScalarValue(TValueKind::Identifier, value ? "True" : "False"));
  }

  void String(const char* name, const std::string& value, const Setter<const std::string&>&) override {
    Add(name, ScalarValue(TValueKind::String, value));
  }

  void Enumeration(const char* name, int value, std::span<const char* const> identifiers, const Setter<int>&) override {
    if (value >= 0 && static_cast<size_t>(value) < identifiers.size())
      Add(name, ScalarValue(TValueKind::Identifier, identifiers[static_cast<size_t>(value)]));
    else
      Add(name, IntegerValue(value));
  }

  void Strings(const char* name, TStringList& list) override {
    TDfmValue value;
    value.Kind = TValueKind::List;
    for (const std::string& s : list) value.Elements.push_back(ScalarValue(TValueKind::String, s));
    Add(std::string(name) + ".Strings", std::move(value));
  }

  void Binary(const char* name, bool stored, const std::function<std::string()>& save,
              const Setter<const std::string&>&) override {
    if (stored) Add(name, ScalarValue(TValueKind::Binary, save()));
  }

  void Set(const char* name, unsigned value, std::span<const char* const> identifiers,
           const Setter<unsigned>&) override {
    TDfmValue members;
    members.Kind = TValueKind::Set;
    for (size_t i = 0; i < identifiers.size(); ++i)
      if (value & (1u << i)) members.Elements.push_back(ScalarValue(TValueKind::Identifier, identifiers[i]));
    Add(name, std::move(members));
  }

  // Item properties carry no prefix of an enclosing object.
  void Collection(const char* name, TCollection& collection) override {
    TDfmValue value;
    value.Kind = TValueKind::Collection;
    for (int i = 0; i < collection.Count(); ++i) {
      TDfmTreeBuilder item(value.Items.emplace_back().Properties);
      collection.ItemAt(i).describe(item);
    }
    Add(name, std::move(value));
  }

  void Object(const char* name, TPersistent& object) override {
    TDfmTreeBuilder properties(FProperties, FPrefix + name + '.');
    object.describe(properties);
  }

 private:
  void Add(std::string_view name, TDfmValue value) {
    FProperties.push_back({FPrefix + std::string(name), 0, std::move(value)});
  }

  std::vector<TDfmProperty>& FProperties;
  const std::string FPrefix;  // "Name." of the enclosing published objects
};

// Writes a tree as component text, one entry a line, without line ends.
class TDfmTextWriter {
 public:
  explicit TDfmTextWriter(TStringList& lines) : FLines(lines) {}

  void WriteObject(const TDfmObject& object) {
    FLines.push_back("object " + (object.Name.empty() ? std::string() : object.Name + ": ") + object.ClassName);
    WriteProperties(object.Properties);
    FLines.push_back("end");
  }

 private:
  void WriteProperties(const std::vector<TDfmProperty>& properties) {
    ++FLevel;
    for (const TDfmProperty& property : properties) WriteProperty(property.Name, property.Value);
    --FLevel;
  }

  void WriteProperty(const std::string& name, const TDfmValue& value) {
    if (value.Kind == TValueKind::List) {
      WriteList(name, value);
    } else if (value.Kind == TValueKind::Collection) {
      WriteCollection(name, value);
    } else if (IsLongBinary(value)) {
      Line(name + " = {");
      ++FLevel;
      WriteHexLines(value.Text);
      --FLevel;
    } else if (IsLongString(value)) {
      Line(name + " = ");
      ++FLevel;
      WriteLongString(value.Text);
      --FLevel;
    } else {
      Line(name + " = " + Scalar(value));
    }
  }

  void WriteList(const std::string& name, const TDfmValue& list) {
    if (list.Elements.empty()) {
      Line(name + " = ()");
      return;
    }
    Line(name + " = (");
    ++FLevel;
    for (const TDfmValue& element : list.Elements) {
      if (IsLongString(element)) {
        WriteLongString(element.Text);
      } else if (IsLongBinary(element)) {
        Line("{");
        ++FLevel;
        WriteHexLines(element.Text);
        --FLevel;
      } else {
        Line(Scalar(element));
      }
    }
    --FLevel;
    FLines.back() += ')';
  }

  void WriteCollection(const std::string& name, const TDfmValue& collection) {
    if (collection.Items.empty()) {
      Line(name + " = <>");
      return;
    }
    Line(name + " = <");
    ++FLevel;
    for (const TDfmItem& item : collection.Items) {
      Line("item");
      WriteProperties(item.Properties);
      Line("end");
    }
    --FLevel;
    FLines.back() += '>';
  }

  static bool IsLongString(const TDfmValue& value) {
    return value.Kind == TValueKind::String && value.Text.size() > LinePieceLength;
  }

  // Binary data other than none starts on the next line.
  static bool IsLongBinary(const TDfmValue& value) { return value.Kind == TValueKind::Binary && !value.Text.empty(); }

  // A value that is written on the line of its property: an integer, an identifier, a string of
  // one line piece, a set, empty binary data.
  static std::string Scalar(const TDfmValue& value) {
    switch (value.Kind) {
      case TValueKind::Integer:
        return std::to_string(value.Integer);
      case TValueKind::String:
        return QuoteString(value.Text);
      case TValueKind::Binary:
        return "{}";
      case TValueKind::Set: {
        std::string text = "[";
        for (const TDfmValue& member : value.Elements) text += (text.size() > 1 ? ", " : "") + member.Text;
        return text + "]";
      }
      default:
        return value.Text;
    }
  }

  void Line(std::string_view text) {
    std::string line(2 * static_cast<size_t>(FLevel), ' ');
    line += text;
    FLines.push_back(std::move(line));
  }

  // A string of more than one line piece: one piece a line, joined with " +".
  void WriteLongString(std::string_view s) {
    for (size_t start = 0; start < s.size();) {
      const size_t end = PieceEnd(s, start);
      std::string line = QuotePieces(s.substr(start, end - start));
      if (end < s.size()) line += " +";
      Line(line);
      start = end;
    }
  }

  // Binary data as upper-case hexadecimal, BinaryBytesPerLine bytes a line; the closing brace
  // ends the last line.
  void WriteHexLines(std::string_view bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (size_t start = 0; start < bytes.size(); start += BinaryBytesPerLine) {
      std::string hex;
      for (const char c : bytes.substr(start, BinaryBytesPerLine)) {
        hex += Digits[static_cast<unsigned char>(c) >> 4];
        hex += Digits[static_cast<unsigned char>(c) & 15];
      }
      Line(hex);
    }
    FLines.back() += '}';
  }

  TStringList& FLines;
  int FLevel = 0;
};

// ============================================================================================
// Reading, step 1: the text into a tree
// ============================================================================================

enum class TTokenKind : uint8_t { EndOfText, Identifier, Integer, Float, String, Binary, Symbol };

struct TToken {
  TTokenKind Kind = TTokenKind::EndOfText;
  int Line = 1;
  char Symbol = 0;
  TValueFault Fault = TValueFault::None;
  int64_t Integer = 0;
  std::string Text;  // identifier, the decoded characters of a string, binary data's bytes
};

// Integers beyond this are only known to be out of range.
constexpr int64_t IntegerCeiling = int64_t{1} << 40;
constexpr uint32_t MaxCodePoint = 0x10FFFF;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f'); }
bool IsIdentStart(char c) { return (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : AsciiLower(c) - 'a' + 10; }

// Splits component text into tokens; line ends (CR LF, LF or CR) count lines and separate
// tokens like blanks do.
class TLexer {
 public:
  explicit TLexer(std::string_view text) : FText(text) {
    if (FText.starts_with("\xEF\xBB\xBF")) FPos = 3;  // a UTF-8 byte order mark from an editor
    Advance();
  }

  const TToken& Peek() const { return FToken; }

  TToken Take() {
    TToken token = std::move(FToken);
    Advance();
    return token;
  }

  [[noreturn]] void Fail(const std::string& message) const { throw EParserError(AtLine(FToken.Line, message)); }

 private:
  char At(size_t pos) const { return pos < FText.size() ? FText[pos] : '\0'; }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == ' ' || c == '\t') {
        ++FPos;
      } else if (c == '\r' || c == '\n') {
        ++FLine;
        ++FPos;
        if (c == '\r' && At(FPos) == '\n') ++FPos;
      } else {
        break;
      }
    }
  }

  void Advance() {
    SkipBlanks();
    FToken = TToken();
    FToken.Line = FLine;
    if (FPos >= FText.size()) return;
    const char c = FText[FPos];
    if (IsIdentStart(c))
      ScanIdentifier();
    else if (IsDigit(c) || c == '$')
      ScanNumber();
    else if (c == '\'' || c == '#')
      ScanString();
    else if (c == '{')
      ScanBinary();
    else if (std::string_view("=()<>[],+-.:").find(c) != std::string_view::npos)
      ScanSymbol();
    else
      Fail("Invalid character in text");
  }

  void ScanIdentifier() {
    const size_t start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
    FToken.Kind = TTokenKind::Identifier;
    FToken.Text = FText.substr(start, FPos - start);
  }

  void ScanSymbol() {
    FToken.Kind = TTokenKind::Symbol;
    FToken.Symbol = FText[FPos++];
  }

  // Adds one digit to a value that stops growing at IntegerCeiling (anything beyond is out of range).
  void AddDigit(int64_t& value, int base, int digit) {
    if (value <= IntegerCeiling) value = value * base + digit;
  }

  void ScanNumber() {
    FToken.Kind = TTokenKind::Integer;
    int64_t value = 0;
    if (FText[FPos] == '$') {
      ++FPos;
      if (!IsHexDigit(At(FPos))) Fail("Hexadecimal digit expected");
      while (IsHexDigit(At(FPos))) AddDigit(value, 16, HexValue(FText[FPos++]));
    } else {
      while (IsDigit(At(FPos))) AddDigit(value, 10, FText[FPos++] - '0');
      ScanFraction();
    }
    FToken.Integer = value;
    if (value > IntegerCeiling) FToken.Fault = TValueFault::OutOfRange;
  }

  // A floating-point number is read so that its property can be reported; nothing takes one.
  void ScanFraction() {
    if (At(FPos) == '.' && IsDigit(At(FPos + 1))) {
      FToken.Kind = TTokenKind::Float;
      ++FPos;
      while (IsDigit(At(FPos))) ++FPos;
    }
    const size_t exponent = FPos + ((At(FPos + 1) == '+' || At(FPos + 1) == '-') ? 2 : 1);
    if (AsciiLower(At(FPos)) == 'e' && IsDigit(At(exponent))) {
      FToken.Kind = TTokenKind::Float;
      FPos = exponent;
      while (IsDigit(At(FPos))) ++FPos;
    }
  }

  // Binary data: pairs of hexadecimal digits between braces, blanks and line ends between them.
  void ScanBinary() {
    FToken.Kind = TTokenKind::Binary;
    ++FPos;
    int high = -1;  // the first digit of a pair that is not complete yet
    for (;;) {
      SkipBlanks();
      const char c = At(FPos);
      if (c == '}') break;
      if (!IsHexDigit(c)) {
        FToken.Line = FLine;
        Fail(FPos >= FText.size() ? "'}' expected before the end of the text" : "Invalid binary value");
      }
      ++FPos;
      if (high < 0) {
        high = HexValue(c);
      } else {
        FToken.Text += static_cast<char>(high << 4 | HexValue(c));
        high = -1;
      }
    }
    if (high >= 0) {
      FToken.Line = FLine;
      Fail("Odd number of hexadecimal digits in binary value");
    }
    ++FPos;
  }

  // One string: quoted pieces and #codes written next to each other.
  void ScanString() {
    FToken.Kind = TTokenKind::String;
    while (FPos < FText.size()) {
      if (FText[FPos] == '\'')
        ScanQuoted();
      else if (FText[FPos] == '#')
        ScanCharCode();
      else
        break;
    }
  }

  void ScanQuoted() {
    ++FPos;
    for (;;) {
      const size_t start = FPos;
      while (FPos < FText.size() && FText[FPos] != '\'' && FText[FPos] != '\r' && FText[FPos] != '\n') ++FPos;
      FToken.Text.append(FText, start, FPos - start);
      if (FPos >= FText.size() || FText[FPos] != '\'') Fail("Unterminated string");
      ++FPos;
      if (At(FPos) != '\'') return;
      FToken.Text += '\'';  // a doubled quote stands for one
      ++FPos;
    }
  }

  // "#" and a decimal or "$" hexadecimal code: below 128 the byte itself, above it a Unicode
  // code point written as UTF-8. A code that is no character spoils only its property.
  void ScanCharCode() {
    ++FPos;
    uint32_t code = 0;
    const auto addDigit = [&code](uint32_t base, int digit) {
      if (code <= MaxCodePoint) code = code * base + static_cast<uint32_t>(digit);
    };
    if (At(FPos) == '$') {
      ++FPos;
      if (!IsHexDigit(At(FPos))) Fail("Character code expected");
      while (IsHexDigit(At(FPos))) addDigit(16, HexValue(FText[FPos++]));
    } else {
      if (!IsDigit(At(FPos))) Fail("Character code expected");
      while (IsDigit(At(FPos))) addDigit(10, FText[FPos++] - '0');
    }
    if (!IsScalarValue(code))
      FToken.Fault = TValueFault::BadCharCode;
    else
      AppendUtf8(FToken.Text, code);
  }

  std::string_view FText;
  size_t FPos = 0;
  int FLine = 1;
  TToken FToken;
};

// Parses the whole component text into a tree; any syntax error raises EParserError.
//   text       = "object" [Name ":"] ClassName { property } "end"
//   property   = name { "." name } "=" value
//   value      = string | ["+"|"-"] number | identifier | binary | "(" { scalar } ")"
//              | "<" { "item" { property } "end" } ">" | "[" [ identifier { "," identifier } ] "]"
//   string     = pieces { "+" pieces }
//   binary     = "{" { hex digit pair } "}"
class TDfmParser {
 public:
  explicit TDfmParser(std::string_view text) : FLexer(text) {}

  TDfmObject ParseComponent() {
    TDfmObject object;
    ExpectKeyword("object");
    object.ClassName = ExpectIdentifier();  // or the name, when a class name follows
    if (IsSymbol(':')) {
      FLexer.Take();
      object.Name = std::exchange(object.ClassName, ExpectIdentifier());
    }
    object.Properties = ParseProperties(0);
    ExpectKeyword("end");
    if (!AtEnd()) FLexer.Fail("End of text expected after 'end'");
    return object;
  }

 private:
  bool IsSymbol(char symbol) const {
    return FLexer.Peek().Kind == TTokenKind::Symbol && FLexer.Peek().Symbol == symbol;
  }

  bool AtEnd() const { return FLexer.Peek().Kind == TTokenKind::EndOfText; }

  bool IsKeyword(std::string_view keyword) const {
    return FLexer.Peek().Kind == TTokenKind::Identifier && SameIdent(FLexer.Peek().Text, keyword);
  }

  [[noreturn]] void FailExpected(const std::string& what) const {
    if (AtEnd()) FLexer.Fail(what + " expected before the end of the text");
    FLexer.Fail(what + " expected");
  }

  void ExpectSymbol(char symbol) {
    if (!IsSymbol(symbol)) FailExpected(std::string("'") + symbol + "'");
    FLexer.Take();
  }

  void ExpectKeyword(std::string_view keyword) {
    if (!IsKeyword(keyword)) FailExpected("'" + std::string(keyword) + "'");
    FLexer.Take();
  }

  std::string ExpectIdentifier() {
    if (FLexer.Peek().Kind != TTokenKind::Identifier) FailExpected("Identifier");
    return FLexer.Take().Text;
  }

  // Properties up to (not including) the "end" of their object or item.
  std::vector<TDfmProperty> ParseProperties(int depth) {
    std::vector<TDfmProperty> properties;
    while (!IsKeyword("end")) {
      if (AtEnd()) FailExpected("'end'");
      if (IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"))
        FLexer.Fail("Child components are not supported");
      properties.push_back(ParseProperty(depth));
    }
    return properties;
  }

  TDfmProperty ParseProperty(int depth) {
    TDfmProperty property;
    property.Line = FLexer.Peek().Line;
    property.Name = ExpectIdentifier();
    while (IsSymbol('.')) {
      FLexer.Take();
      property.Name += '.';
      property.Name += ExpectIdentifier();
    }
    ExpectSymbol('=');
    property.Value = ParseValue(depth);
    return property;
  }

  TDfmValue ParseValue(int depth) {
    if (IsSymbol('(')) return ParseList();
    if (IsSymbol('<')) return ParseCollection(depth);
    if (IsSymbol('[')) return ParseSet();
    return ParseScalar();
  }

  TDfmValue ParseScalar() {
    switch (FLexer.Peek().Kind) {
      case TTokenKind::String:
        return ParseString();
      case TTokenKind::Binary:
        return ScalarValue(TValueKind::Binary, FLexer.Take().Text);
      case TTokenKind::Identifier: {
        TDfmValue value;
        value.Kind = TValueKind::Identifier;
        value.Text = FLexer.Take().Text;
        return value;
      }
      case TTokenKind::Integer:
      case TTokenKind::Float:
        return ParseNumber(false);
      case TTokenKind::Symbol:
        if (IsSymbol('-') || IsSymbol('+')) {
          const bool negative = FLexer.Take().Symbol == '-';
          const TTokenKind next = FLexer.Peek().Kind;
          if (next != TTokenKind::Integer && next != TTokenKind::Float) FailExpected("Number");
          return ParseNumber(negative);
        }
        break;
      default:
        break;
    }
    FailExpected("Property value");
  }

  TDfmValue ParseNumber(bool negative) {
    const TToken token = FLexer.Take();
    TDfmValue value;
    value.Kind = token.Kind == TTokenKind::Float ? TValueKind::Float : TValueKind::Integer;
    value.Fault = token.Fault;
    value.Integer = negative ? -token.Integer : token.Integer;
    return value;
  }

  TDfmValue ParseString() {
    TDfmValue value;
    value.Kind = TValueKind::String;
    for (;;) {
      TToken piece = FLexer.Take();
      value.Text += piece.Text;
      if (piece.Fault != TValueFault::None) value.Fault = piece.Fault;
      if (!IsSymbol('+')) return value;
      FLexer.Take();
      if (FLexer.Peek().Kind != TTokenKind::String) FailExpected("String");
    }
  }

  TDfmValue ParseList() {
    ExpectSymbol('(');
    TDfmValue value;
    value.Kind = TValueKind::List;
    while (!IsSymbol(')')) {
      if (AtEnd()) FailExpected("')'");
      value.Elements.push_back(ParseScalar());
    }
    FLexer.Take();
    return value;
  }

  TDfmValue ParseSet() {
    ExpectSymbol('[');
    TDfmValue value;
    value.Kind = TValueKind::Set;
    if (!IsSymbol(']')) {
      for (;;) {
        TDfmValue member;
        member.Kind = TValueKind::Identifier;
        member.Text = ExpectIdentifier();
        value.Elements.push_back(std::move(member));
        if (!IsSymbol(',')) break;
        FLexer.Take();
      }
    }
    ExpectSymbol(']');
    return value;
  }

  // Items nest at most MaxCollectionDepth collections deep, which also bounds this recursion.
  TDfmValue ParseCollection(int depth) {
    if (depth >= MaxCollectionDepth) FLexer.Fail("Collections nested too deeply");
    ExpectSymbol('<');
    TDfmValue value;
    value.Kind = TValueKind::Collection;
    while (!IsSymbol('>')) {
      if (AtEnd()) FailExpected("'>'");
      ExpectKeyword("item");
      value.Items.push_back(TDfmItem{ParseProperties(depth + 1)});
      ExpectKeyword("end");
    }
    FLexer.Take();
    return value;
  }

  TLexer FLexer;
};

// ============================================================================================
// The binary component resource: a resource header, then the binary component stream
// ============================================================================================

// The value types of the binary stream that component text can say.
enum TBinaryValue : uint8_t {
  vaNull = 0,  // ends a list, a set's names, an item, a collection
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaCollection = 14,
  vaInt64 = 19,
  vaUTF8String = 20,
};

constexpr std::string_view BinarySignature = "TPF0";
constexpr uint16_t RcDataType = 10;
constexpr uint16_t ResourceMemoryFlags = 0x1030;  // moveable, pure, discardable
constexpr size_t MaxShortString = 255;

// Writes a tree as a component resource named after its class.
class TBinaryWriter {
 public:
  std::string Write(const TDfmObject& object) {
    FOut = BinarySignature;
    ShortString(object.ClassName, 0);
    ShortString(object.Name, 0);
    WriteProperties(object.Properties);
    Byte(vaNull);  // no child components
    const std::string stream = std::exchange(FOut, std::string());
    Byte(0xFF);
    Number(RcDataType, 2);
    for (const char c : object.ClassName) Byte(static_cast<uint8_t>(AsciiUpper(c)));
    Byte(0);
    Number(ResourceMemoryFlags, 2);
    Number(stream.size(), 4);
    return FOut + stream;
  }

 private:
  void WriteProperties(const std::vector<TDfmProperty>& properties) {
    for (const TDfmProperty& property : properties) {
      ShortString(property.Name, property.Line);
      WriteValue(property.Value, property.Line);
    }
    Byte(vaNull);
  }

  void WriteValue(const TDfmValue& value, int line) {
    if (value.Fault != TValueFault::None) throw EParserError(AtLine(line, "Invalid property value"));
    switch (value.Kind) {
      case TValueKind::Integer:
        WriteInteger(value.Integer);
        break;
      case TValueKind::Identifier:
        WriteIdentifier(value.Text, line);
        break;
      case TValueKind::String:
        WriteString(value.Text);
        break;
      case TValueKind::Binary:
        Byte(vaBinary);
        Number(value.Text.size(), 4);
        FOut += value.Text;
        break;
      case TValueKind::List:
        Byte(vaList);
        for (const TDfmValue& element : value.Elements) WriteValue(element, line);
        Byte(vaNull);
        break;
      case TValueKind::Set:
        Byte(vaSet);
        for (const TDfmValue& member : value.Elements) ShortString(member.Text, line);
        Byte(0);
        break;
      case TValueKind::Collection:
        Byte(vaCollection);
        for (const TDfmItem& item : value.Items) {
          Byte(vaList);
          WriteProperties(item.Properties);
        }
        Byte(vaNull);
        break;
      case TValueKind::Float:
        throw EParserError(AtLine(line, "Floating-point values are not supported"));
    }
  }

  void WriteIdentifier(const std::string& identifier, int line) {
    if (SameIdent(identifier, "True")) {
      Byte(vaTrue);
    } else if (SameIdent(identifier, "False")) {
      Byte(vaFalse);
    } else {
      Byte(vaIdent);
      ShortString(identifier, line);
    }
  }

  void WriteInteger(int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) {
      Byte(vaInt8);
      Number(static_cast<uint64_t>(value), 1);
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
      Byte(vaInt16);
      Number(static_cast<uint64_t>(value), 2);
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
      Byte(vaInt32);
      Number(static_cast<uint64_t>(value), 4);
    } else {
      Byte(vaInt64);
      Number(static_cast<uint64_t>(value), 8);
    }
  }

  void WriteString(const std::string& s) {
    if (s.size() <= MaxShortString) {
      Byte(vaString);
      Byte(static_cast<uint8_t>(s.size()));
    } else {
      Byte(vaLString);
      Number(s.size(), 4);
    }
    FOut += s;
  }

  // A name or an identifier: a length byte and the characters.
  void ShortString(const std::string& s, int line) {
    if (s.size() > MaxShortString) throw EParserError(AtLine(line, "Name too long: " + s.substr(0, 32) + "..."));
    Byte(static_cast<uint8_t>(s.size()));
    FOut += s;
  }

  void Byte(uint8_t b) { FOut += static_cast<char>(b); }

  // Little-endian, in Size bytes.
  void Number(uint64_t value, int size) {
    for (int i = 0; i < size; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
  }

  static char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

  std::string FOut;
};

// Reads a component resource into a tree; anything else raises EParserError.
class TBinaryReader {
 public:
  explicit TBinaryReader(std::string_view data) : FData(data), FEnd(data.size()) {}

  TDfmObject Read() {
    ReadHeader();
    if (Bytes(BinarySignature.size()) != BinarySignature) Fail();
    // A prefix byte of F0 and above marks an inherited, inline or positioned child component.
    if (FPos < FEnd && static_cast<uint8_t>(FData[FPos]) >= 0xF0) Fail("Child components are not supported");
    TDfmObject object;
    object.ClassName = ShortString();
    object.Name = ShortString();
    object.Properties = ReadProperties(0);
    if (Byte() != vaNull) Fail("Child components are not supported");
    if (FPos != FEnd) Fail();
    return object;
  }

 private:
  void ReadHeader() {
    if (Byte() != 0xFF || Number(2) != RcDataType) Fail();
    while (Byte() != 0) {
    }           // the resource's name
    Number(2);  // memory flags
    const uint64_t size = Number(4);
    if (size > FData.size() - FPos) Fail();
    FEnd = FPos + static_cast<size_t>(size);
  }

  std::vector<TDfmProperty> ReadProperties(int depth) {
    std::vector<TDfmProperty> properties;
    for (std::string name = ShortString(); !name.empty(); name = ShortString())
      properties.push_back({std::move(name), 0, ReadValue(Byte(), depth)});
    return properties;
  }

  TDfmValue ReadValue(uint8_t type, int depth) {
    TDfmValue value;
    switch (type) {
      case vaList:
        value.Kind = TValueKind::List;
        for (uint8_t element = Byte(); element != vaNull; element = Byte())
          value.Elements.push_back(ReadScalar(element));
        return value;
      case vaSet:
        value.Kind = TValueKind::Set;
        for (std::string member = ShortString(); !member.empty(); member = ShortString())
          value.Elements.push_back(ScalarValue(TValueKind::Identifier, std::move(member)));
        return value;
      case vaCollection:
        // Items nest at most MaxCollectionDepth collections deep, which also bounds this recursion.
        if (depth >= MaxCollectionDepth) Fail("Collections nested too deeply");
        value.Kind = TValueKind::Collection;
        for (uint8_t item = Byte(); item != vaNull; item = Byte()) {
          if (item != vaList) Fail();
          value.Items.push_back(TDfmItem{ReadProperties(depth + 1)});
        }
        return value;
      default:
        return ReadScalar(type);
    }
  }

  TDfmValue ReadScalar(uint8_t type) {
    switch (type) {
      case vaInt8:
        return IntegerValue(static_cast<int8_t>(Number(1)));
      case vaInt16:
        return IntegerValue(static_cast<int16_t>(Number(2)));
      case vaInt32:
        return IntegerValue(static_cast<int32_t>(Number(4)));
      case vaInt64:
        return IntegerValue(static_cast<int64_t>(Number(8)));
      case vaString:
        return ScalarValue(TValueKind::String, std::string(Bytes(Byte())));
      case vaLString:
      case vaUTF8String:
        return ScalarValue(TValueKind::String, std::string(Bytes(Number(4))));
      case vaBinary:
        return ScalarValue(TValueKind::Binary, std::string(Bytes(Number(4))));
      case vaIdent:
        return ScalarValue(TValueKind::Identifier, ShortString());
      case vaFalse:
      case vaTrue:
        return ScalarValue(TValueKind::Identifier, type == vaTrue ? "True" : "False");
      default:
        Fail("Unsupported property value type " + std::to_string(type));
    }
  }

  std::string ShortString() { return std::string(Bytes(Byte())); }

  uint8_t Byte() { return static_cast<uint8_t>(Bytes(1)[0]); }

  // Little-endian, in Size bytes.
  uint64_t Number(int size) {
    const std::string_view bytes = Bytes(static_cast<size_t>(size));
    uint64_t value = 0;
    for (int i = size; i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes[static_cast<size_t>(i)]);
    return value;
  }

  std::string_view Bytes(uint64_t count) {
    if (count > FEnd - FPos) Fail();
    const std::string_view bytes = FData.substr(FPos, static_cast<size_t>(count));
    FPos += static_cast<size_t>(count);
    return bytes;
  }

  [[noreturn]] static void Fail(const std::string& message = "Invalid stream format") { throw EParserError(message); }

  std::string_view FData;
  size_t FPos = 0;
  size_t FEnd;
};

// ============================================================================================
// Reading, step 2: the tree onto the objects
// ============================================================================================

enum class TBindingKind : uint8_t { Integer, Boolean, String, Binary, Enumeration, Set, Strings, Collection, Object };

// The published properties of one object, captured once from its describe() so that the
// text's properties can be looked up by name in any order.
class TBinder final : public TPropertyVisitor {
 public:
  struct TBinding {
    std::string Name;
    TBindingKind Kind;
    Setter<int32_t> SetInteger;
    Setter<bool> SetBoolean;
    Setter<const std::string&> SetString;  // of a string or binary data
    Setter<int> SetEnumeration;
    Setter<unsigned> SetSet;
    std::vector<const char*> Identifiers;  // of an enumeration or a set
    TStringList* List = nullptr;
    TCollection* OwnedCollection = nullptr;
    TPersistent* OwnedObject = nullptr;
    std::unique_ptr<TBinder> ObjectBinder;  // made when the text first names one of its properties
  };

  explicit TBinder(TPersistent& object) { object.describe(*this); }

  // An object has few published properties, so a plain search is the quickest lookup.
  TBinding* Find(std::string_view name) {
    for (TBinding& binding : FBindings)
      if (SameIdent(binding.Name, name)) return &binding;
    return nullptr;
  }

  void Integer(const char* name, int32_t, const Setter<int32_t>& set) override {
    Add(name, TBindingKind::Integer).SetInteger = set;
  }
  void Boolean(const char* name, bool, const Setter<bool>& set) override {
    Add(name, TBindingKind::Boolean).SetBoolean = set;
  }
  void String(const char* name, const std::string&, const Setter<const std::string&>& set) override {
    Add(name, TBindingKind::String).SetString = set;
  }
  void Binary(const char* name, bool, const std::function<std::string()>&,
              const Setter<const std::string&>& load) override {
    Add(name, TBindingKind::Binary).SetString = load;
  }
  void Enumeration(const char* name, int, std::span<const char* const> identifiers, const Setter<int>& set) override {
    TBinding& binding = Add(name, TBindingKind::Enumeration);
    binding.SetEnumeration = set;
    binding.Identifiers.assign(identifiers.begin(), identifiers.end());
  }
  void Set(const char* name, unsigned, std::span<const char* const> identifiers, const Setter<unsigned>& set) override {
    TBinding& binding = Add(name, TBindingKind::Set);
    binding.SetSet = set;
    binding.Identifiers.assign(identifiers.begin(), identifiers.end());
  }
  void Strings(const char* name, TStringList& list) override { Add(name, TBindingKind::Strings).List = &list; }
  void Collection(const char* name, TCollection& collection) override {
    Add(name, TBindingKind::Collection).OwnedCollection = &collection;
  }
  void Object(const char* name, TPersistent& object) override { Add(name, TBindingKind::Object).OwnedObject = &object; }

 private:
  TBinding& Add(const char* name, TBindingKind kind) {
    TBinding& binding = FBindings.emplace_back();
    binding.Name = name;
    binding.Kind = kind;
    return binding;
  }

  std::vector<TBinding> FBindings;
};

using TBinding = TBinder::TBinding;

// Assigns parsed properties to objects. A property that cannot be applied is reported and
// skipped; the object keeps its value and the next property is applied.
class TDfmApplier {
 public:
  explicit TDfmApplier(const TReaderErrorHandler& onError) : FOnError(onError) {}

  void ApplyProperties(TPersistent& target, const std::vector<TDfmProperty>& properties) {
    if (properties.empty()) return;
    TBinder binder(target);
    for (const TDfmProperty& property : properties) ApplyProperty(binder, property);
  }

 private:
  void ApplyProperty(TBinder& binder, const TDfmProperty& property) {
    TBinding* binding = Resolve(binder, property.Name);
    if (!binding) {
      Report(property, "Property " + property.Name + " does not exist");
      return;
    }
    try {
      if (const char* problem = Assign(*binding, property.Value)) Report(property, problem + property.Name);
    } catch (const Exception& e) {
      Report(property, "Property " + property.Name + ": " + e.Message());
    }
  }

  // The property a dotted name stands for: "ItemData.DisplayName" is a property of the published
  // object ItemData, "IsUrl.Strings" the string list IsUrl.
  static TBinding* Resolve(TBinder& binder, std::string_view name) {
    TBinder* current = &binder;
    for (;;) {
      const size_t dot = name.find('.');
      TBinding* binding = current->Find(name.substr(0, dot));
      if (!binding || dot == std::string_view::npos) return binding;
      name.remove_prefix(dot + 1);
      if (binding->Kind == TBindingKind::Strings) return SameIdent(name, "Strings") ? binding : nullptr;
      if (binding->Kind != TBindingKind::Object) return nullptr;
      if (!binding->ObjectBinder) binding->ObjectBinder = std::make_unique<TBinder>(*binding->OwnedObject);
      current = binding->ObjectBinder.get();
    }
  }

  // Assigns Value through Binding; answers null, or the start of a message naming the problem.
  const char* Assign(TBinding& binding, const TDfmValue& value) {
    switch (binding.Kind) {
      case TBindingKind::Integer:
        return AssignInteger(binding, value);
      case TBindingKind::Boolean:
        if (value.Kind != TValueKind::Identifier) return InvalidValue;
        if (SameIdent(value.Text, "True")) {
          binding.SetBoolean(true);
        } else if (SameIdent(value.Text, "False")) {
          binding.SetBoolean(false);
        } else {
          return InvalidValue;
        }
        return nullptr;
      case TBindingKind::String:
        if (value.Kind != TValueKind::String) return InvalidValue;
        if (value.Fault == TValueFault::BadCharCode) return InvalidCharCode;
        binding.SetString(value.Text);
        return nullptr;
      case TBindingKind::Binary:
        if (value.Kind != TValueKind::Binary) return InvalidValue;
        binding.SetString(value.Text);
        return nullptr;
      case TBindingKind::Enumeration:
        return AssignEnumeration(binding, value);
      case TBindingKind::Set:
        return AssignSet(binding, value);
      case TBindingKind::Strings:
        return AssignStrings(*binding.List, value);
      case TBindingKind::Collection:
        return AssignCollection(*binding.OwnedCollection, value);
      case TBindingKind::Object:
        return InvalidValue;
    }
    return InvalidValue;
  }

  static const char* AssignInteger(TBinding& binding, const TDfmValue& value) {
    if (value.Kind != TValueKind::Integer) return InvalidValue;
    if (value.Fault == TValueFault::OutOfRange || value.Integer < INT32_MIN || value.Integer > INT32_MAX)
      return OutOfRange;
    binding.SetInteger(static_cast<int32_t>(value.Integer));
    return nullptr;
  }

  // The position of an identifier among a binding's; -1 when it is not one of them.
  static int IdentifierIndex(const TBinding& binding, const std::string& identifier) {
    for (size_t i = 0; i < binding.Identifiers.size(); ++i)
      if (SameIdent(binding.Identifiers[i], identifier)) return static_cast<int>(i);
    return -1;
  }

  static const char* AssignEnumeration(TBinding& binding, const TDfmValue& value) {
    if (value.Kind != TValueKind::Identifier) return InvalidValue;
    const int index = IdentifierIndex(binding, value.Text);
    if (index < 0) return InvalidValue;
    binding.SetEnumeration(index);
    return nullptr;
  }

  // A set with one unknown member is not applied at all.
  static const char* AssignSet(TBinding& binding, const TDfmValue& value) {
    if (value.Kind != TValueKind::Set) return InvalidValue;
    unsigned members = 0;
    for (const TDfmValue& member : value.Elements) {
      const int index = IdentifierIndex(binding, member.Text);
      if (index < 0) return InvalidValue;
      members |= 1u << index;
    }
    binding.SetSet(members);
    return nullptr;
  }

  // An empty list leaves the strings as they are; any other replaces them.
  static const char* AssignStrings(TStringList& list, const TDfmValue& value) {
    if (value.Kind != TValueKind::List) return InvalidValue;
    for (const TDfmValue& element : value.Elements) {
      if (element.Kind != TValueKind::String) return InvalidValue;
      if (element.Fault == TValueFault::BadCharCode) return InvalidCharCode;
    }
    if (value.Elements.empty()) return nullptr;
    list.clear();
    for (const TDfmValue& element : value.Elements) list.push_back(element.Text);
    return nullptr;
  }

  // An empty collection value leaves the items as they are; any other replaces them.
  const char* AssignCollection(TCollection& collection, const TDfmValue& value) {
    if (value.Kind != TValueKind::Collection) return InvalidValue;
    if (value.Items.empty()) return nullptr;
    collection.Clear();
    for (const TDfmItem& item : value.Items) ApplyProperties(collection.AddItem(), item.Properties);
    return nullptr;
  }

  void Report(const TDfmProperty& property, const std::string& message) const {
    if (FOnError) FOnError(AtLine(property.Line, message));
  }

  static constexpr const char* InvalidValue = "Invalid value for property ";
  static constexpr const char* OutOfRange = "Integer out of range for property ";
  static constexpr const char* InvalidCharCode = "Invalid character code in property ";

  const TReaderErrorHandler& FOnError;
};

}  // namespace

namespace {

std::string JoinLines(const TStringList& lines, std::string_view lineEnd) {
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + lineEnd.size();
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += lineEnd;
  }
  return text;
}

struct TRegisteredClass {
  std::string Name;
  TComponentFactory Create;
};

std::vector<TRegisteredClass>& RegisteredClasses() {
  static std::vector<TRegisteredClass> classes;
  return classes;
}

void ReadInto(TComponent& component, const TDfmObject& object, const TReaderErrorHandler& onError) {
  TDfmApplier(onError).ApplyProperties(component, object.Properties);
  component.Loaded();
}

void Rewind(std::iostream& stream) {
  stream.clear();
  stream.seekg(0);
  stream.seekp(0);
}

std::string ReadStream(std::iostream& stream) {
  Rewind(stream);
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void WriteStream(std::iostream& stream, const std::string& data) {
  Rewind(stream);
  stream.write(data.data(), static_cast<std::streamsize>(data.size()));
  Rewind(stream);
}

}  // namespace

bool ComponentToDfmText(TComponent& component, TStringList& strings) {
  TDfmObject object{component.Name, component.ClassName(), {}};
  TDfmTreeBuilder properties(object.Properties);
  component.describe(properties);
  TStringList lines;
  TDfmTextWriter(lines).WriteObject(object);
  strings = std::move(lines);
  return true;
}

std::string ComponentToText(TComponent& component) {
  TStringList lines;
  ComponentToDfmText(component, lines);
  return JoinLines(lines, "\r\n");
}

void TextToComponent(TComponent& component, const std::string& text, const TReaderErrorHandler& onError) {
  ReadInto(component, TDfmParser(text).ParseComponent(), onError);
}

bool DfmTextToComponent(TComponent& component, const TStringList& strings, const TReaderErrorHandler& onError) {
  TextToComponent(component, JoinLines(strings, "\n"), onError);
  return true;
}

void RegisterComponentClass(const std::string& className, TComponentFactory create) {
  for (TRegisteredClass& registered : RegisteredClasses()) {
    if (SameIdent(registered.Name, className)) {
      registered.Create = create;
      return;
    }
  }
  RegisteredClasses().push_back({className, create});
}

TComponentFactory FindComponentClass(const std::string& className) {
  for (const TRegisteredClass& registered : RegisteredClasses())
    if (SameIdent(registered.Name, className)) return registered.Create;
  return nullptr;
}

TComponent* DfmTextToNewComponent(const TStringList& strings, TComponent* owner, const TReaderErrorHandler& onError) {
  const TDfmObject object = TDfmParser(JoinLines(strings, "\n")).ParseComponent();
  const TComponentFactory create = FindComponentClass(object.ClassName);
  if (!create) throw EClassNotFound("Class " + object.ClassName + " not found");
  TComponent* component = create(owner);
  component->Name = object.Name;
  ReadInto(*component, object, onError);
  return component;
}

bool ResourceToText(std::iostream& resStream, std::iostream& textStream) {
  const std::string resource = ReadStream(resStream);
  TStringList lines;
  TDfmTextWriter(lines).WriteObject(TBinaryReader(resource).Read());
  WriteStream(textStream, JoinLines(lines, "\r\n"));
  Rewind(resStream);
  return true;
}

bool TextToResource(std::iostream& resStream, std::iostream& textStream) {
  const std::string text = ReadStream(textStream);
  WriteStream(resStream, TBinaryWriter().Write(TDfmParser(text).ParseComponent()));
  Rewind(textStream);
  return true;
}
