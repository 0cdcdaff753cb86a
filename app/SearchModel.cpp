#include "app/SearchModel.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "core/qmFileUtils.h"
#include "core/qmLog.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

bool Contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }
bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

size_t CharCount(const std::string& s) { return Utf8Chars(s).size(); }

TStringList Words(const std::string& s) {
  TStringList words;
  SplitByChars(s, words, " ");
  return words;
}

// The number of the first last-used hit whose name contains Name, counted from the oldest.
int32_t LastUsedScore(const TLorvexSettings& settings, const std::string& name) {
  const int count = settings.LastUsed.Count();
  for (int i = 0; i < count; ++i)
    if (Contains(UpperCase(settings.LastUsed.GetItem(i).ItemData.DisplayName), name)) return 700 + count - i;
  return 0;
}

// What a caught exception says.
std::string ExceptionMessage(const std::string& sourceName) {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error while searching " + sourceName;
  }
}

}  // namespace

// --- The result list ------------------------------------------------------------------------

const TResultRow& TResultList::Row(int index) const {
  if (index < 0 || index >= FCount) throw std::out_of_range("TResultList::Row");
  const auto [block, offset] = Locate(index);
  return *FBlocks[block][offset];
}

std::pair<size_t, size_t> TResultList::Locate(int index) const {
  const size_t block =
      std::min<size_t>(std::upper_bound(FEnds.begin(), FEnds.end(), index) - FEnds.begin(), FBlocks.size() - 1);
  const int before = block == 0 ? 0 : FEnds[block - 1];
  return {block, static_cast<size_t>(index - before)};
}

void TResultList::Clear() {
  FBlocks.clear();
  FEnds.clear();
  FCount = 0;
  FLastHeader = -1;
}

void TResultList::AppendHeader(const std::string& caption) {
  auto header = std::make_unique<TItemData>();
  header->Kind = ikGroupHeader;
  header->Score = 0;
  FLastHeader = Insert(FCount, std::make_unique<TResultRow>(TResultRow{caption, std::move(header)}));
}

int TResultList::PlaceFor(int32_t score) const {
  if (score == 0) return FCount;
  // The rows of the last group score downwards; the row goes after those scoring at least as much.
  int low = FLastHeader + 1, high = FCount;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (Item(middle).Score >= score)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

int TResultList::Place(std::string text, std::unique_ptr<TItemData> item) {
  if (item->Score < 0) return -1;
  const int index = PlaceFor(item->Score);
  return Insert(index, std::make_unique<TResultRow>(TResultRow{std::move(text), std::move(item)}));
}

int TResultList::Insert(int index, std::unique_ptr<TResultRow> row) {
  if (FBlocks.empty()) {
    FBlocks.emplace_back();
    FEnds.push_back(0);
  }
  const auto [block, offset] = Locate(index);
  TBlock& rows = FBlocks[block];
  rows.insert(rows.begin() + static_cast<ptrdiff_t>(offset), std::move(row));
  for (size_t b = block; b < FEnds.size(); ++b) ++FEnds[b];
  ++FCount;
  if (rows.size() > 2 * BlockSize) {
    TBlock upper(std::make_move_iterator(rows.begin() + BlockSize), std::make_move_iterator(rows.end()));
    rows.resize(BlockSize);
    FEnds.insert(FEnds.begin() + static_cast<ptrdiff_t>(block), FEnds[block] - static_cast<int>(upper.size()));
    FBlocks.insert(FBlocks.begin() + static_cast<ptrdiff_t>(block) + 1, std::move(upper));
  }
  return index;
}

// --- Scoring ----------------------------------------------------------------------------------

bool MatchWords(const std::string& query, const std::string& name, bool wholeWord) {
  if (query.empty() || !Contains(name, query)) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find(' ', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view word(name.data() + start, end - start);
    if (!word.empty()) {
      if (wholeWord ? SameText(word, query) : StartsText(query, word)) return true;
    }
    start = end + 1;
  }
  return false;
}

int32_t ScoreItem(const TLorvexSettings& settings, const std::string& name, const std::string& extension,
                  const std::string& text) {
  if (!settings.UseScoring) return 0;
  const std::string n = UpperCase(name);
  const std::string q = UpperCase(text);
  int32_t score = LastUsedScore(settings, n);
  if (settings.ExeInFront && SameText(extension, ".exe")) score += 600;
  if (score != 0 || q.empty()) return score;
  if (n == q) return 500;
  if (MatchWords(q, n, true)) return 400;
  if (StartsWith(n, q)) return 300;
  if (MatchWords(q, n, false)) return 200;
  if (n.find(q, 1) != std::string::npos) return 100;
  return 0;
}

// --- Magic words --------------------------------------------------------------------------

TItemRecord MagicWordRecord(const TMagicWord& word) {
  TItemRecord record;
  record.Kind = ikMagicWord;
  record.DisplayName = word.Description + " (" + word.MagicWord + ")";
  record.Hint = word.ExecuteString + " " + word.Parameters;
  record.ExecuteString = word.ExecuteString;
  record.Description = TranslateText("Magic word");
  record.Parameters = word.Parameters;
  record.Score = -1;
  record.IconFile = word.ExecuteString;
  record.IconIndex = 0;
  record.Path = word.Path;
  return record;
}

std::vector<TItemRecord> MatchMagicWords(const TLorvexSettings& settings, const std::string& text) {
  const std::string t = AnsiUpperCase(text);
  const TStringList typedWords = Words(t);
  std::vector<std::string> upper;
  for (const auto& word : settings.MagicWords) upper.push_back(AnsiUpperCase(word->MagicWord));

  std::vector<TItemRecord> records;
  auto pass = [&](const std::function<bool(const std::string&)>& matches) {
    for (int i = 0; i < settings.MagicWords.Count(); ++i)
      if (matches(upper[static_cast<size_t>(i)])) records.push_back(MagicWordRecord(settings.MagicWords.GetItem(i)));
  };

  pass([&](const std::string& m) { return StartsWith(m, t); });
  if (CharCount(t) > 1)
    pass([&](const std::string& m) { return !StartsWith(m, t) && MatchesWildcard(m, "*" + t + "*"); });
  if (settings.ExtendedSearch && typedWords.size() > 1)
    pass([&](const std::string& m) {
      return std::all_of(typedWords.begin(), typedWords.end(), [&](const std::string& w) { return Contains(m, w); });
    });
  const std::vector<std::string_view> initials = Utf8Chars(t);
  if (settings.ExtendedSearch && initials.size() > 1)
    pass([&](const std::string& m) {
      const TStringList words = Words(m);
      if (words.size() != initials.size()) return false;
      for (size_t k = 0; k < initials.size(); ++k)
        if (!StartsWith(words[k], initials[k])) return false;
      return true;
    });
  return records;
}

// --- Last used and the command line -------------------------------------------------------

namespace {

int LastUsedIndex(const TLorvexSettings& settings, const std::string& displayName) {
  for (int i = 0; i < settings.LastUsed.Count(); ++i)
    if (AnsiSameText(settings.LastUsed.GetItem(i).ItemData.DisplayName, displayName)) return i;
  return -1;
}

}  // namespace

void RememberLastUsed(TLorvexSettings& settings, const TItemData& item) {
  const int index = LastUsedIndex(settings, item.DisplayName);
  if (index >= 0) {
    settings.LastUsed.Move(index, 0);
    return;
  }
  settings.LastUsed.Insert(0).SetItemData(item);
  settings.TrimLastUsed();
}

bool DeleteLastUsed(TLorvexSettings& settings, const std::string& displayName) {
  const int index = LastUsedIndex(settings, displayName);
  if (index < 0) return false;
  settings.LastUsed.Delete(index);
  return true;
}

std::string MagicWordFolder(const TItemData& item) {
  const std::string folder = item.Path();
  return folder.empty() ? ExtractFilePath(item.ExecuteString()) : folder;
}

bool MagicWordRunsAsAdmin(const TLorvexSettings& settings, const TItemData& item, bool asked) {
  return asked || std::any_of(settings.MagicWords.begin(), settings.MagicWords.end(), [&](const auto& word) {
           return word->RunAsAdmin && MagicWordRecord(*word).DisplayName == item.DisplayName;
         });
}

void SplitCommandLine(const std::string& typed, std::string& fileName, std::string& parameters) {
  const std::string text = Trim(typed);
  if (!text.empty() && text[0] == '"') {
    const size_t close = text.find('"', 1);
    if (close != std::string::npos) {
      fileName = Trim(text.substr(1, close - 1));
      parameters = Trim(text.substr(close + 1));
      return;
    }
  }
  const size_t blank = text.find(' ');
  if (blank == std::string::npos) {
    fileName = Trim(text);
    parameters.clear();
  } else {
    fileName = Trim(text.substr(0, blank));
    parameters = Trim(text.substr(blank + 1));
  }
}

// --- The worker -----------------------------------------------------------------------------

TSearchThread::TSearchThread(TSearchModel& model, std::string searchText, std::vector<TSearchClass*> sources)
    : FModel(model), FSearchText(std::move(searchText)), FSources(std::move(sources)) {}

TSearchThread::~TSearchThread() {
  Terminate();
  Join();
}

void TSearchThread::Start() {
  FThread = std::thread([this] { Execute(); });
}

void TSearchThread::Terminate() {
  FQueue->Terminated = true;
  std::lock_guard<std::mutex> lock(FSourceLock);
  try {
    if (FSource) FSource->CancelSearch();
  } catch (...) {
    // The worker still stops at the source's next AddHit.
  }
}

void TSearchThread::Join() {
  if (FThread.joinable()) FThread.join();
}

void TSearchThread::Execute() {
  try {
    if (FModel.OnThreadStart) FModel.OnThreadStart();
  } catch (...) {
  }
  for (TSearchClass* source : FSources) {
    if (!source) continue;
    SearchSource(*source);
    if (Terminated()) break;
  }
  try {
    if (FModel.OnThreadEnd) FModel.OnThreadEnd();
  } catch (...) {
  }
  try {
    Synchronize([this] {
      FModel.SearchFinished(*this);
      FFinished = true;
    });
  } catch (...) {
  }
  // The GUI thread must never wait for a call that could not be made.
  FFinished = true;
}

void TSearchThread::SearchSource(TSearchClass& source) {
  std::string name;
  std::string failure;
  try {
    name = source.GetName();
    std::string group = source.GetCaption();
    {
      std::lock_guard<std::mutex> lock(FQueue->Lock);  // empty: every source's hits are listed before the next
      FQueue->Group = std::move(group);
    }
    Synchronize([this, &name] { FModel.ShowSearchingStatus(name); });
    {
      std::lock_guard<std::mutex> lock(FSourceLock);
      FSource = &source;
    }
    struct TLeave {
      TSearchThread& thread;
      ~TLeave() {
        std::lock_guard<std::mutex> lock(thread.FSourceLock);
        thread.FSource = nullptr;
      }
    } leave{*this};
    source.Search(FSearchText, [this](const TItemRecord& record) { return HitFound(record); });
  } catch (...) {
    failure = ExceptionMessage(name);
  }
  // What the source found before it failed still counts.
  try {
    FlushHits();
  } catch (...) {
    if (failure.empty()) failure = ExceptionMessage(name);
  }
  if (failure.empty()) return;
  try {
    Synchronize([this, &failure] { FModel.AddSearchError(failure); });
  } catch (...) {
  }
}

bool TSearchThread::HitFound(const TItemRecord& record) {
  if (Terminated()) return true;
  if (record.DisplayName.empty()) return Terminated();
  bool post = false;
  size_t queued = 0;
  {
    std::lock_guard<std::mutex> lock(FQueue->Lock);
    FQueue->Records.push_back(record);
    queued = FQueue->Records.size();
    post = !std::exchange(FQueue->Posted, true);
  }
  if (post) {
    const bool posted = FModel.FPost([queue = FQueue, self = FModel.FSelf] {
      if (TSearchModel* model = *self) model->ListQueuedHits(*queue);
    });
    // The next hit tries again; the end of the source lists them in any case.
    if (!posted) {
      std::lock_guard<std::mutex> lock(FQueue->Lock);
      FQueue->Posted = false;
    }
  }
  if (queued >= MaxQueued) FlushHits();
  return Terminated();
}

void TSearchThread::FlushHits() {
  {
    std::lock_guard<std::mutex> lock(FQueue->Lock);
    if (FQueue->Records.empty()) return;
  }
  if (Terminated()) return;
  Synchronize([this] { FModel.ListQueuedHits(*FQueue); });
}

void TSearchThread::Synchronize(const std::function<void()>& call) { FModel.FSynchronize(call); }

// --- The model ------------------------------------------------------------------------------

TSearchModel::TSearchModel(TLorvexSettings& settings, TSearchView& view, TRestartableTimer& timer,
                           TSynchronizeFunc synchronize, TPostFunc post)
    : FSettings(settings),
      FView(view),
      FTimer(timer),
      FSynchronize(std::move(synchronize)),
      FPost(std::move(post)) {}

TSearchModel::~TSearchModel() {
  try {
    StopSearch();
  } catch (...) {
  }
  *FSelf = nullptr;  // calls still on their way find no model
}

void TSearchModel::TextChanged(const std::string& text) {
  FBoxText = text;
  FTimer.Restart(SearchDelayMs);
}

void TSearchModel::TimerFired() {
  FTimer.Stop();
  // Fired while waiting for the worker: the text is dispatched once the wait is over.
  if (FWaits > 0) {
    FTimer.Restart(SearchDelayMs);
    return;
  }
  const int listings = FListings;
  StopSearch();
  // A list asked for during the wait (Home, End) stands; text typed after it has its own timer.
  if (FListings != listings) return;
  // Otherwise the box's latest text goes now: what was typed during the wait needs no timer.
  FTimer.Stop();
  Dispatch();
}

void TSearchModel::FlushPendingInput() {
  if (FTimer.Pending() && FWaits == 0) TimerFired();
}

void TSearchModel::ShowDefaultList(TListMode listMode) {
  StopSearch();
  FTimer.Stop();
  FBoxText.clear();
  FillDefaultList(listMode);
}

void TSearchModel::DeleteFromLastUsed(const std::string& displayName) {
  StopSearch();
  DeleteLastUsed(FSettings, displayName);
  ShowDefaultList(lmDefaultList);
}

void TSearchModel::StopSearch() {
  if (!FThread) return;
  FThread->Terminate();
  WaitForSearch();
}

void TSearchModel::Close() {
  FClosed = true;
  FTimer.Stop();
  StopSearch();
}

void TSearchModel::CancelSearch() {
  if (FThread) FThread->Terminate();
}

void TSearchModel::WaitForSearch() {
  if (!FThread) return;
  struct TWaiting {
    int& count;
    explicit TWaiting(int& c) : count(c) { ++count; }
    ~TWaiting() { --count; }
  } waiting(FWaits);
  // What the window serves meanwhile may wait for the same worker again (a key that lists the
  // last used, the options dialog): the innermost wait ends it, and the others find it gone.
  while (FThread && !FThread->Finished()) FView.ProcessMessages();
  if (!FThread) return;
  FThread->Join();
  FThread.reset();
}

void TSearchModel::Dispatch() {
  if (FClosed) return;
  if (FBoxText.empty()) {
    FillDefaultList(FListMode);
  } else if (SameText(FBoxText, "Errors")) {
    FillDefaultList(lmErrors);
  } else {
    FListMode = lmSearchResults;
    ClearList();
    FSearchText = FBoxText;
    SearchMagicWords();
    StartSearch();
  }
}

void TSearchModel::ClearList() {
  ++FListings;
  FList.Clear();
  FCurrentGroup.clear();
  FLastGroup.clear();
  FView.ListCleared();
}

void TSearchModel::SearchMagicWords() {
  FCurrentGroup = TranslateText("Magic words");
  for (const TItemRecord& record : MatchMagicWords(FSettings, FSearchText)) {
    AddHit(record);
    FListMode = lmSearchResults;
  }
}

void TSearchModel::StartSearch() {
  if (CharCount(FSearchText) <= 1) return;
  FView.HideErrorPanel();
  FThread = std::make_unique<TSearchThread>(*this, FSearchText, FSettings.SearchOrderObjects);
  FThread->Start();
}

void TSearchModel::FillDefaultList(TListMode listMode) {
  ClearList();
  FSearchText.clear();
  auto header = [this](const std::string& caption) {
    FCurrentGroup = FLastGroup = caption;
    FList.AppendHeader(caption);
    FView.RowInserted(FList.Count() - 1);
  };
  if (listMode == lmMagicWords) {
    FView.HideErrorPanel();
    header(TranslateText("Magic words"));
    for (const auto& word : FSettings.MagicWords) AddHit(MagicWordRecord(*word));
  } else if (listMode == lmErrors) {
    header(TranslateText("Errors"));
    for (const std::string& line : FView.ErrorLines()) {
      TItemRecord record;
      record.Kind = ikError;
      record.DisplayName = line;
      record.Description = TranslateText("Error");
      AddHit(record);
    }
  } else {
    FView.HideErrorPanel();
    header(TranslateText("Last used"));
    for (const auto& hit : FSettings.LastUsed) {
      const TItemData& item = hit->ItemData;
      TItemRecord record;
      record.DisplayName = item.DisplayName;
      record.Hint = item.Hint;
      record.ExecuteString = item.ExecuteString();
      record.Description = item.Description;
      record.Parameters = item.Parameters();
      record.SearchClassName = item.SearchClassName;
      record.IconFile = item.IconFile();
      record.IconIndex = item.IconIndex;
      record.Score = 0;
      AddHit(record);
    }
  }
  FListMode = lmDefaultList;
  FView.ShowIdleStatus();
}

std::unique_ptr<TItemData> TSearchModel::MakeItem(const TItemRecord& record) const {
  auto item = std::make_unique<TItemData>(record);
  item->AsAdmin = false;
  if (record.Kind == ikHit) {
    item->SetPath("");
    return item;
  }
  // Magic words and error lines are listed in the order they come.
  item->Score = 0;
  item->SearchClassName.clear();
  item->DrawType = dtPos;
  if (record.Kind == ikError) item->SetPath("");
  return item;
}

void TSearchModel::CheckGroupHeader() {
  if (FCurrentGroup == FLastGroup) return;
  if (FSettings.GroupHits) {
    FList.AppendHeader(FCurrentGroup);
    FView.RowInserted(FList.Count() - 1);
  }
  FLastGroup = FCurrentGroup;
}

void TSearchModel::AddHit(const TItemRecord& record) {
  if (record.Kind == ikHit || record.Kind == ikMagicWord || record.Kind == ikError) {
    std::unique_ptr<TItemData> item = MakeItem(record);
    if (item->Score == -1) {
      item->Score = ScoreItem(FSettings, record.DisplayName, item->Extension, FSearchText);
      if (GetLog().Enabled)
        GetLog().Log("Score", record.DisplayName + " scores " + std::to_string(item->Score) + " points");
    }
    // A row that is not listed opens no group.
    if (item->Score >= 0) {
      CheckGroupHeader();
      const int index = FList.Place(record.DisplayName, std::move(item));
      FView.RowInserted(index);
      if (index <= 1) FView.SelectFirstRow();
    }
  }
  FView.AdjustSelection();
}

// --- Synchronised calls of the worker -------------------------------------------------------

void TSearchModel::ShowSearchingStatus(const std::string& sourceName) {
  FSearching = true;
  FView.SetStatusText(TranslateFormat("Searching %s...", {TranslateText(sourceName)}));
}

void TSearchModel::ListQueuedHits(THitQueue& queue) {
  std::vector<TItemRecord> records;
  std::string group;
  {
    std::lock_guard<std::mutex> lock(queue.Lock);
    records.swap(queue.Records);
    group = queue.Group;
    queue.Posted = false;  // a hit found from now on posts a call of its own
  }
  for (const TItemRecord& record : records) {
    if (queue.Terminated) return;
    FCurrentGroup = group;
    AddHit(record);
  }
}

void TSearchModel::AddSearchError(const std::string& message) { FView.AddErrorLine(message); }

void TSearchModel::SearchFinished(TSearchThread&) {
  FSearching = false;
  FView.SetStatusText("");
  FView.ShowIdleStatus();
}
