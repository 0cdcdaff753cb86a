#include "sources/SearchSystem.h"

#include <algorithm>

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

struct TExitCommand {
  const char* Keyword;  // also the execute string
  const char* Name;
  const char* Hint;
  const char* Description;
  TExitKind Kind;
};
constexpr TExitCommand ExitCommands[] = {
    {"LOGOFF", "Logoff", "Closes your programs and ends your Windows session", "Log off user", ekLogOff},
    {"SHUTDOWN", "Shutdown", "Shuts down Windows so that you can safely turn off the computer", "Turn off computer",
     ekShutDown},
    {"RESTART", "Restart", "Shuts down Windows and then starts Windows again", "Restart computer", ekRestart},
};

struct TCaptureCommand {
  const char* ExecuteString;
  const char* Name;
  TCaptureArea Area;
  bool ToClipboard;
};
constexpr TCaptureCommand CaptureCommands[] = {
    {"CAPTURE DESKTOP TO CLIPBOARD", "Capture desktop to clipboard", cwDesktop, true},
    {"CAPTURE DESKTOP TO FILE", "Capture desktop to file", cwDesktop, false},
    {"CAPTURE ACTIVE WINDOW TO CLIPBOARD", "Capture active window to clipboard", cwActiveWindow, true},
    {"CAPTURE ACTIVE WINDOW TO FILE", "Capture active window to file", cwActiveWindow, false},
    {"CAPTURE SELECTION TO CLIPBOARD", "Capture selection to clipboard", cwSelection, true},
    {"CAPTURE SELECTION TO FILE", "Capture selection to file", cwSelection, false},
};

TItemRecord CommandRecord(const std::string& name, const std::string& hint, const std::string& description,
                          const std::string& executeString) {
  TItemRecord record;
  record.DisplayName = name;
  record.Hint = hint;
  record.Description = description;
  record.ExecuteString = executeString;
  record.Score = 0;
  record.SearchClassName = "System";
  return record;
}

// Little-endian fields of the bitmap headers.
void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t FileHeaderSize = 14;

}  // namespace

TSearchSystem::TSearchSystem(TComponent* owner, std::shared_ptr<TSystemCommands> commands, TIconLoader loadIcon)
    : TSearchClass(owner), FCommands(std::move(commands)), FLoadIcon(std::move(loadIcon)) {}

void TSearchSystem::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::string typed = UpperCase(text);
  const bool system = IsPartOf(typed, "SYSTEM");
  auto offered = [&](const char* keyword) { return system || IsPartOf(typed, keyword); };

  if (offered("EXTSEARCH")) {
    const std::string state =
        TranslateText(AppSettings().ExtendedSearch ? "Disable extended search" : "Enable extended search");
    if (addHit(CommandRecord(TranslateText("Extended search"), state, state, "EXTSEARCH"))) return;
  }
  if (offered("OPTIONS")) {
    const std::string hint = TranslateText("Lorvex Options");
    if (addHit(CommandRecord(TranslateText("Options"), hint, hint, "OPTIONS"))) return;
  }
  for (const TExitCommand& command : ExitCommands) {
    if (!offered(command.Keyword) && !IsPartOf(typed, TranslateText(command.Keyword))) continue;
    if (addHit(CommandRecord(TranslateText(command.Name), TranslateText(command.Hint),
                             TranslateText(command.Description), command.Keyword)))
      return;
  }
  if (!offered("SCREEN CAPTURE") && !IsPartOf(typed, "GRAB SCREEN") &&
      !IsPartOf(typed, TranslateText("SCREEN CAPTURE")))
    return;
  for (const TCaptureCommand& command : CaptureCommands) {
    const std::string name = TranslateText(command.Name);
    if (addHit(CommandRecord(name, name, name, command.ExecuteString))) return;
  }
}

void TSearchSystem::Execute(TItemData& item) {
  const std::string command = item.StoredExecuteString();
  if (SameText(command, "EXTSEARCH")) {
    AppSettings().ExtendedSearch = !AppSettings().ExtendedSearch;
    return;
  }
  if (SameText(command, "OPTIONS")) return FCommands->ShowOptions();
  for (const TExitCommand& exit : ExitCommands)
    if (SameText(command, exit.Keyword)) return FCommands->EndSession(exit.Kind);
  for (const TCaptureCommand& capture : CaptureCommands)
    if (SameText(command, capture.ExecuteString)) return FCommands->Capture(capture.Area, capture.ToClipboard);
}

void TSearchSystem::LoadIcon(TItemData& item) {
  const std::string command = item.StoredExecuteString();
  TIconLocation location;
  if (SameText(command, "LOGOFF"))
    location = {Shell32Path(), 44};
  else if (SameText(command, "SHUTDOWN"))
    location = {Shell32Path(), 27};
  else if (SameText(command, "RESTART"))
    location = {ImagesIcon("restart"), 0};
  else if (command.starts_with("CAPTURE"))
    location = {ImagesIcon(command.find("TO FILE") != std::string::npos ? "capture2" : "capture"), 0};
  else
    return;
  if (FLoadIcon) FLoadIcon(item, location);
}

// --- Captured pictures ----------------------------------------------------------------------

TSelectionRect SelectionBetween(int x1, int y1, int x2, int y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

TCaptureImage CropImage(const TCaptureImage& image, const TSelectionRect& rect) {
  const int left = std::clamp(rect.Left, 0, image.Width), right = std::clamp(rect.Right, left, image.Width);
  const int top = std::clamp(rect.Top, 0, image.Height), bottom = std::clamp(rect.Bottom, top, image.Height);
  TCaptureImage part;
  if (right == left || bottom == top) return part;
  part.Width = right - left;
  part.Height = bottom - top;
  part.Pixels.reserve(static_cast<size_t>(part.Width) * part.Height);
  for (int y = top; y < bottom; ++y) {
    const auto row = image.Pixels.begin() + static_cast<ptrdiff_t>(y) * image.Width;
    part.Pixels.insert(part.Pixels.end(), row + left, row + right);
  }
  return part;
}

std::string PackedDib(const TCaptureImage& image) {
  const uint32_t imageSize = static_cast<uint32_t>(image.Pixels.size()) * 4;
  std::string dib;
  dib.reserve(InfoHeaderSize + imageSize);
  Put32(dib, InfoHeaderSize);
  Put32(dib, static_cast<uint32_t>(image.Width));
  Put32(dib, static_cast<uint32_t>(image.Height));  // positive: the rows go from the bottom
  Put16(dib, 1);                                    // planes
  Put16(dib, 32);                                   // bits per pixel
  Put32(dib, 0);                                    // uncompressed
  Put32(dib, imageSize);
  Put32(dib, 2835);  // 72 dots per inch, in dots per metre
  Put32(dib, 2835);
  Put32(dib, 0);  // no colour table
  Put32(dib, 0);
  for (int y = image.Height - 1; y >= 0; --y)
    for (int x = 0; x < image.Width; ++x) Put32(dib, image.Pixel(x, y) & 0x00FFFFFF);
  return dib;
}

std::string BitmapFile(const TCaptureImage& image) {
  const std::string dib = PackedDib(image);
  std::string file;
  file.reserve(FileHeaderSize + dib.size());
  file += "BM";
  Put32(file, FileHeaderSize + static_cast<uint32_t>(dib.size()));
  Put32(file, 0);  // reserved
  Put32(file, FileHeaderSize + InfoHeaderSize);
  return file + dib;
}
