#include "app/RowHighlight.h"

#include <algorithm>

#include "core/Unicode.h"
#include "core/qmStringUtils.h"

namespace {

// Upper-casing keeps the length, so positions in the upper-cased texts are positions in the row.
class TSegmenter {
 public:
  TSegmenter(const std::string& rowText, const std::string& searchText)
      : R(rowText), UpperR(AnsiUpperCase(rowText)), UpperS(AnsiUpperCase(searchText)) {}

  const std::string& R;
  const std::string UpperR;
  const std::string UpperS;
  std::vector<TSegment> Segments;

  void Add(size_t from, size_t to, bool bold) {
    from = std::min(from, R.size());
    to = std::min(std::max(to, from), R.size());
    if (to > from) Segments.push_back({R.substr(from, to - from), bold});
  }
  // Just past the next blank at or after From; the end of the row when there is none.
  size_t AfterNextBlank(size_t from) const {
    const size_t blank = R.find(' ', from);
    return blank == std::string::npos ? R.size() : blank + 1;
  }

  void Position();
  void Pieces();
  void Abbreviations();
  bool Words();
};

void TSegmenter::Position() {
  const size_t pos = UpperS.empty() ? std::string::npos : UpperR.find(UpperS);
  if (pos == std::string::npos) return;
  Add(0, pos, false);
  Add(pos, pos + UpperS.size(), true);
  Add(pos + UpperS.size(), R.size(), false);
}

void TSegmenter::Pieces() {
  TStringList pieces;
  SplitByChars(UpperS, pieces, "*");
  size_t cursor = 0;  // the end of the previous piece's match
  for (size_t i = 0; i < pieces.size(); ++i) {
    size_t start = UpperR.find(pieces[i], cursor);
    size_t end = start == std::string::npos ? cursor : start + pieces[i].size();
    if (start == std::string::npos) start = cursor;
    if (i == 0) Add(0, start, false);
    Add(start, end, true);
    Add(end, i + 1 < pieces.size() ? AfterNextBlank(end) : R.size(), false);
    cursor = end;
  }
}

void TSegmenter::Abbreviations() {
  // One word of the row for every typed character.
  size_t pos = 0;
  const size_t count = Utf8Chars(UpperS).size();
  for (size_t i = 0; i < count && pos < R.size(); ++i) {
    const size_t letterEnd = pos + Utf8CharLength(R, pos);
    const size_t next = i + 1 < count ? AfterNextBlank(letterEnd) : R.size();
    Add(pos, letterEnd, true);
    Add(letterEnd, next, false);
    pos = next;
  }
}

bool TSegmenter::Words() {
  TStringList words;
  SplitByChars(UpperS, words, " ");
  std::vector<std::pair<size_t, size_t>> found;  // position and length of each word
  for (const std::string& word : words) {
    size_t pos = UpperR.find(word);
    if (pos != 0) {
      pos = UpperR.find(" " + word);
      // A word that begins no word of the row cannot be marked.
      if (pos == std::string::npos) return false;
      ++pos;
    }
    found.emplace_back(pos, word.size());
  }
  std::stable_sort(found.begin(), found.end());
  for (size_t i = 0; i < found.size(); ++i) {
    const auto [pos, length] = found[i];
    if (i == 0) Add(0, pos, false);
    Add(pos, pos + length, true);
    Add(pos + length, i + 1 < found.size() ? AfterNextBlank(pos + length) : R.size(), false);
  }
  return true;
}

}  // namespace

std::vector<TSegment> HighlightSegments(const std::string& rowText, const std::string& searchText, TDrawType drawType) {
  TSegmenter s(rowText, searchText);
  bool marked = true;
  switch (drawType) {
    case dtPos:
      if (s.UpperS.find('*') == std::string::npos)
        s.Position();
      else
        s.Pieces();
      break;
    case dtAbbrevations:
      s.Abbreviations();
      break;
    case dtWords:
      marked = s.Words();
      break;
  }
  std::string joined;
  bool anyBold = false;
  bool wholeCharacters = true;
  for (const TSegment& segment : s.Segments) {
    wholeCharacters = wholeCharacters && Utf8Cut(rowText, joined.size()) == joined.size();
    joined += segment.Text;
    anyBold = anyBold || segment.Bold;
  }
  if (!marked || !anyBold || !wholeCharacters || joined != rowText) return {{rowText, false}};
  return std::move(s.Segments);
}
