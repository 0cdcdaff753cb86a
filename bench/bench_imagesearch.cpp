// The image source's search over 10,000 JPEG files in 100 folders against a bare walk of the
// same tree that opens each file and reads its first 64 KB; and the bytes the search reads per
// file there and in a tree of images 128 times as large (they should be the same).
//
// The files are made once in $LORVEX_BENCH_TMP (else the system's temporary folder): each holds
// the Exif segment of one of the corpus images in turn (../shared/corpora/jpeg, or
// LORVEX_BENCH_EXIF_CORPUS), then tables, a scan header and image data, left as a hole in the
// file so that the large tree costs no disk. No file matches the text searched: every one is read.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/LorvexClasses.h"
#include "metadata/Vmx.Exif.JPEGUtils.h"
#include "os/os.h"
#include "sources/SearchExif.h"

namespace fs = std::filesystem;
using namespace vmx;

namespace {

using TBytes = std::vector<uint8_t>;

void AppendSegment(TBytes& out, uint8_t marker, const TBytes& data) {
  out.insert(out.end(), {0xFF, marker, uint8_t((data.size() + 2) >> 8), uint8_t(data.size() + 2)});
  out.insert(out.end(), data.begin(), data.end());
}

// The Exif APP1 segment of each corpus image, marker and length included.
std::vector<TBytes> ExifSegments() {
  const fs::path corpus =
      Env("LORVEX_BENCH_EXIF_CORPUS", fs::path(__FILE__).parent_path().string() + "/../../shared/corpora/jpeg");
  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(corpus)) files.push_back(item.path());
  std::sort(files.begin(), files.end());
  std::vector<TBytes> segments;
  for (const fs::path& file : files) {
    TFileStream stream(file.string());
    TJPEGHeaderParser walk(stream, JPEGMarkers({jmApp1}));
    while (walk.MoveNext()) {
      const std::vector<uint8_t>& data = walk.Current()->Data().Bytes();
      if (data.size() < 6 || std::string(data.begin(), data.begin() + 4) != "Exif") continue;
      segments.emplace_back();
      AppendSegment(segments.back(), jmApp1, data);
      break;
    }
  }
  return segments;
}

// A tree of Folders x FilesPerFolder images of Size bytes each, made once; answers its root.
std::string ImageTree(const std::string& name, int folders, int filesPerFolder, int64_t size) {
  const fs::path root = fs::path(Env("LORVEX_BENCH_TMP", fs::temp_directory_path().string())) / name;
  const fs::path done = root / "complete";
  if (fs::exists(done)) return root.string() + "/";
  fs::remove_all(root);
  const std::vector<TBytes> segments = ExifSegments();
  for (int folder = 0, image = 0; folder < folders; ++folder) {
    const fs::path dir = root / ("folder" + std::to_string(folder));
    fs::create_directories(dir);
    for (int i = 0; i < filesPerFolder; ++i, ++image) {
      TBytes head{0xFF, 0xD8};
      const TBytes& exif = segments[image % segments.size()];
      head.insert(head.end(), exif.begin(), exif.end());
      AppendSegment(head, 0xDB, TBytes(65, 1));
      AppendSegment(head, 0xDA, TBytes(10, 2));
      std::ofstream out(dir / ("image" + std::to_string(i) + ".jpg"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
      out.seekp(size - 2);  // the image data: a hole
      out.write("\xFF\xD9", 2);
    }
  }
  std::ofstream(done) << "made\n";
  return root.string() + "/";
}

const std::string& Tree() {
  static const std::string root = ImageTree("lorvex_bench_images", 100, 100, 256 * 1024);
  return root;
}

const std::string& LargeTree() {
  static const std::string root = ImageTree("lorvex_bench_large_images", 1, 100, 32 * 1024 * 1024);
  return root;
}

// What each way of reading took per tree, printed as ratios once all have run.
struct TRatioPrinter {
  std::map<std::string, double> Seconds, BytesPerFile;
  ~TRatioPrinter() {
    for (const auto& [name, bytes] : BytesPerFile) std::printf("%s: %.0f bytes read per file\n", name.c_str(), bytes);
    if (Seconds.count("search") && Seconds.count("bare walk"))
      std::printf("The image search takes %.2f times as long as the bare walk (goal: at most 2)\n",
                  Seconds["search"] / Seconds["bare walk"]);
  }
} RatioPrinter;

// Runs Walk over a tree of Files images per iteration and reports seconds and bytes per file.
template <class Walk>
void Measure(benchmark::State& state, const std::string& name, int files, Walk walk) {
  const int64_t bytesBefore = BytesReadSoFar();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) walk();
  const double iterations = double(state.iterations());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["files_per_second"] = benchmark::Counter(iterations * files, benchmark::Counter::kIsRate);
  state.counters["bytes_read_per_file"] = double(BytesReadSoFar() - bytesBefore) / (iterations * files);
  RatioPrinter.Seconds[name] = seconds / iterations;
  RatioPrinter.BytesPerFile[name] = state.counters["bytes_read_per_file"];
}

// The image source searching Root (and its subfolders) for a text no image holds.
void SearchTree(benchmark::State& state, const std::string& name, const std::string& root, int files) {
  const std::string settings = Env("LORVEX_BENCH_TMP", fs::temp_directory_path().string()) + "/lorvex_bench_settings";
  os::SetEnv("XDG_CONFIG_HOME", settings);
  fs::create_directories(settings + "/Lorvex");
  std::ofstream(settings + "/Lorvex/" + TSearchExif::IniFileName)
      << "[Folders]\r\nFolder0=" << root << "\r\n[Options]\r\nSubfolders=1\r\n";
  TSearchExif source(nullptr, nullptr);
  Measure(state, name, files, [&] { source.Search("no image holds this", [](const TItemRecord&) { return false; }); });
}

void ImageSearch(benchmark::State& state) { SearchTree(state, "search", Tree(), 10000); }

void ImageSearchOfLargeImages(benchmark::State& state) {
  SearchTree(state, "search of images 128 times as large", LargeTree(), 100);
}

void BareWalk(benchmark::State& state) {
  std::vector<char> buffer(64 * 1024);
  Measure(state, "bare walk", 10000, [&] {
    SearchFiles("*.jpg", Tree(), "", true, false, 0, [&](const std::string& file, const std::string&, bool, TDrawType) {
      if (file.empty()) return 0;
      const intptr_t handle = os::OpenSharedFile(file);
      benchmark::DoNotOptimize(os::ReadSharedFile(handle, 0, buffer.data(), int64_t(buffer.size())));
      os::CloseSharedFile(handle);
      return 0;
    });
  });
}

}  // namespace

BENCHMARK(BareWalk)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ImageSearch)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ImageSearchOfLargeImages)->Unit(benchmark::kMillisecond)->MinTime(1.0);
