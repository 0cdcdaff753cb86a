// The Internet Explorer favourites: the Internet-shortcut files under the shell's Favorites
// folder, found by file name and opened by the shell in the default browser.
#pragma once

#include <memory>
#include <string>

#include "core/LorvexClasses.h"
#include "sources/SearchShortcuts.h"

class TSearchIEBookmarks : public TSearchClass {
 public:
  TSearchIEBookmarks(TComponent* owner, std::shared_ptr<TShortcutShell> shell);

  std::string GetName() override { return "Internet Explorer Favorites"; }
  // Matches file names only, whatever the extended search says.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Hands the favourite's file to the shell; a failure leaves no message.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchIEBookmarks"; }

 private:
  int FileFound(const std::string& fullPath, TDrawType drawType);

  TAddHitFunc FAddHit;
  std::shared_ptr<TShortcutShell> FShell;
};
