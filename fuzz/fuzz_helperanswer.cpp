// The helper program's control-panel answers: whatever comes down the pipe, in whatever pieces,
// is read without harm; and any applet's name and description come back exactly as written.
// Input: one byte where the text is cut in two pieces, then the text; the text, cut at its
// first NUL byte, is also an applet's name and description.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "sources/HelperProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t cut = data[0] % (text.size() + 1);
  std::vector<TCplAnswer> ended;
  helper::TCplAnswerReader anything;
  anything.Feed(text.substr(0, cut), ended);
  anything.Feed(text.substr(cut), ended);

  const size_t nul = text.find('\0');
  const TCplApplet applet{std::string(text.substr(0, nul)),
                          nul == std::string_view::npos ? std::string() : std::string(text.substr(nul + 1)), -7};
  const std::string written = helper::ReadyLine() + helper::ModuleLine(applet.Info) +
                              helper::AppletLine(applet, applet.Name) + helper::EndLine(TCplAnswer::caAnswered);
  ended.clear();
  helper::TCplAnswerReader reader;
  reader.Feed(std::string_view(written).substr(0, cut), ended);
  reader.Feed(std::string_view(written).substr(std::min(cut, written.size())), ended);
  Check(reader.Ready() && ended.size() == 1 && ended[0].Applets.size() == 1);
  Check(ended[0].Applets[0].Name == applet.Name && ended[0].Applets[0].Info == applet.Info &&
        ended[0].Applets[0].IconId == -7);
  return 0;
}
