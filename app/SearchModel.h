// The search road without its window: the result list with its groups, scoring and ordered
// insertion, the magic-word passes, the default lists, the debounced dispatch of the typed text,
// and the search worker that asks every source of the search order for hits.
//
// Threads: everything here runs on the GUI thread except TSearchThread's loop. The worker reaches
// the GUI thread only through the injected Synchronize, which runs a call there and returns when
// it has run, and Post, which queues a call there and returns at once. The model owns the worker
// and joins it; it never frees itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/LorvexClasses.h"

// How long typing must pause before the text is searched.
constexpr int SearchDelayMs = 100;

// Runs Call on the GUI thread and returns once it has run there (the window's
// Application().Synchronize). May throw what Call throws.
using TSynchronizeFunc = std::function<void(const std::function<void()>& call)>;
// Queues Call to run on the GUI thread once it serves its messages again, after the calls queued
// before it (the window's Application().Post). False when it could not be queued.
using TPostFunc = std::function<bool(std::function<void()> call)>;

// The debounce timer: Restart arms it (again) for Ms milliseconds; when it fires, its owner calls
// TSearchModel::TimerFired on the GUI thread.
class TRestartableTimer {
 public:
  virtual ~TRestartableTimer() = default;
  virtual void Restart(int ms) = 0;
  virtual void Stop() = 0;
  virtual bool Pending() const = 0;
};

// What the model tells the window. Every call comes on the GUI thread.
class TSearchView {
 public:
  virtual ~TSearchView() = default;
  virtual void ListCleared() {}
  virtual void RowInserted(int index) {}
  // The best row arrived at the top: the selection goes to the first row.
  virtual void SelectFirstRow() {}
  // After every hit handed to the list, placed or not.
  virtual void AdjustSelection() {}
  virtual void SetStatusText(const std::string& text) {}
  virtual void ShowIdleStatus() {}
  virtual void HideErrorPanel() {}
  // A source failed: the window adds the line (with its time) to its error list and shows it.
  virtual void AddErrorLine(const std::string& message) {}
  // The error lines, newest first, for the "Errors" list.
  virtual TStringList ErrorLines() { return {}; }
  // While the GUI thread waits for the worker: waits a short while for the thread's next
  // messages and serves them, the worker's synchronised calls among them, without spinning.
  // The window serves paint, timers and input too, which may call the model again: no search
  // starts during a wait, and a stop asked for meanwhile waits as well.
  virtual void ProcessMessages() = 0;
};

// What the list shows, and which default list the next fill brings.
enum TListMode {
  lmSearchResults,  // the hits of the typed text
  lmDefaultList,    // a default list; asking for one lists the last used items
  lmMagicWords,     // asked for: the next fill lists every magic word
  lmErrors          // asked for: the next fill lists the error lines
};

// One row of the result list: its text (the display name, or the caption of a header) and its item.
struct TResultRow {
  std::string Text;
  std::unique_ptr<TItemData> Item;
};

// The rows of the list. Within the group after the last header, rows stay in descending score
// order (zero-scored rows at the end, in arrival order), so the place of a row is found by a
// binary search. The rows are kept in blocks, so that a row inserted high up in a long list
// moves a few hundred others, not all of them.
class TResultList {
 public:
  int Count() const { return FCount; }
  const TResultRow& Row(int index) const;
  TItemData& Item(int index) const { return *Row(index).Item; }
  const std::string& Text(int index) const { return Row(index).Text; }

  void Clear();
  void AppendHeader(const std::string& caption);
  // Places a row by its item's score; returns its index, or -1 when a negative score drops it.
  int Place(std::string text, std::unique_ptr<TItemData> item);
  // The index where a row of Score goes: after every row of the last group scoring at least as much.
  int PlaceFor(int32_t score) const;

  // A block is split when it grows beyond twice this.
  static constexpr size_t BlockSize = 256;

 private:
  using TBlock = std::vector<std::unique_ptr<TResultRow>>;
  // The block holding the row at Index (Count: the end of the last block), and the row's offset in it.
  std::pair<size_t, size_t> Locate(int index) const;
  int Insert(int index, std::unique_ptr<TResultRow> row);

  std::vector<TBlock> FBlocks;
  std::vector<int> FEnds;  // the number of rows in each block and those before it
  int FCount = 0;
  int FLastHeader = -1;
};

// The matching rules of scoring.
bool MatchWords(const std::string& query, const std::string& name, bool wholeWord);

// The score of Name for the query Text (both as typed): last-used rank, executables in front,
// then how the text matches the name. Zero when UseScoring is off.
int32_t ScoreItem(const TLorvexSettings& settings, const std::string& name, const std::string& extension,
                  const std::string& text);

// The rows of the magic words matching Text: four passes over the whole collection, a word
// listed once per pass that matches it.
std::vector<TItemRecord> MatchMagicWords(const TLorvexSettings& settings, const std::string& text);
TItemRecord MagicWordRecord(const TMagicWord& word);

// A launched hit goes to the top of the last-used list: moved when its name is there already
// (ignoring case), else added and the list trimmed.
void RememberLastUsed(TLorvexSettings& settings, const TItemData& item);
// Deletes the last-used hit of that name (ignoring case); False when there is none.
bool DeleteLastUsed(TLorvexSettings& settings, const std::string& displayName);

// The folder a magic word's row starts in: its own folder, else the folder of what it runs.
std::string MagicWordFolder(const TItemData& item);
// Whether a magic word's row runs as administrator: when asked to, or when a magic word of the
// settings that gives the row its name says so.
bool MagicWordRunsAsAdmin(const TLorvexSettings& settings, const TItemData& item, bool asked);

// A typed command line (trimmed first) as a file and its parameters: a leading quoted part, else
// the text up to the first blank; both trimmed, of any length.
void SplitCommandLine(const std::string& typed, std::string& fileName, std::string& parameters);

class TSearchModel;

// The hits a worker has found and the GUI thread has not listed yet, with the group they go in.
// The worker adds to it; the GUI thread takes everything there at once.
struct THitQueue {
  std::mutex Lock;
  std::vector<TItemRecord> Records;
  std::string Group;
  bool Posted = false;                  // a call to list them is on its way to the GUI thread
  std::atomic<bool> Terminated{false};  // the search was stopped: nothing more is listed
};

// The worker: asks each source of its snapshot of the search order, in order, for hits. A hit
// goes to the GUI thread at once: the first one found after a listing posts a call to list the
// queue, and those found while that call is on its way go with it, so a fast source's hits
// travel in large batches and a slow source's single hit never waits for the next one.
class TSearchThread {
 public:
  TSearchThread(TSearchModel& model, std::string searchText, std::vector<TSearchClass*> sources);
  ~TSearchThread();  // joins
  TSearchThread(const TSearchThread&) = delete;
  TSearchThread& operator=(const TSearchThread&) = delete;

  void Start();
  // Also asks the source in progress to cancel what it waits for.
  void Terminate();
  bool Terminated() const { return FQueue->Terminated; }
  // Set inside the last synchronised call: after it the worker makes no call more.
  bool Finished() const { return FFinished; }
  void Join();

  // How many hits may wait for the GUI thread: a source that finds more meanwhile waits until
  // they are listed.
  static constexpr size_t MaxQueued = 4096;

 private:
  void Execute();
  void SearchSource(TSearchClass& source);
  bool HitFound(const TItemRecord& record);
  // Waits until the GUI thread has listed every queued hit.
  void FlushHits();
  void Synchronize(const std::function<void()>& call);

  TSearchModel& FModel;
  const std::string FSearchText;
  const std::vector<TSearchClass*> FSources;
  std::atomic<bool> FFinished{false};
  std::mutex FSourceLock;  // guards FSource, for Terminate
  TSearchClass* FSource = nullptr;  // in its Search
  std::thread FThread;

  const std::shared_ptr<THitQueue> FQueue = std::make_shared<THitQueue>();
};

// The state behind the main window's search box and result list.
class TSearchModel {
 public:
  TSearchModel(TLorvexSettings& settings, TSearchView& view, TRestartableTimer& timer, TSynchronizeFunc synchronize,
               TPostFunc post);
  ~TSearchModel();  // stops a running search
  TSearchModel(const TSearchModel&) = delete;
  TSearchModel& operator=(const TSearchModel&) = delete;

  // Run on the worker when it starts and ends (the window initialises COM there).
  std::function<void()> OnThreadStart;
  std::function<void()> OnThreadEnd;

  // The search box's text changed (typing, or the program changing it): the timer restarts.
  void TextChanged(const std::string& text);
  // The debounce timer fired: stop a running search, then list or search the box's text.
  void TimerFired();
  // Enter came before the timer: run the pending dispatch now.
  void FlushPendingInput();

  // Program-made switches to a default list (Home, End, the home button, after a launch, after
  // running the typed text): the running search is stopped and waited for, the timer settled.
  // The box is taken as empty: the window clears it (its change restarts the timer, which this stops).
  void ShowDefaultList(TListMode listMode);
  // Stops a running search and waits for it (options dialog, a source's Execute).
  void StopSearch();
  // Stops a running search and waits for it; no search starts afterwards, not even one asked
  // for while the wait served input (exit).
  void Close();
  // Tells the worker to stop without waiting (the Down key).
  void CancelSearch();
  bool SearchRunning() const { return FThread && !FThread->Finished(); }
  // A source is searching (from its status until the worker ends).
  bool Searching() const { return FSearching; }

  // After a source ran a hit that it wants remembered: the hit goes to the top of the last used.
  void ItemLaunched(const TItemData& item) { RememberLastUsed(FSettings, item); }
  // Deletes the last-used hit of that name and lists the last used items again.
  void DeleteFromLastUsed(const std::string& displayName);

  const TResultList& List() const { return FList; }
  TListMode ListMode() const { return FListMode; }
  // The text of the current listing: what rows are scored against and marked with.
  const std::string& SearchText() const { return FSearchText; }

  // Also used by the default lists and the tests.
  void FillDefaultList(TListMode listMode);
  void AddHit(const TItemRecord& record);

 private:
  friend class TSearchThread;

  void Dispatch();
  void ClearList();
  void SearchMagicWords();
  void StartSearch();
  void WaitForSearch();
  void CheckGroupHeader();
  std::unique_ptr<TItemData> MakeItem(const TItemRecord& record) const;

  // Synchronised calls of the worker.
  void ShowSearchingStatus(const std::string& sourceName);
  // Lists every hit of the queue, unless its search was stopped.
  void ListQueuedHits(THitQueue& queue);
  void AddSearchError(const std::string& message);
  void SearchFinished(TSearchThread& thread);

  TLorvexSettings& FSettings;
  TSearchView& FView;
  TRestartableTimer& FTimer;
  TSynchronizeFunc FSynchronize;
  TPostFunc FPost;
  // The model as the calls posted to the GUI thread find it: empty once it is gone.
  const std::shared_ptr<TSearchModel*> FSelf = std::make_shared<TSearchModel*>(this);

  TResultList FList;
  std::string FBoxText;
  std::string FSearchText;
  std::string FCurrentGroup;
  std::string FLastGroup;
  TListMode FListMode = lmDefaultList;
  bool FSearching = false;
  bool FClosed = false;
  int FWaits = 0;     // waits for the worker under way, nested ones included
  int FListings = 0;  // how often the list was cleared for a new listing
  std::unique_ptr<TSearchThread> FThread;
};
