#include "sources/ShortcutCache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

using testpaths::ReadText;
using testpaths::WriteText;

// Every field set, so that each one has to survive the file.
TShortcutInfo FullInfo(const std::string& fileName) {
  return {fileName,
          "C:\\Programme\\Bücher\\edit.exe",
          "/new \"a b\"",
          "C:\\Programme",
          "Edits\r\nfiles",
          "C:\\Programme\\icons.dll",
          -3,
          0x0645,
          7,
          {"edit.exe", os::faArchive | os::faReadOnly, 5000000000, {2023, 10, 29, 2, 30, 59}}};
}

// One run of the program: the links of the file, one resolved, the file written.
struct TRun {
  explicit TRun(const std::string& cacheFile) : Cache(cacheFile) { Cache.Load(); }

  TShortcutInfo Resolve(const std::string& fileName) {
    TShortcutInfo info;
    info.FileName = fileName;
    Cache.Resolve(info, [&](TShortcutInfo& link) {
      ++Reads;
      link = FullInfo(link.FileName);
    });
    return info;
  }

  TShortcutCache Cache;
  int Reads = 0;
};

struct TCacheCase {
  const char* Change;
  void (*Apply)(const std::string& link, const std::string& other, const std::string& cacheFile);
  int Reads;    // of the link in the next run
  size_t Kept;  // links in the file after that run
};

void MoveTime(const std::string& fileName) {
  fs::last_write_time(fileName, fs::last_write_time(fileName) + std::chrono::seconds(10));
}

const TCacheCase CacheCases[] = {
    {"nothing", [](auto&, auto&, auto&) {}, 0, 2},
    {"the link's size",
     [](const std::string& link, auto&, auto&) {
       const auto time = fs::last_write_time(link);
       WriteText(link, "a longer link");
       fs::last_write_time(link, time);
     },
     1, 2},
    {"the link's time", [](const std::string& link, auto&, auto&) { MoveTime(link); }, 1, 2},
    {"the link deleted", [](const std::string& link, auto&, auto&) { fs::remove(link); }, 1, 1},
    {"another link deleted that nobody asks for",
     [](const std::string& link, const std::string& other, auto&) {
       fs::remove(other);
       MoveTime(link);  // so that the run writes its file
     },
     1, 1},
    {"a byte of the cache file",
     [](auto&, auto&, const std::string& cacheFile) {
       std::string bytes = ReadText(cacheFile);
       bytes[bytes.size() / 2] ^= 1;
       WriteText(cacheFile, bytes);
     },
     1, 1},
    {"the cache file cut short",
     [](auto&, auto&, const std::string& cacheFile) {
       const std::string bytes = ReadText(cacheFile);
       WriteText(cacheFile, bytes.substr(0, bytes.size() - 5));
     },
     1, 1},
    {"the cache file another program's",
     [](auto&, auto&, const std::string& cacheFile) { WriteText(cacheFile, "[Links]\r\nEditor=1\r\n"); }, 1, 1},
};

}  // namespace

TEST(ShortcutCacheTest, AKeptLinkServesTheNextRunOnlyWhileItsFileAndTheCacheFileAreUnchanged) {
  for (const TCacheCase& c : CacheCases) {
    SCOPED_TRACE(c.Change);
    const std::string folder = testpaths::FreshFolder("shortcut_cache");
    const std::string link = folder + "Editor.lnk", other = folder + "Player.lnk", cacheFile = folder + "links.cache";
    WriteText(link, "link");
    WriteText(other, "link");
    {
      TRun first(cacheFile);
      first.Resolve(link);
      first.Resolve(other);
      first.Cache.Save();
    }
    c.Apply(link, other, cacheFile);

    TRun next(cacheFile);
    EXPECT_EQ(next.Resolve(link), FullInfo(link));
    EXPECT_EQ(next.Reads, c.Reads);
    next.Cache.Save();
    EXPECT_EQ(TRun(cacheFile).Cache.Count(), c.Kept);
  }
}
