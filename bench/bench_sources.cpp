// The mp3 source's tag search over 5,000 files in 50 folders, as a ratio to a bare walk of the
// same tree that only opens each file and reads its last 128 bytes; and the clipboard source's
// search over a full history of 1,000 entries, as a share of one frame (1/60 s).
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "sources/SearchClipboard.h"
#include "sources/SearchMp3.h"

namespace {

constexpr int FolderCount = 50;
constexpr int FilesPerFolder = 100;
constexpr double FrameSeconds = 1.0 / 60;
const char* const Artists[] = {"Beatles", "Kinks", "Who", "Byrds", "Doors", "Zombies", "Animals", "Hollies"};

// The tree, made once: every file some sound and a tag at its end.
const std::string& Tree() {
  static const std::string root = [] {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lorvex_bench_mp3";
    std::filesystem::remove_all(folder);
    for (int f = 0; f < FolderCount; ++f) {
      const std::filesystem::path album = folder / ("Album " + std::to_string(f));
      std::filesystem::create_directories(album);
      for (int i = 0; i < FilesPerFolder; ++i) {
        std::string tag = "TAG" + ("Song " + std::to_string(i) + std::string(30, '\0')).substr(0, 30) +
                          (Artists[(f + i) % 8] + std::string(30, '\0')).substr(0, 30) +
                          ("Album " + std::to_string(f) + std::string(30, '\0')).substr(0, 30);
        tag.resize(128, '\0');
        std::ofstream(album / ("track " + std::to_string(i) + ".mp3"), std::ios::binary)
            << std::string(4096, '\x55') << tag;
      }
    }
    // The source's settings: this tree, with subfolders, by tag.
    os::SetEnv("XDG_CONFIG_HOME", (folder / "config").string());
    ForceDirectories(SettingsFolder("Lorvex"));
    os::WriteFileReplacing(
        SettingsFolder("Lorvex") + TSearchMp3::IniFileName,
        "[Folders]\r\nFolder0=" + folder.string() + "\r\n[Options]\r\nSubfolders=1\r\nSearchTags=1\r\n");
    return folder.string();
  }();
  return root;
}

struct TRatioPrinter {
  std::map<std::string, double> Seconds;  // per run, the last (longest) measurement
  ~TRatioPrinter() {
    if (Seconds.count("mp3") && Seconds.count("bare"))
      std::printf("The mp3 tag search takes %.2f times as long as a bare walk that reads every tag (goal: 3)\n",
                  Seconds["mp3"] / Seconds["bare"]);
    if (Seconds.count("clipboard"))
      std::printf("The clipboard search over 1,000 entries takes %.3f of a frame (goal: below 1)\n",
                  Seconds["clipboard"] / FrameSeconds);
  }
} RatioPrinter;

template <class Run>
void Measure(benchmark::State& state, const char* name, Run run) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RatioPrinter.Seconds[name] = seconds / double(state.iterations());
}

int BareWalk(const std::string& folder) {
  int tags = 0;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    if (entry->d_type == DT_DIR) {
      tags += BareWalk(path);
      continue;
    }
    const int file = open(path.c_str(), O_RDONLY);
    if (file < 0) continue;
    char tag[128];
    const off_t size = lseek(file, 0, SEEK_END);
    if (size >= 128 && pread(file, tag, sizeof tag, size - 128) == 128 && tag[0] == 'T') ++tags;
    close(file);
  }
  closedir(dir);
  return tags;
}

void BM_BareWalk(benchmark::State& state) {
  const std::string& root = Tree();
  Measure(state, "bare", [&] { benchmark::DoNotOptimize(BareWalk(root)); });
}
BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond);

void BM_Mp3TagSearch(benchmark::State& state) {
  Tree();
  TSearchMp3 source(nullptr, nullptr);
  Measure(state, "mp3", [&] {
    int hits = 0;
    source.Search("zombies", [&](const TItemRecord& record) {
      hits += !record.DisplayName.empty();
      return false;
    });
    benchmark::DoNotOptimize(hits);
  });
}
BENCHMARK(BM_Mp3TagSearch)->Unit(benchmark::kMillisecond);

void BM_ClipboardSearch(benchmark::State& state) {
  constexpr int Entries = 1000;
  auto history = std::make_shared<TClipboardHistory>(Entries);
  for (int i = 0; i < Entries; ++i)
    history->AddText("Copied text number " + std::to_string(i) + " " + std::string(200 + i % 300, 'x'));
  TSearchClipboard source(nullptr, history, {}, nullptr, nullptr);
  Measure(state, "clipboard", [&] {
    int hits = 0;
    source.Search("number 9", [&](const TItemRecord&) { return ++hits < 0; });
    benchmark::DoNotOptimize(hits);
  });
}
BENCHMARK(BM_ClipboardSearch)->Unit(benchmark::kMicrosecond);

}  // namespace
