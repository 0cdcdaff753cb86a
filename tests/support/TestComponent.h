// A component with a property of every kind the component text knows, items nested in items and
// published objects: the component-text tests and the component-text fuzz target read and write it.
#pragma once

#include <array>
#include <string>

#include "core/qmDfmUtils.h"

enum class TTestKind { tkNone, tkSome, tkAll };
inline constexpr std::array<const char*, 3> TestKindNames = {"tkNone", "tkSome", "tkAll"};

class TTestData : public TPersistent {
 public:
  std::string DisplayName;
  int32_t Size = 0;
  TStringList Tags;
  std::string Icon;  // binary, written when there is one

  void describe(TPropertyVisitor& visitor) override {
    visitor.String("DisplayName", DisplayName);
    visitor.Integer("Size", Size);
    visitor.Strings("Tags", Tags);
    visitor.Binary("Icon", Icon);
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
  std::string Picture;  // binary, written when there is one

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
    visitor.Binary("Picture", Picture);
  }
  void Loaded() override { ++LoadedCount; }
  int LoadedCount = 0;
};
