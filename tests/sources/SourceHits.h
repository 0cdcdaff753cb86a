// The hits a source reports for one text, polls left out.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"

inline std::vector<TItemRecord> CollectHits(TSearchClass& source, const std::string& text) {
  std::vector<TItemRecord> hits;
  source.Search(text, [&](const TItemRecord& record) {
    if (!record.DisplayName.empty()) hits.push_back(record);
    return false;
  });
  return hits;
}

// Their names, sorted: the order of a folder's entries is the file system's.
inline std::vector<std::string> HitNames(const std::vector<TItemRecord>& hits) {
  std::vector<std::string> names;
  for (const TItemRecord& hit : hits) names.push_back(hit.DisplayName);
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
  std::vector<std::string> names;
  for (const TItemRecord& hit : CollectHits(source, text)) names.push_back(hit.DisplayName);
  return names;
}
