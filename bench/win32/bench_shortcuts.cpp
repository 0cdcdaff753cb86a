// A start-menu search over a start-menu-like tree of 3,000 shortcuts in 200 folders, as a ratio
// to a bare recursive FindFirstFile walk of the same tree in the same run:
// - the first search of the very first run (every link read through the shell),
// - the first search after start-up (a new shell over the links that run kept in its file),
// - a repeated search (links kept in memory).
// Run under Wine: wine build/windows/bench_shortcuts.exe [folder]
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "core/win32/WideText.h"
#include "sources/win32/SearchShortcuts.h"

namespace {

constexpr int FolderCount = 200;
constexpr int LinksPerFolder = 15;
const char* const Words[] = {"Editor", "Player", "Manager", "Viewer", "Server", "Reader", "Helper", "Studio"};

// The start menu of the run: the folder under which the tree is made, with its kept links beside it.
class TBenchShell : public TWin32ShortcutShell {
 public:
  explicit TBenchShell(std::string folder) : TWin32ShortcutShell(folder + ".cache"), FFolder(std::move(folder)) {}
  std::string FolderPath(int csidl) override { return csidl == csidlStartMenu ? FFolder : ""; }

 private:
  std::string FFolder;
};

void MakeTree(const std::string& root) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < FolderCount; ++f) {
    const std::string folder = root + "\\Program " + std::to_string(f);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int l = 0; l < LinksPerFolder; ++l) {
      const std::string name = std::string(Words[(f + l) % 8]) + " " + std::to_string(f) + "-" + std::to_string(l);
      link->SetPath(("C:\\Program Files\\Program " + std::to_string(f) + "\\app" + std::to_string(l) + ".exe").c_str());
      link->SetDescription(name.c_str());
      file->Save(Utf8ToWide(folder + "\\" + name + ".lnk").c_str(), TRUE);
    }
  }
  file->Release();
  link->Release();
}

int BareWalk(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      count += BareWalk(folder + "\\" + name);
    else
      ++count;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return count;
}

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename F>
double Time(F&& run) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  run();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string root = argc > 1 ? argv[1] : std::string(temp) + "lorvex_bench_startmenu";
  if (GetFileAttributesA((root + "\\Program 0").c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("making %d shortcuts in %d folders under %s ...\n", FolderCount * LinksPerFolder, FolderCount,
                root.c_str());
    MakeTree(root);
  }

  DeleteFileA((root + ".cache").c_str());

  int hits = 0;
  auto search = [&](TSearchStartMenu& source) {
    hits = 0;
    source.Search("er", [&](const TItemRecord& record) { return hits += !record.DisplayName.empty(), false; });
  };
  int files = 0;
  const double bare = Time([&] { files = BareWalk(root); });
  TSearchStartMenu firstRun(nullptr, std::make_shared<TBenchShell>(root));
  const double firstEver = Time([&] { search(firstRun); });
  TSearchStartMenu source(nullptr, std::make_shared<TBenchShell>(root));
  const double first = Time([&] { search(source); });
  double repeated = 1e300, bareBest = bare;
  for (int i = 0; i < 5; ++i) {
    repeated = std::min(repeated, Time([&] { search(source); }));
    bareBest = std::min(bareBest, Time([&] { BareWalk(root); }));
  }
  std::printf("files %d, hits %d\n", files, hits);
  std::printf("bare FindFirstFile walk             %8.1f ms\n", bareBest);
  std::printf("first search \"er\" of the first run  %8.1f ms  (%.1fx)\n", firstEver, firstEver / bareBest);
  std::printf("first search \"er\" after start-up    %8.1f ms  (%.2fx)\n", first, first / bareBest);
  std::printf("repeated search \"er\"                %8.1f ms  (%.2fx)\n", repeated, repeated / bareBest);
  CoUninitialize();
  return 0;
}
