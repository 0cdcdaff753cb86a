#include "desktop/qmCtrls.h"

#include <algorithm>

TCaptionSelection SelectCaptionRun(const std::vector<int>& prefixExtents, int fromX, int toX) {
  // The extents grow with the prefix: the number of prefixes not wider than X is the index of
  // the first one that is wider.
  const auto notWider = [&](int x) {
    return static_cast<size_t>(std::upper_bound(prefixExtents.begin(), prefixExtents.end(), x) - prefixExtents.begin());
  };
  const size_t start = notWider(std::min(fromX, toX));
  const size_t end = std::min(notWider(std::max(fromX, toX)) + 1, prefixExtents.size());
  if (start >= end) return {start, 0, 0, 0};
  return {start, end - start, start > 0 ? prefixExtents[start - 1] : 0, prefixExtents[end - 1]};
}
