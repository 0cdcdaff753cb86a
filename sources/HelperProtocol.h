// What Lorvex and its helper program, LorvexHelper.exe beside it, say to each other. The helper
// runs code that other vendors wrote (control-panel modules, the shell's printer command) in a
// process of its own: one that hangs or crashes there costs its own answer, never the program.
//
// Its command line: "cpl" <window> <module file>... or "printer" <window> <printer name>, the
// window as a decimal handle. For "cpl" it writes to its standard output, in UTF-8, one line per
// fact, each module's lines as soon as the module is let go:
//
//   ready                                          once it runs
//   module <TAB> file                              before it loads the module
//   applet <TAB> name <TAB> info <TAB> icon id <TAB> file
//   end <TAB> answered | noentry | notloaded | refused
//
// Fields escape backslash, tab, CR and LF as \\ \t \r \n. Its exit code says how it ended.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One applet as its module describes it.
struct TCplApplet {
  std::string Name;  // empty when the module names it not
  std::string Info;
  int IconId = 0;  // the id of its icon resource in the module
};

// What asking one module gave.
struct TCplAnswer {
  enum TState {
    caNotLoaded,  // no such module, or not a module at all
    caNoEntry,    // no applet entry point
    caRefused,    // it declined to start
    caAnswered,   // Applets in the module's order
  } State = caNotLoaded;
  std::vector<TCplApplet> Applets;
};

namespace helper {

constexpr const char* ExeName = "LorvexHelper.exe";

enum TExitCode : int {
  ecDone = 0,         // every module asked; the printer's properties shown
  ecFailed = 1,       // the printer command answered that it failed
  ecNoEntry = 2,      // the shell has no printer command
  ecUsage = 3,        // a command line it does not understand
  ecCrashed = 0x4C58  // the code it ran raised what nothing handled
};

// A command-line argument that the system's parsing gives back exactly.
std::string QuoteArgument(const std::string& argument);

std::string ReadyLine();
std::string ModuleLine(const std::string& file);
std::string AppletLine(const TCplApplet& applet, const std::string& file);
std::string EndLine(TCplAnswer::TState state);

// Reads the helper's "cpl" answers as they come, in pieces of any size.
class TCplAnswerReader {
 public:
  // Takes the next piece; appends to Ended the answers of the modules whose end line it held.
  void Feed(std::string_view piece, std::vector<TCplAnswer>& ended);
  bool Ready() const { return FReady; }

 private:
  void Line(std::string_view line, std::vector<TCplAnswer>& ended);

  std::string FPartial;  // a line not ended yet
  TCplAnswer FCurrent;
  bool FReady = false;
};

}  // namespace helper
