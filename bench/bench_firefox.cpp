// The Firefox bookmarks source over a places database of 50,000 bookmarks in WAL mode, a part of
// them still in the log: searches that copy the browser's files every time (LiveBookmarks off)
// against searches that find them unchanged and skip the copy (LiveBookmarks on). Counters: the
// milliseconds of each kind, and the time of a skipping search as a part of a copying one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "sources/SearchFirefoxBookmarks.h"

namespace {

constexpr int Bookmarks = 50000;
const char* const Library = "libsqlite3.so.0";

// Firefox's places in a scratch profile, made once, kept open as Firefox keeps it; the settings
// folder beside it.
std::string PlacesFile() {
  static const std::string file = [] {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lorvex_bench_firefox";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "profile");
    os::SetEnv("XDG_CONFIG_HOME", folder.string());
    ForceDirectories(SettingsFolder("Lorvex"));
    static TSqlite3DB browser(nullptr);
    browser.SetDriverDLL(Library);
    browser.SetDatabase((folder / "profile" / "places.sqlite").string());
    browser.SetConnected(true);
    browser.ExecuteSQL(
        "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
        "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, guid TEXT);"
        "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
        " position INTEGER, title LONGVARCHAR, guid TEXT);");
    auto add = [&](int from, int to) {
      browser.StartTransaction();
      for (int i = from; i < to; ++i) {
        const std::string n = std::to_string(i);
        browser.ExecuteSQL(
            "INSERT INTO moz_places (id, url) VALUES (?1, ?2);"
            "INSERT INTO moz_bookmarks (type, fk, parent, position, title) VALUES (1, ?1, 3, ?1, ?3)",
            {TSqlValue::OfInteger(i + 1), TSqlValue::OfText("https://www.example.org/articles/" + n + "?ref=bookmark"),
             TSqlValue::OfText("Bookmark number " + n + (i % 100 ? " about news" : " about mail"))});
      }
      browser.Commit();
    };
    add(0, Bookmarks - 1000);
    browser.ExecuteSQL("PRAGMA wal_checkpoint(TRUNCATE)");
    add(Bookmarks - 1000, Bookmarks);
    return browser.GetDatabase();
  }();
  return file;
}

// A source whose first search has made its copy.
std::unique_ptr<TSearchFFBookmarks> Source(bool live) {
  WriteBookmarkFileOptions(FirefoxIniFileName(), FirefoxFileKey, {PlacesFile(), live});
  auto source = std::make_unique<TSearchFFBookmarks>(nullptr, nullptr);
  source->DriverDLL = Library;
  source->Search("", [](const TItemRecord&) { return true; });
  return source;
}

size_t Search(TSearchFFBookmarks& source) {
  size_t hits = 0;
  source.Search("mail", [&](const TItemRecord&) { return ++hits, false; });
  return hits;
}

// The best time of Runs searches of one source: other work on the machine slows single runs.
double BestSeconds(bool live, int runs) {
  auto source = Source(live);
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(Search(*source));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

void FirefoxSearch(benchmark::State& state) {
  auto source = Source(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(Search(*source));
}
BENCHMARK(FirefoxSearch)->ArgName("live")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Both kinds one after the other (two sources share the one copy, so never at once).
void FirefoxCopySkipped(benchmark::State& state) {
  double copied = 1e9, skipped = 1e9;
  for (auto _ : state) {
    copied = std::min(copied, BestSeconds(false, 5));
    skipped = std::min(skipped, BestSeconds(true, 5));
  }
  state.counters["copying_ms"] = copied * 1000;
  state.counters["skipping_ms"] = skipped * 1000;
  state.counters["time_ratio_skipped_to_copied"] = skipped / copied;
}
BENCHMARK(FirefoxCopySkipped)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
