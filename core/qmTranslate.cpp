#include "core/qmTranslate.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/SZCRC32.h"
#include "core/Unicode.h"
#include "core/qmStringUtils.h"
#include "os/os.h"

namespace {

constexpr std::array<const char*, 2> TranslateStateNames = {"tsDefault", "tsTranslate"};
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF", Utf16LeBom = "\xFF\xFE", Utf16BeBom = "\xFE\xFF";

std::atomic<TqmTranslate*>& GlobalTranslateSlot() {
  static std::atomic<TqmTranslate*> slot{nullptr};
  return slot;
}

std::vector<TTranslatorRecord>& Registry() {
  static std::vector<TTranslatorRecord> registry;
  return registry;
}

// The file's lines: CR LF, LF and CR all end a line; a last line break opens no empty line.
TStringList SplitLines(std::string_view text) {
  TStringList lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

// A text saved as UTF-16 with its byte order mark, as UTF-8. A last odd byte is a piece of a
// character the file lost, and is replaced as every bad piece is.
std::string Utf16FileToUtf8(std::string_view data) {
  const bool bigEndian = static_cast<unsigned char>(data[0]) == 0xFE;
  std::u16string text;
  text.reserve(data.size() / 2);
  for (size_t i = 2; i + 1 < data.size(); i += 2) {
    const auto first = static_cast<unsigned char>(data[i]), second = static_cast<unsigned char>(data[i + 1]);
    text += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  if (data.size() % 2 == 1) text += static_cast<char16_t>(ReplacementCharacter);
  return Utf16ToUtf8(text);
}

// A value goes into one line of the file: every line break becomes "#13#10", a lone CR or LF
// too, so that no text can split its line (or forge a line of another key).
std::string EncodeValue(std::string_view value) {
  std::string result;
  result.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      result += "#13#10";
    } else {
      result += value[i];
    }
  }
  return result;
}

// The name part of a "name=value" line; false for a line without "=".
bool LineName(std::string_view line, std::string_view& name) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  name = line.substr(0, equals);
  return true;
}

// Line names compare ignoring case by the code page's rules; plain ASCII names (every key the
// engine writes) take the cheap way.
bool SameName(std::string_view a, std::string_view b) {
  const auto isAscii = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (a.size() != b.size()) return false;
  return isAscii(a) && isAscii(b) ? SameText(a, b) : AnsiSameText(a, b);
}

// Resets a flag however the scope is left.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagGuard() { FFlag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

// --- Engine ---------------------------------------------------------------------------------

TqmTranslateEngine::TqmTranslateEngine(TComponent* owner) : TComponent(owner) {}

TqmTranslateEngine::~TqmTranslateEngine() {
  for (TqmTranslate* translator : FTranslators) translator->FTranslateEngine = nullptr;
}

TqmTranslateEngineStrings::TqmTranslateEngineStrings(TComponent* owner)
    : TqmTranslateEngine(owner), FGuiThread(std::this_thread::get_id()) {}

void TqmTranslateEngineStrings::describe(TPropertyVisitor& v) {
  v.Strings("Strings", FStrings);
  v.Boolean("TranslateOnTheFly", TranslateOnTheFly(), [this](bool value) { SetTranslateOnTheFly(value); });
}

std::string TqmTranslateEngineStrings::Translate(uint32_t key, const std::string& text) {
  const std::string name = std::to_string(key);
  std::string result;
  {
    std::lock_guard lock(FLock);
    result = DecodeLineBreaks(ValueOf(name));
  }
  return result.empty() ? Learn(name, text) : result;
}

// Asking opens a modal box: never on the worker, and never again from inside the box (its own
// texts pass through here too). The lock is not held while the user answers.
bool TqmTranslateEngineStrings::MayAsk() const {
  return std::this_thread::get_id() == FGuiThread && FTranslateOnTheFly && InputQuery && !FAsking;
}

std::string TqmTranslateEngineStrings::Learn(const std::string& name, const std::string& text) {
  std::string result = text;
  if (MayAsk()) {
    TFlagGuard asking(FAsking);
    std::string answer = text;
    if (InputQuery("Translate", "Translate this:", answer)) result = answer;
  }
  std::lock_guard lock(FLock);
  SetValue(name, EncodeValue(result));
  FNewStrings = true;
  return result;
}

// The value of the first line named Name, ignoring case; empty when there is none.
std::string TqmTranslateEngineStrings::ValueOf(const std::string& name) const {
  std::string_view lineName;
  for (const std::string& line : FStrings)
    if (LineName(line, lineName) && SameName(lineName, name)) return line.substr(lineName.size() + 1);
  return {};
}

// Overwrites the first line named Name in place or appends one; an empty value removes it.
void TqmTranslateEngineStrings::SetValue(const std::string& name, const std::string& value) {
  std::string_view lineName;
  for (auto line = FStrings.begin(); line != FStrings.end(); ++line) {
    if (LineName(*line, lineName) && SameName(lineName, name)) {
      if (value.empty())
        FStrings.erase(line);
      else
        *line = name + "=" + value;
      return;
    }
  }
  if (!value.empty()) FStrings.push_back(name + "=" + value);
}

TStringList TqmTranslateEngineStrings::Strings() const {
  std::lock_guard lock(FLock);
  return FStrings;
}

void TqmTranslateEngineStrings::SetStrings(TStringList strings) {
  std::lock_guard lock(FLock);
  FStrings = std::move(strings);
}

// A byte order mark (an editor may add one) is not part of the first line's key. Without a
// UTF-16 one, the whole file is one 8-bit text: UTF-8 when all of it is, else Windows-1252.
void TqmTranslateEngineStrings::LoadFromFile(const std::string& fileName) {
  std::string data;
  if (!os::ReadFile(fileName, data)) throw EInOutError("Cannot open file \"" + fileName + "\"");
  std::string_view text = data;
  bool converted = false;
  if (text.starts_with(Utf16LeBom) || text.starts_with(Utf16BeBom)) {
    data = Utf16FileToUtf8(text);
    text = data;
  } else {
    if (text.starts_with(Utf8Bom)) text.remove_prefix(Utf8Bom.size());
    if (!IsUtf8(text)) {
      data = ExternalTextToUtf8(text);
      text = data;
      converted = true;
    }
  }
  SetStrings(SplitLines(text));
  if (converted && OnWarning)
    OnWarning("The language file " + fileName + " is not UTF-8 and was read as Windows-1252.");
}

void TqmTranslateEngineStrings::SaveToFile(const std::string& fileName) const {
  std::string data;
  for (const std::string& line : Strings()) data += line + "\r\n";
  if (!os::WriteFileReplacing(fileName, data)) throw EInOutError("Cannot create file \"" + fileName + "\"");
}

// --- Translator -----------------------------------------------------------------------------

TqmTranslate::TqmTranslate(TComponent* owner) : TComponent(owner) {}

// Let go of the engine first: it may be one of the components this translator owns, which the
// base destructor frees after this translator's own part is gone.
TqmTranslate::~TqmTranslate() {
  SetTranslateEngine(nullptr);
  SetIsGlobal(false);
}

void TqmTranslate::describe(TPropertyVisitor& v) {
  v.Enumeration("State", static_cast<int>(State()), TranslateStateNames,
                [this](int value) { SetState(static_cast<TTranslateState>(value)); });
  v.Boolean("IsGlobal", IsGlobal(), [this](bool value) { SetIsGlobal(value); });
}

void TqmTranslate::SetTranslateEngine(TqmTranslateEngine* engine) {
  TqmTranslateEngine* old = FTranslateEngine;
  if (old == engine) return;
  if (old) std::erase(old->FTranslators, this);
  FTranslateEngine = engine;
  if (engine) engine->FTranslators.push_back(this);
}

bool TqmTranslate::IsGlobal() const { return GlobalTranslate() == this; }

// Clearing only clears the global translator when it is still this one: another translator
// made global since then stays global.
void TqmTranslate::SetIsGlobal(bool value) {
  if (value) {
    GlobalTranslateSlot() = this;
  } else {
    TqmTranslate* self = this;
    GlobalTranslateSlot().compare_exchange_strong(self, nullptr);
  }
}

std::string TqmTranslate::TranslateString(const std::string& text) {
  if (text.empty()) return {};
  if (text[0] == '>') return text.substr(1);
  if (State() == tsDefault) return text;
  TqmTranslateEngine* engine = TranslateEngine();
  if (!engine) throw Exception("Translate engine not assigned");
  return engine->Translate(Crc32OfBuffer(text.data(), static_cast<std::ptrdiff_t>(text.size())), text);
}

void TqmTranslate::TranslateComponent(TComponent& component) {
  if (State() != tsTranslate) return;
  for (const TTranslatorRecord& record : Registry()) {
    if (record.IsOfClass(component)) {
      // A copy: the procedure may register further translators.
      const TTranslateProc proc = record.Proc;
      proc(*this, component);
      return;
    }
  }
}

// By index: a procedure that adds components must not invalidate the walk.
void TqmTranslate::TranslateComponents(TComponent& component) {
  if (State() != tsTranslate) return;
  TranslateComponent(component);
  for (size_t i = 0; i < component.Components().size(); ++i) TranslateComponent(*component.Components()[i]);
}

void TqmTranslate::RegisterTranslator(TTranslateProc proc, TComponentClassTest isOfClass) {
  Registry().push_back({std::move(isOfClass), std::move(proc)});
}

TqmTranslate* GlobalTranslate() { return GlobalTranslateSlot(); }

const std::vector<TTranslatorRecord>& TranslatorRegistry() { return Registry(); }

std::string TranslateText(const std::string& text) {
  if (TqmTranslate* translator = GlobalTranslate()) return translator->TranslateString(text);
  if (!text.empty() && text[0] == '>') return text.substr(1);
  return text;
}

void TranslateComponent(TComponent& component) {
  if (TqmTranslate* translator = GlobalTranslate()) translator->TranslateComponent(component);
}

void TranslateComponents(TComponent& component) {
  if (TqmTranslate* translator = GlobalTranslate()) translator->TranslateComponents(component);
}

// --- Formatting -----------------------------------------------------------------------------

bool TryFormatText(std::string_view format, TFormatArgs args, std::string& result) {
  std::string text;
  text.reserve(format.size());
  auto arg = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      text += format[i];
      continue;
    }
    if (++i == format.size()) return false;
    const char conversion = format[i];
    if (conversion == '%') {
      text += '%';
      continue;
    }
    const TFormatArg::TKind wanted = conversion == 's' ? TFormatArg::fkString : TFormatArg::fkInteger;
    if ((conversion != 's' && conversion != 'd') || arg == args.end() || arg->Kind() != wanted) return false;
    text += arg->Text();
    ++arg;
  }
  if (arg != args.end()) return false;
  result = std::move(text);
  return true;
}

std::string FormatText(std::string_view format, TFormatArgs args) {
  std::string result;
  if (!TryFormatText(format, args, result))
    throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
  return result;
}

std::string TranslateFormat(const std::string& englishFormat, TFormatArgs args) {
  std::string result;
  if (TryFormatText(TranslateText(englishFormat), args, result)) return result;
  return FormatText(englishFormat, args);
}
