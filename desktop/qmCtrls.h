// What a drag over a label's caption selects, worked out from the widths of the caption's
// prefixes; the label itself is in desktop/win32/qmCtrls.
#pragma once

#include <cstddef>
#include <vector>

// A run of a caption's characters and the pixels it covers, counted from the text's left edge.
struct TCaptionSelection {
  size_t Start = 0;  // the first selected character
  size_t Length = 0;
  int StartPixel = 0;
  int EndPixel = 0;

  bool operator==(const TCaptionSelection&) const = default;
};

// PrefixExtents[i] is the width of the caption's first i + 1 characters (one measuring call
// gives them all). FromX and ToX are the ends of the drag, in either order, in pixels from the
// text's left edge. The run begins after the last prefix not wider than the left end and goes
// through the first character whose prefix is wider than the right end, or through the last
// character when none is.
TCaptionSelection SelectCaptionRun(const std::vector<int>& prefixExtents, int fromX, int toX);
