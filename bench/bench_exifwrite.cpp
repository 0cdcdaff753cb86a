// Writing Exif data into a 5 MB JPEG file: our writer side by side with exiv2's, each setting
// the same tags of the same file, in writes per second and in the heap memory a write takes
// at its peak, against the file's size plus the Exif block.
//
// The file is made once in $LORVEX_BENCH_TMP (else the system's temporary folder): the Exif
// segment of a sample image, then 5 MB of made-up image data. exiv2 is compiled in when the
// build defines LORVEX_BENCH_PEERS and links it; without it only our writer runs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "metadata/Vmx.Exif.h"

#ifdef LORVEX_BENCH_PEERS
#include <exiv2/exiv2.hpp>
#endif

namespace fs = std::filesystem;
using namespace vmx;

// --- the heap, counted ----------------------------------------------------------------------

namespace {

std::atomic<int64_t> HeapInUse{0}, HeapPeak{0};

void* Allocate(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  const int64_t now = HeapInUse += static_cast<int64_t>(malloc_usable_size(block));
  for (int64_t peak = HeapPeak; now > peak && !HeapPeak.compare_exchange_weak(peak, now);) {
  }
  return block;
}

void Release(void* block) {
  if (!block) return;
  HeapInUse -= static_cast<int64_t>(malloc_usable_size(block));
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }

namespace {

constexpr int64_t ImageDataSize = 5 << 20;

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// SOI, the Exif segment of a sample image, tables, frame and scan header, made-up scan data
// without FF bytes, EOI.
std::vector<uint8_t> MakeFile() {
  const fs::path sample =
      Env("LORVEX_EXIF_CORPUS", fs::path(__FILE__).parent_path().string() + "/../../shared/corpora/jpeg") +
      "/Canon.jpg";
  TFileStream stream(sample.string());
  TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
  std::vector<uint8_t> file{0xFF, 0xD8};
  if (parser.MoveNext()) {
    const auto& data = parser.Current()->Data().Bytes();
    const uint8_t head[] = {0xFF, jmApp1, uint8_t((data.size() + 2) >> 8), uint8_t(data.size() + 2)};
    file.insert(file.end(), std::begin(head), std::end(head));
    file.insert(file.end(), data.begin(), data.end());
  }
  const uint8_t tables[] = {0xFF, 0xDB, 0x00, 0x43, 0x00};
  file.insert(file.end(), std::begin(tables), std::end(tables));
  file.resize(file.size() + 64, 1);
  const uint8_t frame[] = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x0B, 0xB8, 0x0F, 0xA0, 0x03, 1,    0x22, 0,    2, 0x11, 0, 3,
                           0x11, 0,    0xFF, 0xDA, 0x00, 0x0C, 0x03, 1,    0,    2,    0x11, 3,    0x11, 0, 0x3F, 0};
  file.insert(file.end(), std::begin(frame), std::end(frame));
  std::mt19937 noise(42);
  for (int64_t i = 0; i < ImageDataSize; ++i) file.push_back(uint8_t(noise() % 0xFF));
  file.push_back(0xFF);
  file.push_back(0xD9);
  return file;
}

// One copy of the file for each writer.
std::string BenchFile(const std::string& writer) {
  static const std::vector<uint8_t> bytes = MakeFile();
  const fs::path folder =
      fs::path(Env("LORVEX_BENCH_TMP", fs::temp_directory_path().string())) / "lorvex_bench_exifwrite";
  fs::create_directories(folder);
  const std::string file = (folder / (writer + ".jpg")).string();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return file;
}

struct TResult {
  double WritesPerSecond = 0;
  double PeakMemory = 0;  // bytes of heap a write took at its peak
};

// The results of each writer, printed as ratios once every writer has run.
struct TRatioPrinter {
  std::map<std::string, TResult> Results;
  int64_t Budget = 0;  // the file's size plus the Exif block
  ~TRatioPrinter() {
    if (!Results.count("Lorvex")) return;
    for (const auto& [writer, result] : Results)
      std::printf("%s: %.1f writes per second, %.0f bytes of heap at the peak (%.3f of file plus block)\n",
                  writer.c_str(), result.WritesPerSecond, result.PeakMemory, result.PeakMemory / double(Budget));
    if (Results.count("exiv2"))
      std::printf("Lorvex writes %.2f times as fast as exiv2 and takes %.2f times its memory\n",
                  Results.at("Lorvex").WritesPerSecond / Results.at("exiv2").WritesPerSecond,
                  Results.at("Lorvex").PeakMemory / Results.at("exiv2").PeakMemory);
  }
} RatioPrinter;

// Runs Write (on File) and reports writes per second and the peak of heap per write.
template <class Write>
void WriteFiles(benchmark::State& state, const std::string& file, const char* name, Write write) {
  int64_t peak = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const int64_t before = HeapInUse;
    HeapPeak = before;
    write();
    peak = std::max<int64_t>(peak, HeapPeak - before);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["writes_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["peak_heap_bytes"] = double(peak);
  if (seconds > 0) RatioPrinter.Results[name] = {double(state.iterations()) / seconds, double(peak)};
}

// The tags both writers set, to new values each round so that every write changes the file.
std::string Stamp(int round) { return "Lorvex benchmark " + std::to_string(round); }

void SetTags(TExifData& exif, int round) {
  exif.SetCameraModel(Stamp(round));
  exif.SetCopyright("(c) Lorvex");
  exif.SetAuthor(u"Benchmark");
  exif.SetOrientation(toRightTop);
  TDateTime when;
  TryEncodeDateTime(2024, 1, 10 + round % 18, 12, 0, 0, 0, when);
  exif.SetDateTimeOriginal(when);
}

void WriteLorvex(benchmark::State& state) {
  const std::string file = BenchFile("Lorvex");
  TExifData sample;
  sample.LoadFromFile(file);
  SetTags(sample, 0);
  TMemoryStream block;
  sample.SaveToStream(block);
  RatioPrinter.Budget = int64_t(fs::file_size(file)) + block.Size();
  int round = 0;
  WriteFiles(state, file, "Lorvex", [&] {
    TExifData exif;
    exif.LoadFromFile(file);
    SetTags(exif, ++round);
    exif.SaveToJPEGFile(file);
  });
}

#ifdef LORVEX_BENCH_PEERS

void WriteExiv2(benchmark::State& state) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  const std::string file = BenchFile("exiv2");
  int round = 0;
  WriteFiles(state, file, "exiv2", [&] {
    auto image = Exiv2::ImageFactory::open(file);
    image->readMetadata();
    Exiv2::ExifData& data = image->exifData();
    data["Exif.Image.Model"] = Stamp(++round);
    data["Exif.Image.Copyright"] = "(c) Lorvex";
    data["Exif.Image.Artist"] = "Benchmark";
    data["Exif.Image.Orientation"] = uint16_t(6);
    data["Exif.Photo.DateTimeOriginal"] = "2024:01:" + std::to_string(10 + round % 18) + " 12:00:00";
    image->writeMetadata();
  });
}

#endif

}  // namespace

BENCHMARK(WriteLorvex)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#ifdef LORVEX_BENCH_PEERS
BENCHMARK(WriteExiv2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif
