// The component-text reader on any input: it either raises EParserError or reads, and what it
// read is written, read into a fresh component and written again to the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/qmDfmUtils.h"

namespace {

// A component with a property of every kind, items nested in items and a published object.

enum class TFuzzKind { fkNone, fkSome, fkAll };
constexpr const char* FuzzKindNames[] = {"fkNone", "fkSome", "fkAll"};

class TFuzzData : public TPersistent {
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

class TFuzzItem : public TCollectionItem {
 public:
  std::string Word;
  bool Active = false;
  TFuzzKind Kind = TFuzzKind::fkNone;
  TFuzzData Data;
  TOwnedCollection<TFuzzItem> Children;

  void describe(TPropertyVisitor& visitor) override {
    visitor.String("Word", Word);
    visitor.Boolean("Active", Active);
    visitor.Enumeration("Kind", Kind, FuzzKindNames);
    visitor.Object("Data", Data);
    visitor.Collection("Children", Children);
  }
};

class TFuzzComponent : public TComponent {
 public:
  TFuzzComponent() : TComponent(nullptr) { Items.Add().Word = "default"; }
  const char* ClassName() const override { return "TFuzzComponent"; }

  int32_t Count = 7;
  bool Enabled = true;
  std::string Caption = "Hello";
  TFuzzKind Kind = TFuzzKind::fkSome;
  int32_t Percent = 50;
  TStringList Lines = {"one", "two"};
  TFuzzData Data;
  TOwnedCollection<TFuzzItem> Items;

  void describe(TPropertyVisitor& visitor) override {
    visitor.Integer("Count", Count);
    visitor.Boolean("Enabled", Enabled);
    visitor.String("Caption", Caption);
    visitor.Enumeration("Kind", Kind, FuzzKindNames);
    visitor.Integer("Percent", Percent, [this](int32_t value) {
      if (value < 0 || value > 100) throw EConvertError("Percent must lie between 0 and 100");
      Percent = value;
    });
    visitor.Strings("Lines", Lines);
    visitor.Object("Data", Data);
    visitor.Collection("Items", Items);
  }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto ignore = [](const std::string&) {};

  TFuzzComponent component;
  try {
    TextToComponent(component, input, ignore);
  } catch (const EParserError&) {
    return 0;
  }

  const std::string written = ComponentToText(component);
  TFuzzComponent copy;
  try {
    TextToComponent(copy, written, [](const std::string&) { std::abort(); });  // its own text reads cleanly
  } catch (const EParserError&) {
    std::abort();
  }
  Check(ComponentToText(copy) == written);
  return 0;
}
