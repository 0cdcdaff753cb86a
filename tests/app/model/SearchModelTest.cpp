#include "app/SearchModel.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <random>
#include <stdexcept>
#include <utility>

#include "tests/support/TestSource.h"

namespace {

using TRows = std::vector<std::string>;

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

// The GUI thread is the test's own thread: the worker queues its calls, and waits for those it
// synchronises to run; what such a call throws reaches the worker.
class TFakeGui {
 public:
  void Synchronize(const std::function<void()>& call) {
    std::packaged_task<void()> task(call);
    std::future<void> done = task.get_future();
    Queue([&task] { task(); });
    done.get();
  }
  bool Post(std::function<void()> call) {
    ++Posted;
    Queue(std::move(call));
    return true;
  }
  // Waits for the worker's next call and runs it here.
  void ProcessOne() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return !FQueue.empty(); });
    const std::function<void()> call = std::move(FQueue.front());
    FQueue.pop_front();
    lock.unlock();
    ++Calls;
    call();
  }
  // Waits until Count calls wait to run.
  void WaitForQueued(size_t count) {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return FQueue.size() >= count; });
  }
  // Runs the calls queued now, without waiting for more.
  void ProcessQueued() {
    for (;;) {
      {
        std::lock_guard lock(FLock);
        if (FQueue.empty()) return;
      }
      ProcessOne();
    }
  }
  int Calls = 0;
  std::atomic<int> Posted{0};

 private:
  void Queue(std::function<void()> call) {
    {
      std::lock_guard lock(FLock);
      FQueue.push_back(std::move(call));
    }
    FChanged.notify_all();
  }
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<std::function<void()>> FQueue;
};

TItemRecord Hit(const std::string& name, int32_t score = -1) {
  TItemRecord record;
  record.DisplayName = name;
  record.Score = score;
  return record;
}

// Reports Hits for every text, then runs Then (which may fail as a source fails).
TTestSource::TSearch Reports(std::vector<TItemRecord> hits, std::function<void()> then = nullptr) {
  return [hits = std::move(hits), then = std::move(then)](const std::string&, const TAddHitFunc& addHit) {
    for (const TItemRecord& hit : hits)
      if (addHit(hit)) return;
    if (then) then();
  };
}

// For the text "flood" a hundred thousand hits, counted as they go; for any other text one hit.
TTestSource::TSearch Floods(std::atomic<int>& reported) {
  return [&reported](const std::string& text, const TAddHitFunc& addHit) {
    if (text != "flood") {
      addHit(Hit("Answer to " + text, 0));
      return;
    }
    for (int i = 0; i < 100000; ++i, ++reported)
      if (addHit(Hit("flood " + std::to_string(i)))) return;
  };
}

// The model with the test as its window.
class SearchModelTest : public ::testing::Test, public TSearchView {
 public:
  SearchModelTest() {
    Timer.OnFire = [this] { Model.TimerFired(); };
  }

  void SetStatusText(const std::string& text) override { Statuses.push_back(text); }
  void AddErrorLine(const std::string& message) override { Errors.insert(Errors.begin(), message); }
  TStringList ErrorLines() override { return Errors; }
  void ProcessMessages() override {
    // Input the window serves while it waits: it comes instead of the next call.
    if (const auto input = std::exchange(DuringWait, nullptr)) return input();
    Gui.ProcessOne();
  }

  TMagicWord& AddMagicWord(const std::string& word, const std::string& description) {
    TMagicWord& magic = Settings.MagicWords.Add();
    magic.MagicWord = word;
    magic.Description = description;
    magic.ExecuteString = "C:\\" + word + ".exe";
    return magic;
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
  TRows Listing() const {
    TRows rows;
    for (int i = 0; i < Model.List().Count(); ++i)
      rows.push_back((Model.List().Item(i).Kind == ikGroupHeader ? "# " : "") + Model.List().Text(i));
    return rows;
  }

  TLorvexSettings Settings;
  TFakeGui Gui;
  TFakeTimer Timer;
  TStringList Statuses, Errors;
  std::function<void()> DuringWait;  // once, at the next wait for the worker
  TSearchModel Model{Settings, *this, Timer, [this](const std::function<void()>& call) { Gui.Synchronize(call); },
                     [this](std::function<void()> call) { return Gui.Post(std::move(call)); }};
};

using TAction = std::function<void(SearchModelTest&)>;

TAction Typing(const std::string& text) {
  return [text](SearchModelTest& t) { t.Type(text); };
}
TAction Asking(TListMode mode) {
  return [mode](SearchModelTest& t) { t.Model.ShowDefaultList(mode); };
}

}  // namespace

TEST(SearchScoring, LastUsedRankExecutablesInFrontThenTheTextRules) {
  TLorvexSettings settings;
  for (const char* name : {"Alpha", "Beta", "Target Tool", "Delta", "Echo"})
    settings.LastUsed.Add().ItemData.DisplayName = name;
  const struct {
    bool ExeInFront, UseScoring;
    const char* Name;
    const char* Extension;
    const char* Text;
    int32_t Score;
  } cases[] = {
      {false, true, "target", ".lnk", "zz", 703},  // the third of five last used
      {true, true, "Target", ".EXE", "zz", 1303},
      {true, true, "Word", ".exe", "word", 600},  // no text rule once it scores
      {true, false, "Target", ".exe", "target", 0},
      {false, true, "Word", "", "word", 500},
      {false, true, "Microsoft Word", "", "word", 400},
      {false, true, "Wordpad", "", "word", 300},
      {false, true, "My Wordpad", "", "word", 200},
      {false, true, "Swordfish", "", "word", 100},
      {false, true, "Wide Open Road Drive", "", "word", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + c.Extension + " by " + c.Text);
    settings.ExeInFront = c.ExeInFront;
    settings.UseScoring = c.UseScoring;
    EXPECT_EQ(ScoreItem(settings, c.Name, c.Extension, c.Text), c.Score);
  }
  EXPECT_TRUE(MatchWords("WORD", "MY  WORD", true));  // an empty word between two blanks is skipped
  EXPECT_FALSE(MatchWords("WORD", "SWORD FISH", false));
}

TEST_F(SearchModelTest, RowsAreScoredWithinTheirGroupsAndGroupsAndScoringCanBeSwitchedOff) {
  using TSource = std::pair<const char*, std::vector<TItemRecord>>;
  const std::vector<TSource> words = {{"Desktop", {Hit("Swordfish"), Hit("Word")}},
                                      {"Start menu", {Hit("Wordpad"), Hit("Microsoft Word")}}};
  const struct {
    std::vector<TSource> Sources;
    bool GroupHits, UseScoring;
    TRows Listing;
  } cases[] = {
      {words, true, true, {"# Desktop", "Word", "Swordfish", "# Start menu", "Microsoft Word", "Wordpad"}},
      {words, false, true, {"Word", "Microsoft Word", "Wordpad", "Swordfish"}},
      {words, true, false, {"# Desktop", "Swordfish", "Word", "# Start menu", "Wordpad", "Microsoft Word"}},
      // A negative score drops the row, which opens no group.
      {{{"Dropped", {Hit("Hidden", -5)}}, {"Kept", {Hit("Shown", 0)}}}, true, true, {"# Kept", "Shown"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Listing.back());
    std::deque<TTestSource> sources;
    Settings.SearchOrderObjects = {nullptr};  // an entry that resolved to no source
    for (const auto& [name, hits] : c.Sources)
      Settings.SearchOrderObjects.push_back(&sources.emplace_back(name, Reports(hits)));
    Settings.GroupHits = c.GroupHits;
    Settings.UseScoring = c.UseScoring;
    Search("word");
    EXPECT_EQ(Listing(), c.Listing);
  }
  EXPECT_EQ(Model.SearchText(), "word");
}

TEST(SearchResultList, BinaryPlacementMatchesTheUpwardWalk) {
  std::mt19937 random(7);
  for (int round = 0; round < 8; ++round) {
    TResultList list;
    std::vector<std::pair<int, std::string>> walk;  // score (-1: a header) and text
    for (int id = 0; id < 3000; ++id) {             // enough to split blocks
      const int dice = static_cast<int>(random() % 100);
      if (round % 2 == 0 && dice < 1) {  // odd rounds: one long group
        list.AppendHeader("group");
        walk.emplace_back(-1, "group");
        continue;
      }
      const int score = dice < 25 ? 0 : static_cast<int>(random() % 12) + 1;
      auto item = std::make_unique<TItemData>();
      item->Score = score;
      list.Place(std::to_string(id), std::move(item));
      auto at = walk.end();
      while (score > 0 && at != walk.begin() && std::prev(at)->first >= 0 && std::prev(at)->first < score) --at;
      walk.emplace(at, score, std::to_string(id));
    }
    ASSERT_EQ(list.Count(), static_cast<int>(walk.size()));
    for (int i = 0; i < list.Count(); ++i) ASSERT_EQ(list.Text(i), walk[i].second) << "row " << i;
  }
}

TEST_F(SearchModelTest, TwoQuickKeysStartOneSearch) {
  TTestSource source("Start menu", Reports({Hit("Word")}));
  Settings.SearchOrderObjects = {&source};
  Model.TextChanged("w");
  Timer.Advance(50);
  Model.TextChanged("wo");
  Timer.Advance(SearchDelayMs - 1);
  EXPECT_FALSE(Model.SearchRunning());
  Timer.Advance(1);
  FinishSearch();
  EXPECT_EQ(source.Texts, std::vector<std::string>{"wo"});
  EXPECT_FALSE(Model.Searching());
  EXPECT_EQ(Statuses, (TStringList{"Searching Start menu...", ""}));
}

TEST_F(SearchModelTest, ListingsWithoutASearch) {
  TTestSource source("Start menu", Reports({Hit("Notes")}));
  Settings.SearchOrderObjects = {&source};
  AddMagicWord("np", "Notepad");
  AddMagicWord("calc", "Calculator");
  for (const char* name : {"Newest", "Older"}) Settings.LastUsed.Add().ItemData.DisplayName = name;
  Errors = {"second", "first"};
  const TAction enterBeforeTheTimer = [](SearchModelTest& t) {
    t.Model.TextChanged("c");
    t.Model.FlushPendingInput();
  };
  const TAction deleteNewest = [](SearchModelTest& t) { t.Model.DeleteFromLastUsed("NEWEST"); };
  const struct {
    TAction Act;
    TRows Listing;
    ItemKind Kind;  // of the row below the header
    TListMode Mode;
  } cases[] = {
      {Typing("n"), {"# Magic words", "Notepad (np)"}, ikMagicWord, lmSearchResults},
      {Typing("eRRors"), {"# Errors", "second", "first"}, ikError, lmDefaultList},
      {Asking(lmMagicWords), {"# Magic words", "Notepad (np)", "Calculator (calc)"}, ikMagicWord, lmDefaultList},
      {Typing(""), {"# Last used", "Newest", "Older"}, ikHit, lmDefaultList},  // after any default list
      {enterBeforeTheTimer, {"# Magic words", "Calculator (calc)"}, ikMagicWord, lmSearchResults},
      {deleteNewest, {"# Last used", "Older"}, ikHit, lmDefaultList},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Listing.back());
    c.Act(*this);
    EXPECT_EQ(Listing(), c.Listing);
    EXPECT_EQ(Model.List().Item(1).Kind, c.Kind);
    EXPECT_EQ(Model.ListMode(), c.Mode);
    EXPECT_FALSE(Timer.Pending());
  }
  EXPECT_TRUE(source.Texts.empty());
}

TEST_F(SearchModelTest, MagicWordPasses) {
  AddMagicWord("Notepad Plus", "Editor");
  AddMagicWord("\xC3\x89lan Vital", "Tonic");  // "Élan Vital": initials are characters, folded
  const struct {
    bool Extended;
    const char* Text;
    size_t Rows;
  } cases[] = {
      {true, "note", 1},         {true, "pad", 1},  // begins with the text, contains it
      {true, "plus note", 1},                       // every word occurs
      {true, "np", 1},           {true, "\xC3\xA9v", 1},  {true, "ev", 0},   {true, "nx", 0},  // the initials
      {true, "notepad plus", 2},                                                               // listed once per pass
      {false, "np", 0},          {false, "plus note", 0}, {false, "pad", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + (c.Extended ? ", extended" : ""));
    Settings.ExtendedSearch = c.Extended;
    EXPECT_EQ(MatchMagicWords(Settings, c.Text).size(), c.Rows);
  }
  const TItemRecord record = MatchMagicWords(Settings, "note").front();
  EXPECT_EQ(record.Description, "Magic word");
}

TEST_F(SearchModelTest, SearchFailingSourcesCostOnlyTheirOwnHits) {
  TTestSource framework("Framework", Reports({Hit("Framework hit", 0)}, [] { throw Exception("Source broke"); }));
  TTestSource standard("Standard", Reports({Hit("Standard hit", 0)}, [] { throw std::runtime_error("Standard"); }));
  TTestSource other("Other", Reports({Hit("Other hit", 0)}, [] { throw 42; }));
  TTestSource good("Good", Reports({Hit("Good hit", 0)}));
  Settings.SearchOrderObjects = {&framework, &standard, &other, &good};
  Search("hit");
  EXPECT_EQ(Listing(), (TRows{"# Framework", "Framework hit", "# Standard", "Standard hit", "# Other", "Other hit",
                              "# Good", "Good hit"}));
  EXPECT_EQ(Errors, (TStringList{"Unknown error while searching Other", "Standard", "Source broke"}));
}

// Hits found while the GUI thread is busy travel together: a thousand in one call.
TEST_F(SearchModelTest, SearchBatchesHitsAndKeepsASnapshotOfTheOrder) {
  std::vector<TItemRecord> hits;
  for (int i = 0; i < 1000; ++i) hits.push_back(Hit("hit " + std::to_string(i), 0));
  std::promise<void> reported;
  TTestSource first("First", Reports(hits, [&] { reported.set_value(); })), second("Second", Reports({Hit("other", 0)}));
  Settings.SearchOrderObjects = {&first, &second};
  Type("hit");
  Settings.SearchOrderObjects.clear();  // the running search keeps its own list
  Gui.ProcessOne();                     // the first source's status
  reported.get_future().wait();
  FinishSearch();
  EXPECT_EQ(Model.List().Count(), 1000 + 1 + 2);
  EXPECT_EQ(Model.List().Text(1000), "hit 999");
  EXPECT_EQ(Gui.Posted, 2);  // one for each source
}

// A source that reports a few rows and then works on without reporting: they are listed at once.
TEST_F(SearchModelTest, SearchListsAHitAtOnceWhileItsSourceWorksOn) {
  std::promise<void> reported, release;
  TTestSource slow("Slow", [&](const std::string&, const TAddHitFunc& addHit) {
    for (const char* name : {"one", "two", "three"}) addHit(Hit(name, 0));
    reported.set_value();
    release.get_future().wait();  // never asking whether to stop
    addHit(Hit("late", 0));
  });
  Settings.SearchOrderObjects = {&slow};
  Type("slow");
  Gui.ProcessOne();  // the source's status comes first
  reported.get_future().wait();
  Gui.ProcessQueued();
  EXPECT_EQ(Listing(), (TRows{"# Slow", "one", "two", "three"}));
  release.set_value();
  FinishSearch();
  EXPECT_EQ(Listing(), (TRows{"# Slow", "one", "two", "three", "late"}));
}

// A source that finds more than the GUI thread lists waits for it: what waits stays bounded.
TEST_F(SearchModelTest, SearchMakesAFloodingSourceWaitForTheList) {
  std::atomic<int> reported{0};
  TTestSource flood("Flood", Floods(reported));
  Settings.SearchOrderObjects = {&flood};
  Type("flood");
  Gui.ProcessOne();      // the source's status
  Gui.WaitForQueued(2);  // the call posted with the first hit, and the one the source waits for
  EXPECT_EQ(reported.load(), static_cast<int>(TSearchThread::MaxQueued) - 1);
  Model.StopSearch();
}

// What stops a search that floods the list: no row of it comes after.
TEST_F(SearchModelTest, SearchInterruptedDuringAFlood) {
  std::atomic<int> reported{0};
  TTestSource flood("Flood", Floods(reported));
  Settings.SearchOrderObjects = {&flood};
  AddMagicWord("calc", "Calculator");
  std::thread::id started, ended;
  Model.OnThreadStart = [&] { started = std::this_thread::get_id(); };
  Model.OnThreadEnd = [&] { ended = std::this_thread::get_id(); };
  const TAction endKey = [](SearchModelTest& t) {
    t.Model.TextChanged("");  // the window clears the box and asks for the magic words
    t.Model.ShowDefaultList(lmMagicWords);
    EXPECT_FALSE(t.Model.SearchRunning());
    t.Timer.Advance(10 * SearchDelayMs);
  };
  const struct {
    TAction Interrupt;
    TRows Listing;  // empty: the rows listed when it was interrupted
  } cases[] = {
      {Typing("calm"), {"# Flood", "Answer to calm"}},
      {[](SearchModelTest& t) { t.Model.CancelSearch(); }, {}},  // the Down key
      {endKey, {"# Magic words", "Calculator (calc)"}},
  };
  for (const auto& c : cases) {
    reported = 0;
    Type("flood");
    while (Model.List().Count() < 100) Gui.ProcessOne();
    c.Interrupt(*this);
    const TRows before = Listing();
    FinishSearch();
    EXPECT_EQ(Listing(), c.Listing.empty() ? before : c.Listing);
    EXPECT_LT(reported.load(), 100000);
  }
  EXPECT_NE(started, std::thread::id());
  EXPECT_NE(started, std::this_thread::get_id());
  EXPECT_EQ(started, ended);
}

// Input that the window serves while it waits for a source that never polls: none starts a search
// inside the wait, and what was asked for happens once.
TEST_F(SearchModelTest, SearchDuringAWaitStartsNoneInsideAndWhatWasAskedForHappensOnce) {
  AddMagicWord("calc", "Calculator");
  const struct {
    const char* Name;
    TAction Input;
    bool RunningAfterInput;  // only the old search may still run
    TRows Listing;
  } cases[] = {
      {"typing is searched once when the wait ends", Typing("fast"), true, {"# Slow", "Quick fast"}},
      {"a list asked for (the End key) waits too and stands",
       Asking(lmMagicWords),
       false,
       {"# Magic words", "Calculator (calc)"}},
      {"exit from the tray menu starts no search after the wait",
       [](SearchModelTest& t) { t.Model.Close(); },
       false,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::promise<void> started, release;
    TTestSource slow("Slow", [&](const std::string& text, const TAddHitFunc& addHit) {
      if (text == "slow") {
        started.set_value();
        release.get_future().wait();  // never asking whether to stop
      }
      addHit(Hit(text == "slow" ? "Late hit" : "Quick " + text, 0));
    });
    Settings.SearchOrderObjects = {&slow};
    Type("slow");
    Gui.ProcessOne();  // the source's status comes first
    started.get_future().wait();
    DuringWait = [&] {
      release.set_value();
      c.Input(*this);
      EXPECT_EQ(Model.SearchRunning(), c.RunningAfterInput);
    };
    Type("slower");  // the GUI thread waits for the old search, and the input comes
    FinishSearch();
    EXPECT_EQ(Listing(), c.Listing);
    EXPECT_FALSE(Timer.Pending());
  }
}

TEST_F(SearchModelTest, SearchStopCancelsASourceThatWaitsOutsideAddHit) {
  std::atomic<bool> started{false}, cancelled{false};
  TTestSource blocked("Blocked", [&](const std::string&, const TAddHitFunc& addHit) {
    started = true;
    for (int i = 0; i < 10000 && !cancelled; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    addHit(Hit(cancelled ? "cancelled" : "waited", 0));
  });
  blocked.OnCancel = [&] { cancelled = true; };
  Settings.SearchOrderObjects = {&blocked};
  Type("wait");
  Gui.ProcessOne();  // the source's status comes first
  while (!started) std::this_thread::yield();
  Model.StopSearch();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(Listing(), TRows{});
}

TEST_F(SearchModelTest, SearchStopsWhenTheModelEnds) {
  std::atomic<int> reported{0};
  TTestSource flood("Flood", Floods(reported));
  Settings.SearchOrderObjects = {&flood};
  {
    TFakeTimer timer;
    TSearchModel model(
        Settings, *this, timer, [this](const std::function<void()>& call) { Gui.Synchronize(call); },
        [this](std::function<void()> call) { return Gui.Post(std::move(call)); });
    timer.OnFire = [&] { model.TimerFired(); };
    model.TextChanged("flood");
    timer.Advance(SearchDelayMs);
    EXPECT_TRUE(model.SearchRunning());
  }
  EXPECT_LT(reported.load(), 100000);
}

TEST(SearchLastUsed, LaunchedHitsMoveToTheTopAndTheListIsTrimmed) {
  TLorvexSettings settings;
  settings.MaxHits = 3;
  auto launch = [&](const std::string& name) {
    TItemData item;
    item.DisplayName = name;
    RememberLastUsed(settings, item);
    std::string names;
    for (const auto& hit : settings.LastUsed) names += hit->ItemData.DisplayName;
    return names;
  };
  launch("A");
  launch("B");
  EXPECT_EQ(launch("C"), "CBA");
  settings.MaxHits = 2;  // at least three are kept; a move trims nothing
  EXPECT_EQ(launch("a"), "ACB");
  EXPECT_EQ(launch("D"), "DAC");
}

TEST_F(SearchModelTest, MagicWordLaunchFolderAndAdministrator) {
  AddMagicWord("ed", "Editor").RunAsAdmin = true;
  AddMagicWord("np", "Notepad");
  const struct {
    const char* Row;
    const char* ExecuteString;
    const char* Path;
    bool Asked;
    const char* Folder;
    bool AsAdmin;
  } cases[] = {
      {"Editor (ed)", "C:\\Tools\\ed.exe", "D:\\Work", false, "D:\\Work", true},  // its own folder; its word says so
      {"Notepad (np)", "C:\\Tools\\np.exe", "", false, "C:\\Tools\\", false},     // else the program's folder
      {"Notepad (np)", "np.exe", "", true, "", true},                             // asked for
      {"Editor (np)", "ed.exe", "", false, "", false},                            // a name no word gives
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Row);
    TItemData item;
    item.DisplayName = c.Row;
    item.SetExecuteString(c.ExecuteString);
    item.SetPath(c.Path);
    EXPECT_EQ(MagicWordFolder(item), c.Folder);
    EXPECT_EQ(MagicWordRunsAsAdmin(Settings, item, c.Asked), c.AsAdmin);
  }
}

TEST(SearchCommandLine, SplitsQuotedAndPlainLines) {
  const std::string longName(3000, 'x');
  const struct {
    std::string Typed, File, Parameters;
  } cases[] = {
      {"  \"C:\\Program Files\\App\\app.exe\"  -a -b ", "C:\\Program Files\\App\\app.exe", "-a -b"},
      {"notepad readme.txt", "notepad", "readme.txt"},
      {"\"unclosed quote", "\"unclosed", "quote"},
      {" " + longName + " " + longName, longName, longName},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed.substr(0, 40));
    std::string file, parameters;
    SplitCommandLine(c.Typed, file, parameters);
    EXPECT_EQ(file, c.File);
    EXPECT_EQ(parameters, c.Parameters);
  }
}
