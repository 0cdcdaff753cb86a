// The hits a source reports for one text, polls left out, and the items a test runs.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "tests/support/Mapped.h"

using TNames = std::vector<std::string>;

// An item that runs ExecuteString with Parameters.
inline TItemData ItemOf(const std::string& executeString, const std::string& parameters = "", bool asAdmin = false) {
  TItemData item;
  item.SetExecuteString(executeString);
  item.SetParameters(parameters);
  item.AsAdmin = asAdmin;
  return item;
}

inline void RunItem(TSearchClass& source, TItemData item) { source.Execute(item); }

// With Failure, a search that fails gives the hits it reported before, and Failure its message.
inline std::vector<TItemRecord> CollectHits(TSearchClass& source, const std::string& text,
                                            std::string* failure = nullptr) {
  std::vector<TItemRecord> hits;
  try {
    source.Search(text, [&](const TItemRecord& record) {
      if (!record.DisplayName.empty()) hits.push_back(record);
      return false;
    });
  } catch (const std::exception& e) {
    if (!failure) throw;
    *failure = e.what();
  }
  return hits;
}

// Their names, sorted: the order of a folder's entries is the file system's.
inline std::vector<std::string> HitNames(const std::vector<TItemRecord>& hits) {
  std::vector<std::string> names = Mapped(hits, [](const TItemRecord& hit) { return hit.DisplayName; });
  std::sort(names.begin(), names.end());
  return names;
}

// What a row of the list shows and runs of a hit, its fields separated by "|": name, hint,
// execute string, icon file, extension, description and source.
inline std::string Shown(const TItemRecord& hit) {
  return hit.DisplayName + "|" + hit.Hint + "|" + hit.ExecuteString + "|" + hit.IconFile + "|" + hit.Extension + "|" +
         hit.Description + "|" + hit.SearchClassName;
}

// The names a source reports for one text, in its order.
inline std::vector<std::string> NamesInOrder(TSearchClass& source, const std::string& text) {
  return Mapped(CollectHits(source, text), [](const TItemRecord& hit) { return hit.DisplayName; });
}
