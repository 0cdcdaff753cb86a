// Translation of the program's own texts.
//
// Every user-visible English text passes through one process-wide translator before it is shown.
// The translator looks the text up by the CRC-32 of its bytes in a language file ("key=text"
// lines); a text that the file lacks is learned, so that the enlarged file can be saved for a
// human translator to fill in. Forms are translated component by component through translator
// procedures registered per class.
//
// Threads: texts are translated on the GUI thread and on the search worker. The engine guards
// its table with a lock and asks the user for a translation only on the GUI thread. Components
// (and so TranslateComponent, the registry and the set-up of the translator) belong to the GUI
// thread.
#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/Persistent.h"
#include "core/Unicode.h"

enum TTranslateState {
  tsDefault,    // texts pass unchanged
  tsTranslate,  // texts go through the engine
};

class TqmTranslate;

// Looks texts up by key. A translator that points at an engine is told when the engine goes.
class TqmTranslateEngine : public TComponent {
 public:
  explicit TqmTranslateEngine(TComponent* owner);
  ~TqmTranslateEngine() override;

  // The text to show for the English Text, whose key is the CRC-32 of its bytes.
  virtual std::string Translate(uint32_t key, const std::string& text) = 0;

 private:
  friend class TqmTranslate;
  std::vector<TqmTranslate*> FTranslators;  // those whose TranslateEngine is this engine
};

// Asks the user for a text: Value comes in as the default answer; False when cancelled.
using TInputQueryFunc = std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)>;

// The engine over a language file kept in a string list, one "key=text" line per text.
class TqmTranslateEngineStrings : public TqmTranslateEngine {
 public:
  explicit TqmTranslateEngineStrings(TComponent* owner);

  const char* ClassName() const override { return "TqmTranslateEngineStrings"; }
  // Strings and TranslateOnTheFly. Reads the table unguarded: only while no search runs.
  void describe(TPropertyVisitor& visitor) override;

  // The value of the line named Key ("#13#10" shown as a line break). A text without a value
  // is learned: its line gets the English text, or the user's answer when TranslateOnTheFly is
  // set and this is the GUI thread, and NewStrings becomes True.
  std::string Translate(uint32_t key, const std::string& text) override;

  // The language file's lines (a copy).
  TStringList Strings() const;
  void SetStrings(TStringList strings);
  // True once the engine has learned a text; it never goes back.
  bool NewStrings() const { return FNewStrings; }
  // Ask the user for a missing translation at once (on the GUI thread only). Initially False.
  bool TranslateOnTheFly() const { return FTranslateOnTheFly; }
  void SetTranslateOnTheFly(bool value) { FTranslateOnTheFly = value; }

  // Reads the whole file (any line ends); EInOutError when it cannot be read. A file with a
  // UTF-16 byte order mark is read as UTF-16; any other is read by the rule for 8-bit texts from
  // outside, decided once for the whole file: a file that is not UTF-8 (a translator's editor
  // may save Windows-1252) is converted from Windows-1252, and OnWarning is told.
  void LoadFromFile(const std::string& fileName);
  // Writes every line with CR LF through a temporary file; EInOutError when that fails.
  void SaveToFile(const std::string& fileName) const;

  // The thread on which the user may be asked: the thread that created the engine unless set.
  std::thread::id GuiThread() const { return FGuiThread; }
  void SetGuiThread(std::thread::id id) { FGuiThread = id; }
  // Shows the input box; the window layer sets it. Unset: nobody is asked.
  TInputQueryFunc InputQuery;
  // Told what loading had to mend, in a sentence for the error list; the window layer sets it.
  std::function<void(const std::string& message)> OnWarning;

 private:
  bool MayAsk() const;
  std::string Learn(const std::string& name, const std::string& text);
  std::string ValueOf(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);

  mutable std::mutex FLock;  // guards FStrings
  TStringList FStrings;
  std::atomic<bool> FNewStrings{false};
  std::atomic<bool> FTranslateOnTheFly{false};
  std::atomic<std::thread::id> FGuiThread;
  bool FAsking = false;  // the GUI thread's input box is open
};

// A translator procedure: translates the texts of one component of its class.
using TTranslateProc = std::function<void(TqmTranslate& translator, TComponent& component)>;
// Whether a component is of a class or descends from it.
using TComponentClassTest = std::function<bool(const TComponent& component)>;

struct TTranslatorRecord {
  TComponentClassTest IsOfClass;
  TTranslateProc Proc;
};

class TqmTranslate : public TComponent {
 public:
  explicit TqmTranslate(TComponent* owner);
  ~TqmTranslate() override;

  const char* ClassName() const override { return "TqmTranslate"; }
  // State and IsGlobal; the engine is a reference, not a value, and is set in code.
  void describe(TPropertyVisitor& visitor) override;

  TTranslateState State() const { return FState; }
  void SetState(TTranslateState value) { FState = value; }
  // Not owned; becomes nullptr when the engine is destroyed.
  TqmTranslateEngine* TranslateEngine() const { return FTranslateEngine; }
  void SetTranslateEngine(TqmTranslateEngine* engine);
  // True while this translator is the global one.
  bool IsGlobal() const;
  void SetIsGlobal(bool value);

  // An empty text stays empty; a text beginning with ">" loses that character and is never
  // translated; otherwise the engine's translation in state tsTranslate.
  std::string TranslateString(const std::string& text);
  // In state tsTranslate: the procedure of the first registered class the component is of.
  void TranslateComponent(TComponent& component);
  // The component, then each component it owns (one level), in ownership order.
  void TranslateComponents(TComponent& component);

  // Appends to the registry that every translator shares; the first matching record wins.
  static void RegisterTranslator(TTranslateProc proc, TComponentClassTest isOfClass);
  template <class T>
  static void RegisterTranslator(std::function<void(TqmTranslate&, T&)> proc) {
    RegisterTranslator(
        [proc = std::move(proc)](TqmTranslate& translator, TComponent& component) {
          proc(translator, dynamic_cast<T&>(component));
        },
        [](const TComponent& component) { return dynamic_cast<const T*>(&component) != nullptr; });
  }

 private:
  friend class TqmTranslateEngine;
  std::atomic<TTranslateState> FState{tsDefault};
  std::atomic<TqmTranslateEngine*> FTranslateEngine{nullptr};
};

// The translator that was made global last; nullptr when none.
TqmTranslate* GlobalTranslate();
// The translator procedures in registration order.
const std::vector<TTranslatorRecord>& TranslatorRegistry();

// The operations of the global translator; the text unchanged (bar a leading ">"), or nothing
// done, when there is none.
std::string TranslateText(const std::string& text);
void TranslateComponent(TComponent& component);
void TranslateComponents(TComponent& component);

// --- Formatting of translated texts ---------------------------------------------------------

// One argument of a format: a string (for %s) or an integer (for %d).
class TFormatArg {
 public:
  enum TKind { fkString, fkInteger };

  TFormatArg(const std::string& value) : FKind(fkString), FText(value) {}
  TFormatArg(const char* value) : FKind(fkString), FText(value ? value : "") {}
  TFormatArg(std::string_view value) : FKind(fkString), FText(value) {}
  TFormatArg(std::u16string_view value) : FKind(fkString), FText(Utf16ToUtf8(value)) {}  // as UTF-8
  TFormatArg(const std::u16string& value) : TFormatArg(std::u16string_view(value)) {}
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, char>) TFormatArg(I value)
      : FKind(fkInteger), FText(std::to_string(value)) {}

  TKind Kind() const { return FKind; }
  const std::string& Text() const { return FText; }

 private:
  TKind FKind;
  std::string FText;
};

using TFormatArgs = std::initializer_list<TFormatArg>;

// Formats with %s (a string), %d (an integer) and %% (a percent sign) only. The format must use
// every argument, in order and of the right kind; False (Result untouched) when it does not.
bool TryFormatText(std::string_view format, TFormatArgs args, std::string& result);
// The same; a format that does not fit its arguments raises EConvertError.
std::string FormatText(std::string_view format, TFormatArgs args);
// Formats the translation of EnglishFormat; when the translation does not fit the arguments
// (the language file is the user's), the English format is used instead.
std::string TranslateFormat(const std::string& englishFormat, TFormatArgs args);
