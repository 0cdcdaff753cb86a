// Reading the image source's fields from full-size camera JPEG files: our reader side by side
// with libexif and exiv2 on the same files, in files per second and bytes read per file.
//
// The files are made once in $LORVEX_BENCH_TMP (else the system's temporary folder): one
// large image encoded with libjpeg, and before its image data the Exif (and XMP) segments of
// each sample image in turn. LORVEX_BENCH_EXIF_FILES sets their number (default 2000).
// The peers and libjpeg are compiled in when the build defines LORVEX_BENCH_PEERS and links
// libexif, exiv2 and libjpeg; without them the files' image data is made up and only our
// reader runs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "metadata/Vmx.Exif.h"

#ifdef LORVEX_BENCH_PEERS
#include <jpeglib.h>
#include <libexif/exif-data.h>

#include <exiv2/exiv2.hpp>
#endif

namespace fs = std::filesystem;
using namespace vmx;

namespace {

constexpr int ImageWidth = 4000, ImageHeight = 3000;

// The image after its SOI: tables, frame, scan and EOI.
std::vector<uint8_t> ImageBody() {
  std::vector<uint8_t> rgb(size_t(ImageWidth) * ImageHeight * 3);
  std::mt19937 noise(42);
  for (int y = 0; y < ImageHeight; ++y)
    for (int x = 0; x < ImageWidth; ++x) {
      uint8_t* p = &rgb[(size_t(y) * ImageWidth + x) * 3];
      const int grain = int(noise() % 6);
      p[0] = uint8_t((x * 255 / ImageWidth + grain) & 255);
      p[1] = uint8_t((y * 255 / ImageHeight + grain) & 255);
      p[2] = uint8_t(((x + y) / 31 * 17 + grain) & 255);
    }
#ifdef LORVEX_BENCH_PEERS
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = ImageWidth;
  info.image_height = ImageHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 85, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = &rgb[size_t(info.next_scanline) * ImageWidth * 3];
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> body(out + 2, out + outSize);
  jpeg_destroy_compress(&info);
  std::free(out);
  return body;
#else
  // Made-up tables and entropy-coded data of a similar size, without FF bytes.
  const uint8_t tables[] = {0xFF, 0xDB, 0x00, 0x43, 0x00};
  const uint8_t frame[] = {0xFF,
                           0xC0,
                           0x00,
                           0x11,
                           0x08,
                           uint8_t(ImageHeight >> 8),
                           uint8_t(ImageHeight),
                           uint8_t(ImageWidth >> 8),
                           uint8_t(ImageWidth),
                           0x03,
                           1,
                           0x22,
                           0,
                           2,
                           0x11,
                           0,
                           3,
                           0x11,
                           0};
  const uint8_t scan[] = {0xFF, 0xDA, 0x00, 0x0C, 0x03, 1, 0, 2, 0x11, 3, 0x11, 0, 0x3F, 0};
  std::vector<uint8_t> body(std::begin(tables), std::end(tables));
  body.resize(body.size() + 64, 1);
  body.insert(body.end(), std::begin(frame), std::end(frame));
  body.insert(body.end(), std::begin(scan), std::end(scan));
  for (size_t i = 0; i < rgb.size() / 40; ++i) body.push_back(uint8_t(rgb[i * 40] % 0xFF));
  body.push_back(0xFF);
  body.push_back(0xD9);
  return body;
#endif
}

// The Exif and XMP segments (marker and length included) of each sample image.
std::vector<std::vector<uint8_t>> SampleSegments() {
  const fs::path corpus =
      Env("LORVEX_EXIF_CORPUS", fs::path(__FILE__).parent_path().string() + "/../../shared/corpora/jpeg");
  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(corpus)) files.push_back(item.path());
  std::sort(files.begin(), files.end());
  std::vector<std::vector<uint8_t>> result;
  for (const fs::path& file : files) {
    TFileStream stream(file.string());
    TJPEGHeaderParser parser(stream, JPEGMarkers({jmApp1}));
    std::vector<uint8_t> segments;
    while (parser.MoveNext()) {
      const auto& segment = *parser.Current();
      const auto& data = segment.Data().Bytes();
      const uint8_t head[] = {0xFF, jmApp1, uint8_t((data.size() + 2) >> 8), uint8_t(data.size() + 2)};
      segments.insert(segments.end(), std::begin(head), std::end(head));
      segments.insert(segments.end(), data.begin(), data.end());
    }
    if (!segments.empty()) result.push_back(std::move(segments));
  }
  return result;
}

const std::vector<std::string>& BenchFiles() {
  static const std::vector<std::string> files = [] {
    const int count = std::stoi(Env("LORVEX_BENCH_EXIF_FILES", "2000"));
    const fs::path folder = fs::path(Env("LORVEX_BENCH_TMP", fs::temp_directory_path().string())) / "lorvex_bench_exif";
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back((folder / ("image" + std::to_string(i) + ".jpg")).string());
    const fs::path done = folder / ("complete-" + std::to_string(count));
    if (fs::exists(done)) return names;
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::vector<uint8_t> body = ImageBody();
    const auto segments = SampleSegments();
    for (int i = 0; i < count; ++i) {
      std::ofstream out(names[size_t(i)], std::ios::binary);
      const auto& head = segments[size_t(i) % segments.size()];
      out.write("\xFF\xD8", 2);
      out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
      out.write(reinterpret_cast<const char*>(body.data()), std::streamsize(body.size()));
    }
    std::ofstream(done).put('\n');
    std::printf("made %d files of %lld bytes each (image data) in %s\n", count, static_cast<long long>(body.size()),
                folder.string().c_str());
    return names;
  }();
  return files;
}

// The files per second of each reader, printed as ratios once every reader has run. The
// printer owns the results, so they live exactly as long as it needs them.
struct TRatioPrinter {
  std::map<std::string, double> FilesPerSecond;
  ~TRatioPrinter() {
    const auto& r = FilesPerSecond;
    if (!r.count("Lorvex")) return;
    for (const auto& [reader, rate] : r) std::printf("%s: %.0f files per second\n", reader.c_str(), rate);
    for (const char* peer : {"libexif", "exiv2"})
      if (r.count(peer)) std::printf("Lorvex is %.2f times as fast as %s\n", r.at("Lorvex") / r.at(peer), peer);
  }
} RatioPrinter;

// Runs Read over the files in turn and reports files per second and bytes read per file.
template <class Read>
void ReadFiles(benchmark::State& state, const char* name, Read read) {
  const auto& files = BenchFiles();
  size_t next = 0;
  const int64_t bytesBefore = BytesReadSoFar();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    read(files[next]);
    next = (next + 1) % files.size();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double iterations = double(state.iterations());
  state.counters["files_per_second"] = benchmark::Counter(iterations, benchmark::Counter::kIsRate);
  state.counters["bytes_read_per_file"] = double(BytesReadSoFar() - bytesBefore) / iterations;
  if (seconds > 0) RatioPrinter.FilesPerSecond[name] = iterations / seconds;  // the last, longest run counts
}

void ExifLorvex(benchmark::State& state) {
  ReadFiles(state, "Lorvex", [](const std::string& file) {
    TExifData exif;
    exif.EnsureEnumsInRange = false;
    exif.LoadFromFile(file);
    if (exif.Empty()) return;
    benchmark::DoNotOptimize(exif.ImageDescription());
    benchmark::DoNotOptimize(exif.Author());
    benchmark::DoNotOptimize(exif.Comments());
    benchmark::DoNotOptimize(exif.Keywords());
    benchmark::DoNotOptimize(exif.Subject());
    benchmark::DoNotOptimize(exif.Title());
    benchmark::DoNotOptimize(exif.CameraModel());
    benchmark::DoNotOptimize(exif.DateTime());
    benchmark::DoNotOptimize(exif.GetExposureProgram());
    benchmark::DoNotOptimize(exif.GetExifFraction(ttag::ExposureTime));
    benchmark::DoNotOptimize(exif.GetExifSignedFraction(ttag::ExposureBiasValue));
    benchmark::DoNotOptimize(exif.Flash.IsMissing() || exif.Flash.Fired());
    benchmark::DoNotOptimize(exif.GetExifFraction(ttag::FNumber));
    benchmark::DoNotOptimize(exif.GetExifFraction(ttag::FocalLength));
    benchmark::DoNotOptimize(exif.GetFocalLengthIn35mmFilm());
    benchmark::DoNotOptimize(exif.ISOSpeedRatings.AsString());
    benchmark::DoNotOptimize(exif.GetWhiteBalanceMode());
  });
}

#ifdef LORVEX_BENCH_PEERS

void ExifLibexif(benchmark::State& state) {
  ReadFiles(state, "libexif", [](const std::string& file) {
    ExifData* data = exif_data_new_from_file(file.c_str());
    if (!data) return;
    char text[256];
    for (ExifTag tag :
         {EXIF_TAG_IMAGE_DESCRIPTION, EXIF_TAG_ARTIST, EXIF_TAG_MODEL, EXIF_TAG_DATE_TIME, EXIF_TAG_XP_AUTHOR,
          EXIF_TAG_XP_COMMENT, EXIF_TAG_XP_KEYWORDS, EXIF_TAG_XP_SUBJECT, EXIF_TAG_XP_TITLE})
      if (ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], tag))
        benchmark::DoNotOptimize(exif_entry_get_value(entry, text, sizeof text));
    for (ExifTag tag : {EXIF_TAG_USER_COMMENT, EXIF_TAG_EXPOSURE_PROGRAM, EXIF_TAG_EXPOSURE_TIME,
                        EXIF_TAG_EXPOSURE_BIAS_VALUE, EXIF_TAG_FLASH, EXIF_TAG_FNUMBER, EXIF_TAG_FOCAL_LENGTH,
                        EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_TAG_WHITE_BALANCE})
      if (ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag))
        benchmark::DoNotOptimize(exif_entry_get_value(entry, text, sizeof text));
    exif_data_unref(data);
  });
}

void ExifExiv2(benchmark::State& state) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  ReadFiles(state, "exiv2", [](const std::string& file) {
    auto image = Exiv2::ImageFactory::open(file);
    image->readMetadata();
    Exiv2::ExifData& data = image->exifData();
    for (const char* key :
         {"Exif.Image.ImageDescription", "Exif.Image.Artist", "Exif.Image.Model", "Exif.Image.DateTime",
          "Exif.Image.XPAuthor", "Exif.Image.XPComment", "Exif.Image.XPKeywords", "Exif.Image.XPSubject",
          "Exif.Image.XPTitle", "Exif.Photo.UserComment", "Exif.Photo.ExposureProgram", "Exif.Photo.ExposureTime",
          "Exif.Photo.ExposureBiasValue", "Exif.Photo.Flash", "Exif.Photo.FNumber", "Exif.Photo.FocalLength",
          "Exif.Photo.FocalLengthIn35mmFilm", "Exif.Photo.ISOSpeedRatings", "Exif.Photo.WhiteBalance"}) {
      const auto it = data.findKey(Exiv2::ExifKey(key));
      if (it != data.end()) benchmark::DoNotOptimize(it->toString());
    }
  });
}

#endif

}  // namespace

BENCHMARK(ExifLorvex)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
#ifdef LORVEX_BENCH_PEERS
BENCHMARK(ExifLibexif)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(ExifExiv2)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
#endif
