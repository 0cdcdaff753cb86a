#include "sources/HelperProtocol.h"

#include <cstdlib>

namespace helper {

namespace {

constexpr const char* StateNames[] = {"notloaded", "noentry", "refused", "answered"};

std::string Escaped(std::string_view field) {
  std::string result;
  for (char c : field) {
    const char* escape = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : nullptr;
    if (escape)
      result += escape;
    else
      result += c;
  }
  return result;
}

std::string Unescaped(std::string_view field) {
  std::string result;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      result += field[i];
      continue;
    }
    const char next = field[++i];
    result += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return result;
}

std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(Unescaped(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  // Backslashes are literal unless a quote follows them: then each is doubled.
  std::string result = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    result.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    result += c;
    backslashes = 0;
  }
  result.append(2 * backslashes, '\\');
  return result + "\"";
}

std::string ReadyLine() { return "ready\n"; }

std::string ModuleLine(const std::string& file) { return "module\t" + Escaped(file) + "\n"; }

std::string AppletLine(const TCplApplet& applet, const std::string& file) {
  return "applet\t" + Escaped(applet.Name) + "\t" + Escaped(applet.Info) + "\t" + std::to_string(applet.IconId) + "\t" +
         Escaped(file) + "\n";
}

std::string EndLine(TCplAnswer::TState state) { return std::string("end\t") + StateNames[state] + "\n"; }

void TCplAnswerReader::Feed(std::string_view piece, std::vector<TCplAnswer>& ended) {
  FPartial.append(piece);
  size_t start = 0;
  for (size_t end; (end = FPartial.find('\n', start)) != std::string::npos; start = end + 1)
    Line(std::string_view(FPartial).substr(start, end - start), ended);
  FPartial.erase(0, start);
}

void TCplAnswerReader::Line(std::string_view line, std::vector<TCplAnswer>& ended) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string> fields = Fields(line);
  const std::string& kind = fields[0];
  if (kind == "ready") {
    FReady = true;
  } else if (kind == "module") {
    FCurrent = {};
  } else if (kind == "applet" && fields.size() >= 4) {
    FCurrent.Applets.push_back({fields[1], fields[2], std::atoi(fields[3].c_str())});
  } else if (kind == "end" && fields.size() >= 2) {
    FCurrent.State = TCplAnswer::caNotLoaded;
    for (int state = 0; state < 4; ++state)
      if (fields[1] == StateNames[state]) FCurrent.State = static_cast<TCplAnswer::TState>(state);
    // Only an answer lists applets.
    if (FCurrent.State != TCplAnswer::caAnswered) FCurrent.Applets.clear();
    ended.push_back(std::move(FCurrent));
    FCurrent = {};
  }
  // Anything else is not ours: a line a module wrote before its output was taken away.
}

}  // namespace helper
