// A JSON document model and its parser. The Chrome bookmarks file is parsed on every search,
// so a parsed document keeps all of its nodes, texts and child arrays in memory of its own,
// taken in big blocks: parsing allocates little, and the document goes all at once.
//
// The parser is tolerant and never raises: what it cannot read is no document. It reads one
// value and does not look at the text after it.
// - Blanks are all bytes below 33. A UTF-8 byte-order mark before the value is skipped.
// - The literals true, false and null are case-sensitive; what follows one is not looked at.
// - Numbers as JSONNumber.h reads them ("+7" and "012" are numbers), held as 80-bit floats; a
//   number beyond that range fails the document.
// - Strings: a backslash escapes whatever character follows it, so the first quotation mark
//   not escaped closes the string. Control characters stand for themselves. The escapes are
//   JSON's and \' for "'"; a backslash and any other character are both dropped. \u takes
//   exactly four hexadecimal digits; an escaped surrogate that is not half of a pair (a high
//   one escaped right before a low one) becomes U+FFFD.
// - Lists and objects: their values (members) follow one another with or without a comma
//   between them; a comma after the last is allowed, one before the first or two in a row are
//   not. They nest at most 512 deep.
// - A document's strings are UTF-8 when all of their bytes are well-formed UTF-8, and
//   Windows-1252 otherwise: the one rule for text from outside (core/Unicode.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/Persistent.h"

// The framework's error for a value of the wrong class.
class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

enum TJSONtype { jsBase, jsNumber, jsString, jsBoolean, jsNull, jsList, jsObject };

// What GetValue answers and SetValue takes: null, a number, a wide text or a Boolean.
using TJSONvalue = std::variant<std::monostate, double, std::u16string, bool>;

class TJSONbase;
class TJSONparser;

// Frees a node: one made with new is deleted, one of a parsed document only destroyed (its
// memory goes with the document).
struct TJSONfree {
  void operator()(TJSONbase* node) const noexcept;
};

// An owned node. Containers and members own their children through it.
using TJSONptr = std::unique_ptr<TJSONbase, TJSONfree>;

class TJSONbase {
 public:
  TJSONbase() = default;
  TJSONbase(const TJSONbase&) = delete;
  TJSONbase& operator=(const TJSONbase&) = delete;
  virtual ~TJSONbase() = default;

  virtual TJSONvalue GetValue() const { return {}; }
  virtual void SetValue(const TJSONvalue& value) {}
  virtual TJSONbase* GetChild(int index) const { return nullptr; }
  // Takes Value when it stores it; otherwise Value stays the caller's.
  virtual void SetChild(int index, TJSONptr&& value) {}
  virtual int GetCount() const { return 0; }
  // By position or by name; what a node cannot look up answers the node itself.
  virtual TJSONbase* GetField(int index) { return this; }
  virtual TJSONbase* GetField(std::u16string_view name) { return this; }
  virtual TJSONtype JSONType() const { return jsBase; }
  const char* JSONTypeName() const;

 protected:
  bool InDocument() const { return FInDocument; }

 private:
  friend struct TJSONfree;
  friend class TJSONcustomlist;
  friend class TJSONparser;
  bool FInDocument = false;  // lives in a parsed document's memory
};

inline void TJSONfree::operator()(TJSONbase* node) const noexcept {
  if (node->FInDocument)
    node->~TJSONbase();
  else
    delete node;
}

// Holds an 80-bit float; GetValue answers it as a double.
class TJSONnumber : public TJSONbase {
 public:
  explicit TJSONnumber(long double value = 0) : FValue(value) {}
  long double Value() const { return FValue; }
  TJSONvalue GetValue() const override { return double(FValue); }
  void SetValue(const TJSONvalue& value) override;
  TJSONtype JSONType() const override { return jsNumber; }

 private:
  long double FValue;
};

class TJSONstring : public TJSONbase {
 public:
  explicit TJSONstring(std::u16string_view value = {},
                       std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : FMemory(memory) {
    Assign(value);
  }
  ~TJSONstring() override { Free(); }
  std::u16string_view Value() const { return {FText, FLength}; }
  TJSONvalue GetValue() const override { return std::u16string(Value()); }
  void SetValue(const TJSONvalue& value) override;
  TJSONtype JSONType() const override { return jsString; }

 private:
  friend class TJSONparser;
  explicit TJSONstring(std::pmr::memory_resource* memory) : FMemory(memory) {}
  void Assign(std::u16string_view value);
  void Free();

  // The text in FMemory (a bare length and pointer keep the many strings of a document small).
  uint32_t FLength = 0;
  char16_t* FText = nullptr;
  std::pmr::memory_resource* FMemory;
};

class TJSONboolean : public TJSONbase {
 public:
  explicit TJSONboolean(bool value = false) : FValue(value) {}
  bool Value() const { return FValue; }
  TJSONvalue GetValue() const override { return FValue; }
  void SetValue(const TJSONvalue& value) override;
  TJSONtype JSONType() const override { return jsBoolean; }

 private:
  bool FValue;
};

class TJSONnull : public TJSONbase {
 public:
  TJSONtype JSONType() const override { return jsNull; }
};

// One member of an object: its name and its value (owned; none until set).
class TJSONobjectmethod : public TJSONbase {
 public:
  explicit TJSONobjectmethod(std::u16string_view name, TJSONptr value = nullptr);
  ~TJSONobjectmethod() override;
  std::u16string_view Name() const { return {FName, FNameLength}; }
  TJSONbase* Value() const { return FValue.get(); }

 private:
  friend class TJSONparser;
  TJSONobjectmethod() = default;

  uint32_t FNameLength = 0;
  char16_t* FName = nullptr;  // a parsed member's in the document's memory, another's its own
  TJSONptr FValue;
};

// Lists and objects: an ordered list of owned children (for an object, its members).
class TJSONcustomlist : public TJSONbase {
 public:
  explicit TJSONcustomlist(std::pmr::memory_resource* memory) : FChildren(memory) {}

  int GetCount() const override { return int(FChildren.size()); }
  // Nil outside 0 .. GetCount() - 1.
  TJSONbase* GetChild(int index) const override;
  // Inside the range, frees the child there and puts Value in its place.
  void SetChild(int index, TJSONptr&& value) override;
  TJSONbase* GetField(int index) override { return GetChild(index); }
  TJSONbase* GetField(std::u16string_view name) override { return this; }

  // The child at Index (for an object: the value of the first member of that member's name)
  // and its name (a list's is the decimal index).
  virtual TJSONbase* GetChildAndName(int index, std::string& name) const = 0;
  // Appends Value and answers its index; nil answers -1.
  virtual int Add(TJSONptr&& value);
  // Frees the child at Index and moves the last child into its place.
  virtual void Delete(int index);
  int IndexOf(const TJSONbase* child) const;

  // The value at Index (see GetChildAndName) as the class each needs; a missing one answers
  // 0, an empty text or False, one of another class raises EInvalidCast. GetInteger drops the
  // fraction; beyond the 32-bit range it answers the nearest end of it.
  int32_t GetInteger(int index) const;
  std::string GetString(int index) const;  // UTF-8, the program's code page
  std::u16string GetWideString(int index) const;
  double GetDouble(int index) const;
  bool GetBoolean(int index) const;

 protected:
  // The value the typed getters read at Index.
  virtual TJSONbase* ValueAt(int index) const = 0;
  bool InRange(int index) const { return index >= 0 && index < GetCount(); }
  // Value is about to be stored here.
  void Adopt(const TJSONbase& value);

  std::pmr::vector<TJSONptr> FChildren;

 private:
  friend class TJSONparser;
  template <class T>
  const T* TypedValueAt(int index) const;
};

class TJSONlist : public TJSONcustomlist {
 public:
  explicit TJSONlist(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) : TJSONcustomlist(memory) {}
  TJSONtype JSONType() const override { return jsList; }
  TJSONbase* GetChildAndName(int index, std::string& name) const override;

 protected:
  TJSONbase* ValueAt(int index) const override { return GetChild(index); }
};

// A node of a name index: links are places in the tree's node array; the name is NameLength
// code units of the tree's text from NameStart.
struct TJSONBalNode {
  uint32_t Left = 0;
  uint32_t Right = 0;
  int32_t Position = 0;
  uint8_t Level = 0;
  uint32_t NameStart = 0;
  uint32_t NameLength = 0;
};

// Names to positions, kept balanced (an AA tree). Every node holds its own copy of its name.
// Node 0 is the sentinel of level 0 that stands for every empty subtree. Names compare code unit
// by code unit; a name that begins another orders first. A tree takes no memory of its own until
// the first name comes (most objects are small and never need theirs).
class TJSONBalTree {
 public:
  explicit TJSONBalTree(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) : FMemory(memory) {}
  TJSONBalTree(const TJSONBalTree&) = delete;
  TJSONBalTree& operator=(const TJSONBalTree&) = delete;
  ~TJSONBalTree();

  // The position of Name, or -1.
  int Search(std::u16string_view name) const;
  // False, changing nothing, when Name is there already.
  bool Insert(std::u16string_view name, int position);
  // Forgets every name.
  void Clear();
  // Room for Count names of TextLength code units in all.
  void Reserve(size_t count, size_t textLength);

 private:
  struct TStore {
    explicit TStore(std::pmr::memory_resource* memory) : Nodes(memory), Names(memory) {}
    std::pmr::vector<TJSONBalNode> Nodes;
    std::pmr::u16string Names;  // of the nodes, one after the other
  };

  TStore& Store();
  std::u16string_view NameOf(uint32_t node) const;
  uint32_t Insert(uint32_t node, std::u16string_view name, int position, bool& inserted);
  uint32_t Skew(uint32_t node);
  uint32_t Split(uint32_t node);

  std::pmr::memory_resource* FMemory;
  TStore* FStore = nullptr;  // from FMemory
  uint32_t FRoot = 0;
};

// An object: its children are TJSONobjectmethod members in document order.
class TJSONobject : public TJSONcustomlist {
 public:
  explicit TJSONobject(bool useIndex = true, std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : TJSONcustomlist(memory), FIndex(memory), FUseIndex(useIndex) {}
  TJSONtype JSONType() const override { return jsObject; }

  // Only members are taken, by SetChild and Add; any other value stays the caller's.
  void SetChild(int index, TJSONptr&& value) override;
  int Add(TJSONptr&& value) override;
  void Delete(int index) override;
  using TJSONcustomlist::GetField;
  TJSONbase* GetField(std::u16string_view name) override { return Field(name); }
  TJSONbase* GetChildAndName(int index, std::string& name) const override;

  // The position of the first member named Name (names compare exactly), or -1.
  int IndexOfName(std::u16string_view name) const;
  // The value of the first member named Name, or nil.
  TJSONbase* Field(std::u16string_view name) const;
  // Empty outside the range.
  std::u16string_view NameOf(int index) const;
  // The value of the first member of the name at Index; nil for an empty name.
  TJSONbase* FieldByIndex(int index) const;

 protected:
  TJSONbase* ValueAt(int index) const override { return FieldByIndex(index); }

 private:
  friend class TJSONparser;
  const TJSONobjectmethod& Member(int index) const {
    return static_cast<const TJSONobjectmethod&>(*FChildren[size_t(index)]);
  }
  bool Indexed() const;
  void Reindex();

  TJSONBalTree FIndex;
  bool FUseIndex;
};

// The memory of one parsed document.
class TJSONmemory;

// What TJSON::ParseText answers: the root value, or none.
class TJSONdocument {
 public:
  TJSONdocument();
  TJSONdocument(TJSONdocument&& other) noexcept;
  TJSONdocument& operator=(TJSONdocument&& other) noexcept;
  ~TJSONdocument();

  TJSONbase* get() const { return FRoot.get(); }
  TJSONbase* operator->() const { return FRoot.get(); }
  TJSONbase& operator*() const { return *FRoot; }
  explicit operator bool() const { return bool(FRoot); }

 private:
  friend class TJSON;
  TJSONdocument(TJSONptr root, std::unique_ptr<TJSONmemory> memory);
  void Release();

  TJSONptr FRoot;
  std::unique_ptr<TJSONmemory> FMemory;
};

class TJSON {
 public:
  // The value that Text (UTF-8) holds, or none when it holds no JSON value. Never raises.
  static TJSONdocument ParseText(std::string_view text);
};

// The UTF-8 form of Code: one to four bytes for a code below 200000 hex, a surrogate of its own
// included (so not always well-formed UTF-8); nothing for a larger one.
std::string EncodeUtf8Char(uint32_t code);
