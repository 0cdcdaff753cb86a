// A search source whose search is the test's own function; it keeps the texts it was given.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/LorvexClasses.h"

class TTestSource : public TSearchClass {
 public:
  using TSearch = std::function<void(const std::string& text, const TAddHitFunc& addHit)>;
  TTestSource(std::string name, TSearch search)
      : TSearchClass(nullptr), FName(std::move(name)), FSearch(std::move(search)) {}
  std::string GetName() override { return FName; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    Texts.push_back(text);
    FSearch(text, addHit);
  }
  void CancelSearch() override {
    if (OnCancel) OnCancel();
  }
  void Execute(TItemData&) override {}
  std::vector<std::string> Texts;
  std::function<void()> OnCancel;

 private:
  std::string FName;
  TSearch FSearch;
};
