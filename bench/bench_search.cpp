// The result list under load: hits inserted by score in three orders (a binary search within the
// group against the upward walk), and a whole search handed to the GUI thread as it goes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

#include "app/SearchModel.h"

namespace {

enum TOrder { Ascending, Descending, Random };

std::vector<int32_t> Scores(int count, TOrder order) {
  std::vector<int32_t> scores(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) scores[static_cast<size_t>(i)] = i + 1;
  if (order == Descending) std::reverse(scores.begin(), scores.end());
  if (order == Random) std::shuffle(scores.begin(), scores.end(), std::mt19937(42));
  return scores;
}

void BM_InsertByScore(benchmark::State& state) {
  const auto scores = Scores(static_cast<int>(state.range(0)), static_cast<TOrder>(state.range(1)));
  for (auto _ : state) {
    TResultList list;
    list.AppendHeader("Desktop");
    for (int32_t score : scores) {
      auto item = std::make_unique<TItemData>();
      item->Score = score;
      list.Place("hit", std::move(item));
    }
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InsertByScore)
    ->ArgsProduct({{10000, 100000}, {Ascending, Descending, Random}})
    ->ArgNames({"hits", "order"})
    ->Unit(benchmark::kMillisecond);

// A source that reports Count hits.
class TFloodSource : public TSearchClass {
 public:
  TFloodSource(int count) : TSearchClass(nullptr), FCount(count) {}
  std::string GetName() override { return "Flood"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    for (int i = 0; i < FCount; ++i) {
      TItemRecord record;
      record.DisplayName = "hit " + std::to_string(i);
      record.SearchClassName = GetName();
      record.Score = 0;
      if (addHit(record)) return;
    }
  }
  void Execute(TItemData&) override {}

 private:
  int FCount;
};

// The GUI thread of the benchmark: runs the worker's calls, synchronised and posted, one at a
// time, as a window would.
class TFakeGui : public TSearchView, public TRestartableTimer {
 public:
  void Restart(int) override { FPending = true; }
  void Stop() override { FPending = false; }
  bool Pending() const override { return FPending; }
  void ProcessMessages() override {
    std::unique_lock lock(FLock);
    FSignal.wait_for(lock, std::chrono::milliseconds(10), [&] { return !FCalls.empty(); });
    while (!FCalls.empty()) {
      auto call = std::move(FCalls.front());
      FCalls.pop_front();
      lock.unlock();
      call();
      lock.lock();
      FSignal.notify_all();
    }
  }
  void Synchronize(const std::function<void()>& call) {
    std::unique_lock lock(FLock);
    ++Calls;
    bool done = false;
    FCalls.push_back([&] {
      call();
      done = true;
    });
    FSignal.notify_all();
    FSignal.wait(lock, [&] { return done; });
  }
  bool Post(std::function<void()> call) {
    std::lock_guard lock(FLock);
    ++Calls;
    FCalls.push_back(std::move(call));
    FSignal.notify_all();
    return true;
  }
  int Calls = 0;

 private:
  std::mutex FLock;
  std::condition_variable FSignal;
  std::deque<std::function<void()>> FCalls;
  bool FPending = false;
};

void BM_SearchHandsHitsOver(benchmark::State& state) {
  const int hits = static_cast<int>(state.range(0));
  TLorvexSettings settings;
  TFloodSource source(hits);
  settings.SearchOrderObjects = {&source};
  int calls = 0;
  for (auto _ : state) {
    TFakeGui gui;
    TSearchModel model(
        settings, gui, gui, [&gui](const std::function<void()>& call) { gui.Synchronize(call); },
        [&gui](std::function<void()> call) { return gui.Post(std::move(call)); });
    model.TextChanged("hit");
    model.TimerFired();
    while (model.SearchRunning()) gui.ProcessMessages();
    model.StopSearch();
    calls = gui.Calls;
  }
  state.counters["calls"] = calls;
  state.counters["hits_per_call"] = static_cast<double>(hits) / std::max(1, calls);
}
BENCHMARK(BM_SearchHandsHitsOver)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
