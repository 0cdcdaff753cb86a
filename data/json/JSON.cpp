#include "data/json/JSON.h"

#include "core/Unicode.h"
#include "data/json/JSONNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

// --- text --------------------------------------------------------------------------------

// ASCII that stands for itself in a string: all but the quotation mark and the backslash.
bool IsPlainByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x80 && byte != '"' && byte != '\\';
}

// Strings and indentation are long runs of the same kind of byte: they are skipped eight
// bytes at a time while none of the eight ends the run (the usual test for a byte equal to a
// value in a word).
constexpr uint64_t EveryByte = 0x0101010101010101;
constexpr uint64_t HighBits = 0x8080808080808080;

uint64_t HasZeroByte(uint64_t word) { return (word - EveryByte) & ~word & HighBits; }

uint64_t HasByte(uint64_t word, uint8_t value) { return HasZeroByte(word ^ (EveryByte * value)); }

uint64_t EightBytes(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The end of the run of plain bytes from P.
const char* SkipPlainBytes(const char* p, const char* end) {
  while (end - p >= 8) {
    const uint64_t word = EightBytes(p);
    if (HasByte(word, '"') | HasByte(word, '\\') | (word & HighBits)) break;
    p += 8;
  }
  while (p != end && IsPlainByte(*p)) ++p;
  return p;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

// The end of the blanks from P.
const char* SkipBlanks(const char* p, const char* end) {
  while (end - p >= 8 && EightBytes(p) == EveryByte * ' ') p += 8;
  while (p != end && IsBlank(*p)) ++p;
  return p;
}

// Each surrogate in Text that is not half of a pair becomes U+FFFD.
void ReplaceLoneSurrogates(std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
      ++i;
    else if (IsSurrogate(text[i]))
      text[i] = char16_t(ReplacementCharacter);
  }
}

// --- value conversions ---------------------------------------------------------------------

[[noreturn]] void CannotConvert(const TJSONvalue& value, const char* into) {
  static const char* const names[] = {"Null", "Double", "UnicodeString", "Boolean"};
  throw EConvertError(std::string("Could not convert variant of type (") + names[value.index()] + ") into type (" +
                      into + ")");
}

double ToDouble(const TJSONvalue& value) {
  if (const double* number = std::get_if<double>(&value)) return *number;
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
  if (const std::u16string* text = std::get_if<std::u16string>(&value)) {
    // A text that is one number within a double's range.
    const std::string narrow = Utf16ToUtf8(*text);
    long double number;
    if (SkipJSONNumber(narrow.data(), narrow.data() + narrow.size()) == narrow.data() + narrow.size() &&
        JSONNumberValue(narrow, number) && std::isfinite(double(number)))
      return double(number);
  }
  CannotConvert(value, "Double");
}

std::u16string ToText(const TJSONvalue& value) {
  if (const std::u16string* text = std::get_if<std::u16string>(&value)) return *text;
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? u"True" : u"False";
  if (const double* number = std::get_if<double>(&value)) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, *number).ptr;
    return std::u16string(digits, end);
  }
  CannotConvert(value, "UnicodeString");
}

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
  return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                    [](char16_t a, char16_t b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
}

bool ToBoolean(const TJSONvalue& value) {
  if (const bool* flag = std::get_if<bool>(&value)) return *flag;
  if (const double* number = std::get_if<double>(&value)) return *number != 0;
  if (const std::u16string* text = std::get_if<std::u16string>(&value)) {
    if (EqualsIgnoringAsciiCase(*text, u"true")) return true;
    if (EqualsIgnoringAsciiCase(*text, u"false")) return false;
  }
  CannotConvert(value, "Boolean");
}

int32_t TruncateToInt32(long double value) {
  if (std::isnan(value)) return 0;
  if (value <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return int32_t(value);
}

}  // namespace

std::string EncodeUtf8Char(uint32_t code) {
  std::string out;
  if (code < 0x200000) AppendUtf8(out, code);
  return out;
}

// --- the tree ------------------------------------------------------------------------------

const char* TJSONbase::JSONTypeName() const {
  static const char* const names[] = {"jsBase", "jsNumber", "jsString", "jsBoolean", "jsNull", "jsList", "jsObject"};
  return names[JSONType()];
}

void TJSONnumber::SetValue(const TJSONvalue& value) { FValue = ToDouble(value); }

void TJSONstring::SetValue(const TJSONvalue& value) { Assign(ToText(value)); }

void TJSONstring::Assign(std::u16string_view value) {
  char16_t* text = nullptr;
  if (!value.empty()) {
    text = static_cast<char16_t*>(FMemory->allocate(value.size() * sizeof(char16_t), alignof(char16_t)));
    std::copy(value.begin(), value.end(), text);
  }
  Free();
  FText = text;
  FLength = uint32_t(value.size());
}

void TJSONstring::Free() {
  if (FText) FMemory->deallocate(FText, FLength * sizeof(char16_t), alignof(char16_t));
}

TJSONobjectmethod::TJSONobjectmethod(std::u16string_view name, TJSONptr value)
    : FNameLength(uint32_t(name.size())), FName(new char16_t[name.size()]), FValue(std::move(value)) {
  std::copy(name.begin(), name.end(), FName);
}

TJSONobjectmethod::~TJSONobjectmethod() {
  if (!InDocument()) delete[] FName;
}

void TJSONboolean::SetValue(const TJSONvalue& value) { FValue = ToBoolean(value); }

TJSONbase* TJSONcustomlist::GetChild(int index) const {
  return InRange(index) ? FChildren[size_t(index)].get() : nullptr;
}

void TJSONcustomlist::SetChild(int index, TJSONptr&& value) {
  if (!InRange(index) || !value) return;
  Adopt(*value);
  FChildren[size_t(index)] = std::move(value);
}

int TJSONcustomlist::Add(TJSONptr&& value) {
  if (!value) return -1;
  Adopt(*value);
  FChildren.push_back(std::move(value));
  return GetCount() - 1;
}

void TJSONcustomlist::Delete(int index) {
  if (!InRange(index)) return;
  FChildren[size_t(index)] = std::move(FChildren.back());
  FChildren.pop_back();
}

int TJSONcustomlist::IndexOf(const TJSONbase* child) const {
  const auto found =
      std::find_if(FChildren.begin(), FChildren.end(), [child](const TJSONptr& c) { return c.get() == child; });
  return found == FChildren.end() ? -1 : int(found - FChildren.begin());
}

template <class T>
const T* TJSONcustomlist::TypedValueAt(int index) const {
  const TJSONbase* value = ValueAt(index);
  if (!value) return nullptr;
  const auto* typed = dynamic_cast<const T*>(value);
  if (!typed) throw EInvalidCast("Invalid class typecast");
  return typed;
}

int32_t TJSONcustomlist::GetInteger(int index) const {
  const auto* number = TypedValueAt<TJSONnumber>(index);
  return number ? TruncateToInt32(number->Value()) : 0;
}

std::string TJSONcustomlist::GetString(int index) const {
  const auto* text = TypedValueAt<TJSONstring>(index);
  return text ? Utf16ToUtf8(text->Value()) : std::string();
}

std::u16string TJSONcustomlist::GetWideString(int index) const {
  const auto* text = TypedValueAt<TJSONstring>(index);
  return text ? std::u16string(text->Value()) : std::u16string();
}

double TJSONcustomlist::GetDouble(int index) const {
  const auto* number = TypedValueAt<TJSONnumber>(index);
  return number ? number->Value() : 0;
}

bool TJSONcustomlist::GetBoolean(int index) const {
  const auto* flag = TypedValueAt<TJSONboolean>(index);
  return flag && flag->Value();
}

TJSONbase* TJSONlist::GetChildAndName(int index, std::string& name) const {
  name = std::to_string(index);
  return GetChild(index);
}

// --- the name index ------------------------------------------------------------------------

TJSONBalTree::~TJSONBalTree() {
  if (!FStore) return;
  FStore->~TStore();
  FMemory->deallocate(FStore, sizeof(TStore), alignof(TStore));
}

TJSONBalTree::TStore& TJSONBalTree::Store() {
  if (!FStore) FStore = new (FMemory->allocate(sizeof(TStore), alignof(TStore))) TStore(FMemory);
  return *FStore;
}

std::u16string_view TJSONBalTree::NameOf(uint32_t node) const {
  const TJSONBalNode& n = FStore->Nodes[node];
  return std::u16string_view(FStore->Names).substr(n.NameStart, n.NameLength);
}

int TJSONBalTree::Search(std::u16string_view name) const {
  uint32_t node = FRoot;
  while (node != 0) {
    const int order = name.compare(NameOf(node));
    const TJSONBalNode& n = FStore->Nodes[node];
    if (order == 0) return n.Position;
    node = order < 0 ? n.Left : n.Right;
  }
  return -1;
}

bool TJSONBalTree::Insert(std::u16string_view name, int position) {
  if (Store().Nodes.empty()) FStore->Nodes.emplace_back();  // the sentinel: level 0, both links to itself
  bool inserted = false;
  FRoot = Insert(FRoot, name, position, inserted);
  return inserted;
}

uint32_t TJSONBalTree::Insert(uint32_t node, std::u16string_view name, int position, bool& inserted) {
  auto& nodes = FStore->Nodes;
  if (node == 0) {
    nodes.push_back({0, 0, position, 1, uint32_t(FStore->Names.size()), uint32_t(name.size())});
    FStore->Names.append(name);
    inserted = true;
    return uint32_t(nodes.size() - 1);
  }
  const int order = name.compare(NameOf(node));
  if (order == 0) return node;
  if (order < 0) {
    const uint32_t left = Insert(nodes[node].Left, name, position, inserted);
    nodes[node].Left = left;
  } else {
    const uint32_t right = Insert(nodes[node].Right, name, position, inserted);
    nodes[node].Right = right;
  }
  return Split(Skew(node));
}

// A left child on the node's own level takes the node's place.
uint32_t TJSONBalTree::Skew(uint32_t node) {
  auto& nodes = FStore->Nodes;
  const uint32_t left = nodes[node].Left;
  if (nodes[left].Level != nodes[node].Level) return node;
  nodes[node].Left = nodes[left].Right;
  nodes[left].Right = node;
  return left;
}

// Two right links in a row on the node's level: the middle node goes up a level.
uint32_t TJSONBalTree::Split(uint32_t node) {
  auto& nodes = FStore->Nodes;
  const uint32_t right = nodes[node].Right;
  if (nodes[nodes[right].Right].Level != nodes[node].Level) return node;
  nodes[node].Right = nodes[right].Left;
  nodes[right].Left = node;
  ++nodes[right].Level;
  return right;
}

void TJSONBalTree::Clear() {
  if (FStore) {
    FStore->Nodes.clear();
    FStore->Names.clear();
  }
  FRoot = 0;
}

void TJSONBalTree::Reserve(size_t count, size_t textLength) {
  Store().Nodes.reserve(count + 1);
  FStore->Names.reserve(textLength);
}

// --- objects -------------------------------------------------------------------------------

namespace {
// Up to this many members an object is scanned and has no index: comparing a few names is
// quicker than a walk through a tree, and a document holds many small objects.
constexpr int ScannedMembers = 16;

bool IsMember(const TJSONptr& value) { return dynamic_cast<const TJSONobjectmethod*>(value.get()) != nullptr; }
}  // namespace

void TJSONobject::SetChild(int index, TJSONptr&& value) {
  if (!InRange(index) || !IsMember(value)) return;
  TJSONcustomlist::SetChild(index, std::move(value));
  Reindex();
}

int TJSONobject::Add(TJSONptr&& value) {
  if (!IsMember(value)) return -1;
  const int index = TJSONcustomlist::Add(std::move(value));
  if (index == ScannedMembers)
    Reindex();
  else if (Indexed())
    FIndex.Insert(Member(index).Name(), index);
  return index;
}

void TJSONobject::Delete(int index) {
  if (!InRange(index)) return;
  TJSONcustomlist::Delete(index);
  Reindex();
}

bool TJSONobject::Indexed() const { return FUseIndex && GetCount() > ScannedMembers; }

// The index maps names to positions: after a member went or moved it is built again, so that
// each name maps to its first remaining member.
void TJSONobject::Reindex() {
  FIndex.Clear();
  if (!Indexed()) return;
  size_t textLength = 0;
  for (int i = 0; i < GetCount(); ++i) textLength += Member(i).Name().size();
  FIndex.Reserve(FChildren.size(), textLength);
  for (int i = 0; i < GetCount(); ++i) FIndex.Insert(Member(i).Name(), i);
}

TJSONbase* TJSONobject::GetChildAndName(int index, std::string& name) const {
  name = Utf16ToUtf8(NameOf(index));
  return FieldByIndex(index);
}

int TJSONobject::IndexOfName(std::u16string_view name) const {
  if (Indexed()) return FIndex.Search(name);
  for (int i = 0; i < GetCount(); ++i)
    if (Member(i).Name() == name) return i;
  return -1;
}

TJSONbase* TJSONobject::Field(std::u16string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? nullptr : Member(index).Value();
}

std::u16string_view TJSONobject::NameOf(int index) const {
  return InRange(index) ? Member(index).Name() : std::u16string_view();
}

TJSONbase* TJSONobject::FieldByIndex(int index) const {
  const std::u16string_view name = NameOf(index);
  return name.empty() ? nullptr : Field(name);
}

// --- documents -----------------------------------------------------------------------------

namespace {

constexpr size_t BlockSize = 64 * 1024;

// The blocks of documents gone, kept for the next ones up to 16 MB: the Chrome bookmarks file
// is parsed again on every search, and memory fresh from the system costs more than the parse.
// A launcher stays small in memory between searches, so a larger file pays for its surplus.
class TBlockCache {
 public:
  std::unique_ptr<std::byte[]> Take() {
    const std::lock_guard lock(FMutex);
    if (FBlocks.empty()) return std::make_unique_for_overwrite<std::byte[]>(BlockSize);
    auto block = std::move(FBlocks.back());
    FBlocks.pop_back();
    return block;
  }

  void Keep(std::vector<std::unique_ptr<std::byte[]>>& blocks) {
    const std::lock_guard lock(FMutex);
    while (!blocks.empty() && FBlocks.size() < MaxBlocks) {
      FBlocks.push_back(std::move(blocks.back()));
      blocks.pop_back();
    }
  }

 private:
  static constexpr size_t MaxBlocks = 256;

  std::mutex FMutex;
  std::vector<std::unique_ptr<std::byte[]>> FBlocks;
};

TBlockCache& BlockCache() {
  static TBlockCache cache;
  return cache;
}

}  // namespace

// Handed out in order from blocks and given back all at once, with the document.
class TJSONmemory : public std::pmr::memory_resource {
 public:
  TJSONmemory() = default;
  TJSONmemory(const TJSONmemory&) = delete;
  TJSONmemory& operator=(const TJSONmemory&) = delete;
  ~TJSONmemory() override { BlockCache().Keep(FBlocks); }

  // Set when a node made with new joins the document: then its nodes are destroyed one by one.
  bool HoldsForeignNodes = false;

  // What allocate does, without its virtual call.
  void* Allocate(size_t bytes, size_t alignment) {
    if (!std::align(alignment, bytes, FNext, FLeft)) return AllocateInNewBlock(bytes, alignment);
    void* place = FNext;
    FNext = static_cast<std::byte*>(FNext) + bytes;
    FLeft -= bytes;
    return place;
  }

 private:
  void* AllocateInNewBlock(size_t bytes, size_t alignment) {
    // Big pieces get a block of their own; the current block goes on serving small ones.
    if (bytes > BlockSize / 4) return FBigPieces.emplace_back(std::make_unique_for_overwrite<std::byte[]>(bytes)).get();
    FNext = FBlocks.emplace_back(BlockCache().Take()).get();
    FLeft = BlockSize;
    return Allocate(bytes, alignment);
  }

  void* do_allocate(size_t bytes, size_t alignment) override { return Allocate(bytes, alignment); }
  void do_deallocate(void*, size_t, size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  std::vector<std::unique_ptr<std::byte[]>> FBlocks;     // of BlockSize
  std::vector<std::unique_ptr<std::byte[]>> FBigPieces;  // one piece each
  void* FNext = nullptr;
  size_t FLeft = 0;
};

void TJSONcustomlist::Adopt(const TJSONbase& value) {
  // A document's containers take their memory from the document's TJSONmemory.
  if (FInDocument && !value.FInDocument)
    static_cast<TJSONmemory*>(FChildren.get_allocator().resource())->HoldsForeignNodes = true;
}

TJSONdocument::TJSONdocument() = default;

TJSONdocument::TJSONdocument(TJSONptr root, std::unique_ptr<TJSONmemory> memory)
    : FRoot(std::move(root)), FMemory(std::move(memory)) {}

TJSONdocument::TJSONdocument(TJSONdocument&& other) noexcept = default;

TJSONdocument& TJSONdocument::operator=(TJSONdocument&& other) noexcept {
  if (this != &other) {
    Release();
    FRoot = std::move(other.FRoot);
    FMemory = std::move(other.FMemory);
  }
  return *this;
}

TJSONdocument::~TJSONdocument() { Release(); }

// Frees the tree before its memory goes. A tree made only by the parser lies wholly in that
// memory and needs no destruction node by node.
void TJSONdocument::Release() {
  if (FMemory && !FMemory->HoldsForeignNodes)
    (void)FRoot.release();
  else
    FRoot.reset();
  FMemory.reset();
}

// --- the parser ----------------------------------------------------------------------------

// One parse: values are built in the document's memory; the children of the open lists and
// objects wait on one stack until their container closes and takes them in one piece. A value
// that cannot be read fails its container, and so the whole document.
class TJSONparser {
 public:
  // Windows1252: the bytes of strings are Windows-1252 rather than UTF-8.
  TJSONparser(std::string_view text, TJSONmemory* memory, bool windows1252)
      : FPos(text.data()), FEnd(text.data() + text.size()), FMemory(memory), FWindows1252(windows1252) {}

  // The value at the start of the text; nil when there is none. What follows it is not read.
  TJSONptr Document() { return Value(); }

  // Whether reading failed on a string that is not well-formed UTF-8.
  bool IllFormed() const { return FIllFormed; }

 private:
  static constexpr int MaxDepth = 512;

  template <class T, class... Args>
  TJSONptr Make(Args&&... args) {
    void* place = FMemory->Allocate(sizeof(T), alignof(T));
    TJSONbase* node = new (place) T(std::forward<Args>(args)...);
    node->FInDocument = true;
    return TJSONptr(node);
  }

  void SkipBlanks() { FPos = ::SkipBlanks(FPos, FEnd); }

  bool Skip(char c) {
    SkipBlanks();
    if (FPos == FEnd || *FPos != c) return false;
    ++FPos;
    return true;
  }

  bool SkipWord(std::string_view word) {
    if (size_t(FEnd - FPos) < word.size() || std::memcmp(FPos, word.data(), word.size()) != 0) return false;
    FPos += word.size();
    return true;
  }

  TJSONptr Value() {
    SkipBlanks();
    if (FPos == FEnd) return nullptr;
    switch (*FPos) {
      case '[':
        return List();
      case '{':
        return Object();
      case '"':
        return String();
      case 't':
        return SkipWord("true") ? Make<TJSONboolean>(true) : nullptr;
      case 'f':
        return SkipWord("false") ? Make<TJSONboolean>(false) : nullptr;
      case 'n':
        return SkipWord("null") ? Make<TJSONnull>() : nullptr;
      default:
        return Number();
    }
  }

  TJSONptr Number() {
    const char* end = SkipJSONNumber(FPos, FEnd);
    long double value;
    if (!end || !JSONNumberValue(std::string_view(FPos, size_t(end - FPos)), value)) return nullptr;
    FPos = end;
    return Make<TJSONnumber>(value);
  }

  TJSONptr String() {
    TJSONptr node = Make<TJSONstring>(FMemory);
    auto& text = static_cast<TJSONstring&>(*node);
    return ReadString(text.FText, text.FLength) ? std::move(node) : nullptr;
  }

  // Reads the string at the position (its opening quote) into the document's memory.
  bool ReadString(char16_t*& text, uint32_t& length) {
    const char* start = ++FPos;
    // The common case, ASCII without a backslash up to the closing quote, is taken as it stands.
    FPos = SkipPlainBytes(FPos, FEnd);
    if (FPos != FEnd && *FPos == '"') return Keep(start, FPos++, text, length);
    return ReadEscapedString(start) && Keep(FScratch.begin(), FScratch.end(), text, length);
  }

  // Copies a string's code units into the document's memory.
  template <class Iterator>
  bool Keep(Iterator first, Iterator last, char16_t*& text, uint32_t& length) {
    const auto size = size_t(last - first);
    if (size > std::numeric_limits<uint32_t>::max()) return false;
    text = static_cast<char16_t*>(FMemory->Allocate(size * sizeof(char16_t), alignof(char16_t)));
    std::copy(first, last, text);
    length = uint32_t(size);
    return true;
  }

  // Decodes the string from Start (after its opening quote; plain bytes up to the position)
  // into FScratch, and moves past its closing quote.
  bool ReadEscapedString(const char* start) {
    FScratch.assign(start, FPos);
    bool surrogates = false;  // escaped ones
    while (FPos != FEnd) {
      const char c = *FPos;
      if (c == '"') {
        ++FPos;
        if (surrogates) ReplaceLoneSurrogates(FScratch);
        return true;
      }
      if (c == '\\') {
        ++FPos;
        if (!ReadEscape(surrogates)) return false;
      } else if (IsPlainByte(c)) {
        const char* run = FPos;
        FPos = SkipPlainBytes(FPos, FEnd);
        FScratch.append(run, FPos);
      } else if (!ReadCharacter(true)) {
        return false;
      }
    }
    return false;  // no closing quote
  }

  // The character of one or more bytes (not ASCII) at the position, appended when Keep.
  bool ReadCharacter(bool keep) {
    if (FWindows1252) {
      if (keep) FScratch += Windows1252Char(static_cast<unsigned char>(*FPos));
      ++FPos;
      return true;
    }
    const TUtf8Char character = Utf8CharAt(std::string_view(FPos, size_t(FEnd - FPos)), 0);
    if (!character.Valid) {
      FIllFormed = true;
      return false;
    }
    if (keep) AppendUtf16(FScratch, character.Code);
    FPos += character.Length;
    return true;
  }

  // The escape after a backslash.
  bool ReadEscape(bool& surrogates) {
    if (FPos == FEnd) return false;
    const char c = *FPos;
    if (static_cast<unsigned char>(c) >= 0x80) return ReadCharacter(false);  // both dropped
    ++FPos;
    switch (c) {
      case '"':
      case '\\':
      case '/':
      case '\'':
        FScratch += char16_t(c);
        return true;
      case 'b':
        FScratch += u'\b';
        return true;
      case 'f':
        FScratch += u'\f';
        return true;
      case 'n':
        FScratch += u'\n';
        return true;
      case 'r':
        FScratch += u'\r';
        return true;
      case 't':
        FScratch += u'\t';
        return true;
      case 'u': {
        char16_t unit;
        if (!ReadHex4(unit)) return false;
        surrogates = surrogates || IsSurrogate(unit);
        FScratch += unit;
        return true;
      }
      default:
        return true;  // both dropped
    }
  }

  bool ReadHex4(char16_t& unit) {
    if (FEnd - FPos < 4) return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(FPos, FPos + 4, value, 16);
    if (error != std::errc() || end != FPos + 4) return false;
    FPos = end;
    unit = char16_t(value);
    return true;
  }

  TJSONptr List() {
    TJSONptr list = Make<TJSONlist>(FMemory);
    return ReadChildren(']', &TJSONparser::Value, static_cast<TJSONlist&>(*list)) ? std::move(list) : nullptr;
  }

  TJSONptr Object() {
    TJSONptr object = Make<TJSONobject>(true, FMemory);
    auto& members = static_cast<TJSONobject&>(*object);
    if (!ReadChildren('}', &TJSONparser::Member, members)) return nullptr;
    members.Reindex();
    return object;
  }

  // A name, a colon, a value.
  TJSONptr Member() {
    TJSONptr member = Make<TJSONobjectmethod>();
    auto& m = static_cast<TJSONobjectmethod&>(*member);
    if (*FPos != '"' || !ReadString(m.FName, m.FNameLength) || !Skip(':')) return nullptr;
    m.FValue = Value();
    return m.FValue ? std::move(member) : nullptr;
  }

  // From the opening bracket to Close: the children that Child reads (each at a byte that is
  // no blank), with or without a comma after each.
  bool ReadChildren(char close, TJSONptr (TJSONparser::*child)(), TJSONcustomlist& container) {
    if (++FDepth > MaxDepth) return false;
    ++FPos;
    const size_t first = FPending.size();
    for (;;) {
      SkipBlanks();
      if (FPos == FEnd) return false;
      if (*FPos == close) break;
      TJSONptr next = (this->*child)();
      if (!next) return false;
      FPending.push_back(std::move(next));
      Skip(',');
    }
    ++FPos;
    --FDepth;
    const auto from = FPending.begin() + std::ptrdiff_t(first);
    container.FChildren.reserve(size_t(FPending.end() - from));
    std::move(from, FPending.end(), std::back_inserter(container.FChildren));
    FPending.erase(from, FPending.end());
    return true;
  }

  const char* FPos;
  const char* const FEnd;
  TJSONmemory* const FMemory;
  const bool FWindows1252;
  bool FIllFormed = false;
  std::vector<TJSONptr> FPending;  // children of the open containers, the innermost last
  std::u16string FScratch;         // a string being unescaped
  int FDepth = 0;
};

TJSONdocument TJSON::ParseText(std::string_view text) {
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (text.starts_with(bom)) text.remove_prefix(bom.size());
  try {
    // Strings are read as UTF-8; when one is not well-formed, the document is read again with
    // all of its strings as Windows-1252.
    for (const bool windows1252 : {false, true}) {
      auto memory = std::make_unique<TJSONmemory>();
      TJSONparser parser(text, memory.get(), windows1252);
      TJSONptr root = parser.Document();
      if (parser.IllFormed()) continue;
      if (!root) break;
      return TJSONdocument(std::move(root), std::move(memory));
    }
  } catch (const std::bad_alloc&) {
    // a document too big for the memory left is no document either
  }
  return {};
}
