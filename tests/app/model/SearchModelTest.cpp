#include "app/SearchModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <random>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace {

using TRows = std::vector<std::string>;

// --- Fakes ------------------------------------------------------------------------------------

// The debounce timer on a clock that moves only when told.
class TFakeTimer : public TRestartableTimer {
 public:
  std::function<void()> OnFire;
  void Restart(int ms) override { FDue = FNow + ms; }
  void Stop() override { FDue = -1; }
  bool Pending() const override { return FDue >= 0; }
  void Advance(int ms) {
    FNow += ms;
    if (FDue >= 0 && FNow >= FDue) OnFire();
  }

 private:
  int64_t FNow = 0;
  int64_t FDue = -1;
};

// The GUI thread is the test's own thread: the worker queues its calls and waits for them to run.
class TFakeGui {
 public:
  void Synchronize(const std::function<void()>& call) {
    TJob job{&call, {}};
    std::future<void> done = job.Done.get_future();
    {
      std::lock_guard lock(FLock);
      FQueue.push_back(&job);
    }
    FChanged.notify_one();
    done.get();
  }
  // Waits for the worker's next call and runs it here.
  void ProcessOne() {
    TJob* job;
    {
      std::unique_lock lock(FLock);
      FChanged.wait(lock, [this] { return !FQueue.empty(); });
      job = FQueue.front();
      FQueue.pop_front();
    }
    ++Calls;
    try {
      (*job->Call)();
      job->Done.set_value();
    } catch (...) {
      job->Done.set_exception(std::current_exception());
    }
  }
  int Calls = 0;

 private:
  struct TJob {
    const std::function<void()>* Call;
    std::promise<void> Done;
  };
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TJob*> FQueue;
};

class TRecordingView : public TSearchView {
 public:
  explicit TRecordingView(TFakeGui& gui) : FGui(gui) {}
  void SetStatusText(const std::string& text) override { Statuses.push_back(text); }
  void AddErrorLine(const std::string& message) override { Errors.insert(Errors.begin(), message); }
  TStringList ErrorLines() override { return Errors; }
  void ProcessMessages() override {
    // Input the window serves while it waits: it comes instead of the next call.
    if (const auto input = std::exchange(DuringWait, nullptr)) return input();
    FGui.ProcessOne();
  }
  TStringList Statuses;
  TStringList Errors;
  std::function<void()> DuringWait;  // once, at the next wait for the worker

 private:
  TFakeGui& FGui;
};

TItemRecord Hit(const std::string& name, int32_t score = -1, const std::string& extension = "") {
  TItemRecord record;
  record.DisplayName = name;
  record.Score = score;
  record.Extension = extension;
  return record;
}

// Reports its hits for every text, or only for one text when Only is set.
class TListSource : public TSearchClass {
 public:
  TListSource(std::string name, std::vector<TItemRecord> hits) : TSearchClass(nullptr), FName(std::move(name)), FHits(std::move(hits)) {}
  std::string GetName() override { return FName; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    Texts.push_back(text);
    for (const TItemRecord& hit : FHits)
      if (addHit(hit)) return;
  }
  void Execute(TItemData&) override {}
  std::vector<std::string> Texts;

 private:
  std::string FName;
  std::vector<TItemRecord> FHits;
};

// Finds one hit, then fails in the way it is told.
class TThrowingSource : public TSearchClass {
 public:
  TThrowingSource(std::string name, int how) : TSearchClass(nullptr), FName(std::move(name)), FHow(how) {}
  std::string GetName() override { return FName; }
  void Search(const std::string&, const TAddHitFunc& addHit) override {
    addHit(Hit(FName + " hit", 0));
    if (FHow == 0) throw Exception("Source broke");
    if (FHow == 1) throw std::runtime_error("Standard failure");
    throw 42;
  }
  void Execute(TItemData&) override {}

 private:
  std::string FName;
  int FHow;
};

// For the text "flood" a hundred thousand hits; for any other text one hit of that name.
class TFloodSource : public TSearchClass {
 public:
  TFloodSource() : TSearchClass(nullptr) {}
  std::string GetName() override { return "Flood"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    if (text != "flood") {
      addHit(Hit("Answer to " + text, 0));
      return;
    }
    for (int i = 0; i < 100000; ++i) {
      ++Reported;
      if (addHit(Hit("flood " + std::to_string(i)))) return;
    }
  }
  void Execute(TItemData&) override {}
  std::atomic<int> Reported{0};
};

// Never asks whether to stop: reports its one hit only after the test lets it go.
class TNeverPollingSource : public TSearchClass {
 public:
  TNeverPollingSource() : TSearchClass(nullptr) {}
  std::string GetName() override { return "Slow"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    if (text != "slow") {
      addHit(Hit("Quick " + text, 0));
      return;
    }
    Started.set_value();
    Release.get_future().wait();
    addHit(Hit("Late hit", 0));
  }
  void Execute(TItemData&) override {}
  std::promise<void> Started;
  std::promise<void> Release;
};

class SearchModelTest : public ::testing::Test {
 protected:
  SearchModelTest() { Timer.OnFire = [this] { Model.TimerFired(); }; }

  void AddMagicWord(const std::string& word, const std::string& description) {
    TMagicWord& magic = Settings.MagicWords.Add();
    magic.MagicWord = word;
    magic.Description = description;
    magic.ExecuteString = "C:\\" + word + ".exe";
  }
  void AddLastUsed(const std::string& name) {
    THit& hit = Settings.LastUsed.Add();
    hit.ItemData.DisplayName = name;
  }
  // Types the text and lets the timer fire.
  void Type(const std::string& text) {
    Model.TextChanged(text);
    Timer.Advance(SearchDelayMs);
  }
  void FinishSearch() {
    while (Model.SearchRunning()) Gui.ProcessOne();
    Model.StopSearch();
  }
  void Search(const std::string& text) {
    Type(text);
    FinishSearch();
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> rows;
    for (int i = 0; i < Model.List().Count(); ++i)
      rows.push_back((Model.List().Item(i).Kind == ikGroupHeader ? "# " : "") + Model.List().Text(i));
    return rows;
  }
  // The next text is typed while the source of "slow" blocks: the GUI thread waits for it, and
  // Input comes during that wait, after the source has been let go.
  void TypeDuringAWait(TNeverPollingSource& slow, const std::function<void()>& input) {
    Settings.SearchOrderObjects = {&slow};
    Type("slow");
    Gui.ProcessOne();  // the source's status comes first
    slow.Started.get_future().wait();
    View.DuringWait = [&slow, input] {
      slow.Release.set_value();
      input();
    };
    Type("slower");
  }
  bool Listed(const std::string& prefix) const {
    const auto rows = Listing();
    return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.rfind(prefix, 0) == 0; });
  }

  TLorvexSettings Settings;
  TFakeGui Gui;
  TRecordingView View{Gui};
  TFakeTimer Timer;
  TSearchModel Model{Settings, View, Timer, [this](const std::function<void()>& call) { Gui.Synchronize(call); }};
};



// --- Scoring ----------------------------------------------------------------------------------

TEST(SearchScoring, LastUsedRankAndExecutablesInFront) {
  TLorvexSettings settings;
  for (const char* name : {"Alpha", "Beta", "Target Tool", "Delta", "Echo"}) settings.LastUsed.Add().ItemData.DisplayName = name;
  EXPECT_EQ(ScoreItem(settings, "target", ".lnk", "zz"), 703);
  settings.ExeInFront = true;
  EXPECT_EQ(ScoreItem(settings, "Target", ".EXE", "zz"), 1303);
  EXPECT_EQ(ScoreItem(settings, "Word", ".exe", "word"), 600);  // no text rule once it scores
  settings.UseScoring = false;
  EXPECT_EQ(ScoreItem(settings, "Target", ".exe", "target"), 0);
}

TEST(SearchScoring, TextRules) {
  TLorvexSettings settings;
  EXPECT_EQ(ScoreItem(settings, "Word", "", "word"), 500);
  EXPECT_EQ(ScoreItem(settings, "Microsoft Word", "", "word"), 400);
  EXPECT_EQ(ScoreItem(settings, "Wordpad", "", "word"), 300);
  EXPECT_EQ(ScoreItem(settings, "My Wordpad", "", "word"), 200);
  EXPECT_EQ(ScoreItem(settings, "Swordfish", "", "word"), 100);
  EXPECT_EQ(ScoreItem(settings, "Wide Open Road Drive", "", "word"), 0);
  EXPECT_TRUE(MatchWords("WORD", "MY  WORD", true));  // an empty word between two blanks is skipped
  EXPECT_FALSE(MatchWords("WORD", "SWORD FISH", false));
}

TEST_F(SearchModelTest, ScoresOrderTheRowsWithinTheirGroup) {
  TListSource source("Start menu", {Hit("Swordfish"), Hit("Wide Open Road Drive"), Hit("My Wordpad"), Hit("Word"),
                                    Hit("Wordpad"), Hit("Microsoft Word")});
  Settings.SearchOrderObjects = {&source};
  Search("word");
  EXPECT_EQ(Listing(), (TRows{"# Start menu", "Word", "Microsoft Word", "Wordpad", "My Wordpad", "Swordfish",
                          "Wide Open Road Drive"}));
  EXPECT_EQ(Model.List().Item(1).Score, 500);
  EXPECT_EQ(Model.List().Item(5).Score, 100);
  EXPECT_EQ(Model.SearchText(), "word");
}

TEST_F(SearchModelTest, GroupsAndScoringCanBeSwitchedOff) {
  TListSource first("Desktop", {Hit("Swordfish"), Hit("Word")});
  TListSource second("Start menu", {Hit("Wordpad"), Hit("Microsoft Word")});
  Settings.SearchOrderObjects = {&first, nullptr, &second};
  Search("word");
  EXPECT_EQ(Listing(), (TRows{"# Desktop", "Word", "Swordfish", "# Start menu", "Microsoft Word", "Wordpad"}));

  Settings.GroupHits = false;
  Search("wordx");
  Search("word");
  EXPECT_EQ(Listing(), (TRows{"Word", "Microsoft Word", "Wordpad", "Swordfish"}));

  Settings.GroupHits = true;
  Settings.UseScoring = false;
  Search("wor");
  EXPECT_EQ(Listing(), (TRows{"# Desktop", "Swordfish", "Word", "# Start menu", "Wordpad", "Microsoft Word"}));
}

TEST_F(SearchModelTest, ANegativeScoreOpensNoGroup) {
  TListSource dropped("Dropped", {Hit("Hidden", -5)});
  TListSource kept("Kept", {Hit("Shown", 0)});
  Settings.SearchOrderObjects = {&dropped, &kept};
  Search("xy");
  EXPECT_EQ(Listing(), (TRows{"# Kept", "Shown"}));
}

// The placement of rows by score, the way a walk up from the last row places them.
TEST(SearchResultList, BinaryPlacementMatchesTheUpwardWalk) {
  struct TRef {
    bool Header;
    int Score;
    int Id;
  };
  std::mt19937 random(7);
  for (int round = 0; round < 8; ++round) {
    TResultList list;
    std::vector<TRef> walk;
    for (int id = 0; id < 3000; ++id) {  // enough to split blocks
      const int dice = static_cast<int>(random() % 100);
      if (round % 2 == 0 && dice < 1) {  // odd rounds: one long group
        list.AppendHeader("group");
        walk.push_back({true, 0, id});
        continue;
      }
      const int score = dice < 25 ? 0 : static_cast<int>(random() % 12) + 1;
      auto item = std::make_unique<TItemData>();
      item->Score = score;
      list.Place(std::to_string(id), std::move(item));
      TRef row{false, score, id};
      if (score == 0) {
        walk.push_back(row);
        continue;
      }
      int index = static_cast<int>(walk.size()) - 1;
      while (index >= 0 && !walk[index].Header && walk[index].Score < score) --index;
      walk.insert(walk.begin() + (index + 1), row);
    }
    ASSERT_EQ(list.Count(), static_cast<int>(walk.size()));
    for (int i = 0; i < list.Count(); ++i) {
      if (walk[i].Header) {
        ASSERT_EQ(list.Item(i).Kind, ikGroupHeader) << "row " << i;
      } else {
        ASSERT_EQ(list.Text(i), std::to_string(walk[i].Id)) << "row " << i;
      }
    }
  }
}

// --- Dispatch ---------------------------------------------------------------------------------

TEST_F(SearchModelTest, TwoQuickKeysStartOneSearch) {
  TListSource source("Start menu", {Hit("Word")});
  Settings.SearchOrderObjects = {&source};
  Model.TextChanged("w");
  Timer.Advance(50);
  Model.TextChanged("wo");
  Timer.Advance(SearchDelayMs - 1);
  EXPECT_FALSE(Model.SearchRunning());
  Timer.Advance(1);
  FinishSearch();
  EXPECT_EQ(source.Texts, std::vector<std::string>{"wo"});
  EXPECT_FALSE(Timer.Pending());
  EXPECT_FALSE(Model.Searching());
  EXPECT_EQ(View.Statuses, (TStringList{"Searching Start menu...", ""}));
}

TEST_F(SearchModelTest, OneLetterListsMagicWordsOnly) {
  TListSource source("Start menu", {Hit("Notes")});
  Settings.SearchOrderObjects = {&source};
  AddMagicWord("np", "Notepad");
  AddMagicWord("calc", "Calculator");
  Type("n");
  EXPECT_FALSE(Model.SearchRunning());
  EXPECT_TRUE(source.Texts.empty());
  EXPECT_EQ(Listing(), (TRows{"# Magic words", "Notepad (np)"}));
  EXPECT_EQ(Model.ListMode(), lmSearchResults);
  EXPECT_EQ(Model.List().Item(1).Kind, ikMagicWord);
}

TEST_F(SearchModelTest, DefaultLists) {
  View.Errors = {"second", "first"};
  Type("eRRors");
  EXPECT_EQ(Listing(), (TRows{"# Errors", "second", "first"}));
  EXPECT_EQ(Model.List().Item(1).Kind, ikError);
  EXPECT_EQ(Model.List().Item(1).Description, "Error");
  EXPECT_EQ(Model.ListMode(), lmDefaultList);

  AddMagicWord("calc", "Calculator");
  Model.ShowDefaultList(lmMagicWords);
  EXPECT_EQ(Listing(), (TRows{"# Magic words", "Calculator (calc)"}));

  AddLastUsed("Newest");
  AddLastUsed("Older");
  Model.ShowDefaultList(lmDefaultList);
  EXPECT_EQ(Listing(), (TRows{"# Last used", "Newest", "Older"}));
  // An empty box lists the last used items after any default list.
  Model.ShowDefaultList(lmMagicWords);
  Type("");
  EXPECT_EQ(Listing(), (TRows{"# Last used", "Newest", "Older"}));
}

TEST_F(SearchModelTest, MagicWordPasses) {
  AddMagicWord("Notepad Plus", "Editor");
  Settings.ExtendedSearch = true;
  EXPECT_EQ(MatchMagicWords(Settings, "note").size(), 1u);       // begins with the text
  EXPECT_EQ(MatchMagicWords(Settings, "pad").size(), 1u);        // contains it
  EXPECT_EQ(MatchMagicWords(Settings, "plus note").size(), 1u);  // every word occurs
  EXPECT_EQ(MatchMagicWords(Settings, "np").size(), 1u);         // the initials
  EXPECT_EQ(MatchMagicWords(Settings, "notepad plus").size(), 2u);  // listed once per pass
  EXPECT_EQ(MatchMagicWords(Settings, "nx").size(), 0u);
  AddMagicWord("\xC3\x89lan Vital", "Tonic");  // "Élan Vital": initials are characters, folded
  EXPECT_EQ(MatchMagicWords(Settings, "\xC3\xA9v").size(), 1u);
  EXPECT_EQ(MatchMagicWords(Settings, "ev").size(), 0u);
  Settings.ExtendedSearch = false;
  EXPECT_EQ(MatchMagicWords(Settings, "np").size(), 0u);
  EXPECT_EQ(MatchMagicWords(Settings, "plus note").size(), 0u);
  EXPECT_EQ(MatchMagicWords(Settings, "pad").size(), 1u);

  const TItemRecord record = MatchMagicWords(Settings, "note").front();
  EXPECT_EQ(record.DisplayName, "Editor (Notepad Plus)");
  EXPECT_EQ(record.Description, "Magic word");
  EXPECT_EQ(record.IconFile, "C:\\Notepad Plus.exe");
}

TEST_F(SearchModelTest, EnterBeforeTheTimerRunsThePendingDispatch) {
  AddMagicWord("calc", "Calculator");
  Model.TextChanged("c");
  Model.FlushPendingInput();
  EXPECT_FALSE(Timer.Pending());
  EXPECT_EQ(Listing(), (TRows{"# Magic words", "Calculator (calc)"}));
}

// --- The worker ---------------------------------------------------------------------------------

TEST_F(SearchModelTest, SearchFailingSourcesCostOnlyTheirOwnHits) {
  TThrowingSource framework("Framework", 0), standard("Standard", 1), other("Other", 2);
  TListSource good("Good", {Hit("Good hit", 0)});
  Settings.SearchOrderObjects = {&framework, &standard, &other, &good};
  Search("hit");
  EXPECT_EQ(Listing(), (TRows{"# Framework", "Framework hit", "# Standard", "Standard hit", "# Other", "Other hit",
                          "# Good", "Good hit"}));
  EXPECT_EQ(View.Errors, (TStringList{"Unknown error while searching Other", "Standard failure", "Source broke"}));
}

TEST_F(SearchModelTest, SearchBatchesHitsAndKeepsASnapshotOfTheOrder) {
  std::vector<TItemRecord> hits;
  for (int i = 0; i < 1000; ++i) hits.push_back(Hit("hit " + std::to_string(i), 0));
  TListSource first("First", hits), second("Second", {Hit("other", 0)});
  Settings.SearchOrderObjects = {&first, &second};
  Type("hit");
  Settings.SearchOrderObjects.clear();  // the running search keeps its own list
  FinishSearch();
  EXPECT_EQ(Model.List().Count(), 1000 + 1 + 2);
  EXPECT_EQ(Model.List().Text(1), "hit 0");
  EXPECT_EQ(Model.List().Text(1000), "hit 999");
  EXPECT_LT(Gui.Calls, 100);
}

TEST_F(SearchModelTest, SearchANewKeyDuringAFloodLeavesNoOldHit) {
  TFloodSource flood;
  Settings.SearchOrderObjects = {&flood};
  Type("flood");
  while (Model.List().Count() < 100) Gui.ProcessOne();
  Type("calm");
  FinishSearch();
  EXPECT_EQ(Listing(), (TRows{"# Flood", "Answer to calm"}));
  EXPECT_LT(flood.Reported.load(), 100000);
}

TEST_F(SearchModelTest, SearchSwitchingTheListStopsTheSearchAndSettlesTheTimer) {
  TFloodSource flood;
  Settings.SearchOrderObjects = {&flood};
  AddMagicWord("calc", "Calculator");
  Type("flood");
  while (Model.List().Count() < 10) Gui.ProcessOne();
  Model.TextChanged("");  // the window clears the box...
  Model.ShowDefaultList(lmMagicWords);  // ...and asks for the magic words (the End key)
  EXPECT_FALSE(Model.SearchRunning());
  Timer.Advance(10 * SearchDelayMs);
  EXPECT_EQ(Listing(), (TRows{"# Magic words", "Calculator (calc)"}));
}

TEST_F(SearchModelTest, SearchWaitsForASourceThatNeverPolls) {
  TNeverPollingSource slow;
  Settings.SearchOrderObjects = {&slow};
  Type("slow");
  std::thread releaser([&] {
    slow.Started.get_future().wait();
    slow.Release.set_value();
  });
  Type("fast");
  FinishSearch();
  releaser.join();
  EXPECT_EQ(Listing(), (TRows{"# Slow", "Quick fast"}));
}

TEST_F(SearchModelTest, SearchTypingDuringAWaitIsSearchedOnceWhenItEnds) {
  TNeverPollingSource slow;
  TypeDuringAWait(slow, [&] {
    Type("fast");
    EXPECT_TRUE(Model.SearchRunning());  // still the old search: none starts inside the wait
  });
  FinishSearch();
  EXPECT_EQ(Listing(), (TRows{"# Slow", "Quick fast"}));
  EXPECT_FALSE(Timer.Pending());
}

TEST_F(SearchModelTest, SearchAListAskedForDuringAWaitWaitsTooAndStands) {
  TNeverPollingSource slow;
  AddMagicWord("calc", "Calculator");
  TypeDuringAWait(slow, [&] {
    Model.ShowDefaultList(lmMagicWords);  // the End key
    EXPECT_FALSE(Model.SearchRunning());
  });
  EXPECT_FALSE(Model.SearchRunning());
  EXPECT_EQ(Listing(), (TRows{"# Magic words", "Calculator (calc)"}));
}

TEST_F(SearchModelTest, SearchClosedDuringAWaitStartsNoMore) {
  TNeverPollingSource slow;
  TypeDuringAWait(slow, [&] { Model.Close(); });  // exit from the tray menu
  EXPECT_FALSE(Model.SearchRunning());
  EXPECT_EQ(Listing(), TRows{});
}

TEST_F(SearchModelTest, SearchCancelledByTheDownKeyAddsNoMoreRows) {
  TFloodSource flood;
  Settings.SearchOrderObjects = {&flood};
  std::thread::id started, ended;
  Model.OnThreadStart = [&] { started = std::this_thread::get_id(); };
  Model.OnThreadEnd = [&] { ended = std::this_thread::get_id(); };
  Type("flood");
  while (Model.List().Count() < 10) Gui.ProcessOne();
  Model.CancelSearch();
  const int rows = Model.List().Count();
  FinishSearch();
  EXPECT_EQ(Model.List().Count(), rows);
  EXPECT_NE(started, std::thread::id());
  EXPECT_NE(started, std::this_thread::get_id());
  EXPECT_EQ(started, ended);
}

TEST_F(SearchModelTest, SearchStopsWhenTheModelEnds) {
  TFloodSource flood;
  Settings.SearchOrderObjects = {&flood};
  {
    TFakeTimer timer;
    TSearchModel model(Settings, View, timer, [this](const std::function<void()>& call) { Gui.Synchronize(call); });
    timer.OnFire = [&] { model.TimerFired(); };
    model.TextChanged("flood");
    timer.Advance(SearchDelayMs);
    EXPECT_TRUE(model.SearchRunning());
  }
  EXPECT_LT(flood.Reported.load(), 100000);
}

// --- Last used and the command line -----------------------------------------------------------

TEST(SearchLastUsed, LaunchedHitsMoveToTheTopAndTheListIsTrimmed) {
  TLorvexSettings settings;
  settings.MaxHits = 3;
  auto names = [&] {
    std::vector<std::string> result;
    for (const auto& hit : settings.LastUsed) result.push_back(hit->ItemData.DisplayName);
    return result;
  };
  auto launch = [&](const std::string& name) {
    TItemData item;
    item.DisplayName = name;
    item.Extension = ".lnk";
    RememberLastUsed(settings, item);
  };
  for (const char* name : {"A", "B", "C"}) launch(name);
  EXPECT_EQ(names(), (std::vector<std::string>{"C", "B", "A"}));
  settings.MaxHits = 2;  // at least three are kept; a move trims nothing
  launch("a");
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "B"}));
  launch("D");
  EXPECT_EQ(names(), (std::vector<std::string>{"D", "A", "C"}));
  EXPECT_TRUE(DeleteLastUsed(settings, "c"));
  EXPECT_FALSE(DeleteLastUsed(settings, "C"));
  EXPECT_EQ(names(), (std::vector<std::string>{"D", "A"}));
}

TEST_F(SearchModelTest, DeletingALastUsedHitListsTheRestAgain) {
  AddLastUsed("Newest");
  AddLastUsed("Older");
  Model.ShowDefaultList(lmDefaultList);
  Model.DeleteFromLastUsed("NEWEST");
  EXPECT_EQ(Listing(), (TRows{"# Last used", "Older"}));
}

// How a magic word's row starts: in which folder, and whether as administrator.
TEST(SearchMagicWordLaunch, FolderAndAdministrator) {
  TLorvexSettings settings;
  for (const auto& [word, description, admin] : {std::tuple{"ed", "Editor", true}, {"np", "Notepad", false}}) {
    TMagicWord& magic = settings.MagicWords.Add();
    magic.MagicWord = word;
    magic.Description = description;
    magic.RunAsAdmin = admin;
  }
  const struct {
    const char* Row;
    const char* ExecuteString;
    const char* Path;
    bool Asked;
    const char* Folder;
    bool AsAdmin;
  } cases[] = {
      {"Editor (ed)", "C:\\Tools\\ed.exe", "D:\\Work", false, "D:\\Work", true},  // its own folder; its word says so
      {"Notepad (np)", "C:\\Tools\\np.exe", "", false, "C:\\Tools\\", false},   // else the program's folder
      {"Notepad (np)", "np.exe", "", true, "", true},                              // asked for
      {"Editor (np)", "ed.exe", "", false, "", false},                             // a name no word gives
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Row);
    TItemData item;
    item.DisplayName = c.Row;
    item.SetExecuteString(c.ExecuteString);
    item.SetPath(c.Path);
    EXPECT_EQ(MagicWordFolder(item), c.Folder);
    EXPECT_EQ(MagicWordRunsAsAdmin(settings, item, c.Asked), c.AsAdmin);
  }
}

TEST(SearchCommandLine, SplitsQuotedAndPlainLines) {
  std::string file, params;
  SplitCommandLine("  \"C:\\Program Files\\App\\app.exe\"  -a -b ", file, params);
  EXPECT_EQ(file, "C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(params, "-a -b");
  SplitCommandLine("notepad readme.txt", file, params);
  EXPECT_EQ(file, "notepad");
  EXPECT_EQ(params, "readme.txt");
  SplitCommandLine("\"unclosed quote", file, params);
  EXPECT_EQ(file, "\"unclosed");
  EXPECT_EQ(params, "quote");
  const std::string longName(3000, 'x');
  SplitCommandLine(" " + longName + " " + longName, file, params);
  EXPECT_EQ(file, longName);
  EXPECT_EQ(params, longName);
}

}  // namespace
