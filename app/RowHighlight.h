// The typed text marked inside a result row's name: the name cut into plain and bold pieces
// by the way the text matched it.
#pragma once

#include <string>
#include <vector>

#include "core/LorvexClasses.h"

struct TSegment {
  std::string Text;
  bool Bold = false;
};

// The pieces of RowText, drawn one after the other, with the matched parts of SearchText bold
// (compared upper-cased). Their texts joined always give RowText: when the marking would not,
// the answer is RowText as one plain piece. No piece ends inside a UTF-8 character.
std::vector<TSegment> HighlightSegments(const std::string& rowText, const std::string& searchText, TDrawType drawType);
