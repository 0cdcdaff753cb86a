// What a drag over a label's caption selects, from the widths of the caption's prefixes.
#include "desktop/qmCtrls.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CaptionSelectionTest, RunsFromAfterTheLeftEndThroughTheCharacterUnderTheRightEnd) {
  const std::vector<int> abcd = {5, 10, 15, 20};  // four characters, five pixels each
  struct TCase {
    const char* Drag;
    std::vector<int> Extents;
    int FromX, ToX;
    TCaptionSelection Expected;
  };
  const std::vector<TCase> cases = {
      {"inside b to inside c", abcd, 7, 12, {1, 2, 5, 15}},
      {"the same leftwards", abcd, 12, 7, {1, 2, 5, 15}},
      {"on the edges of b", abcd, 5, 10, {1, 2, 5, 15}},
      {"from left of the text", abcd, -5, 3, {0, 1, 0, 5}},
      {"past the end of the text", abcd, 7, 100, {1, 3, 5, 20}},
      {"the same from past the end leftwards", abcd, 100, 7, {1, 3, 5, 20}},
      {"wholly past the end", abcd, 25, 30, {4, 0, 0, 0}},
      {"an empty caption", {}, 0, 30, {0, 0, 0, 0}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Drag);
    EXPECT_EQ(SelectCaptionRun(c.Extents, c.FromX, c.ToX), c.Expected);
  }
}

}  // namespace
