// Shell links read once per version of their file. Reading a link through the shell costs some
// twenty-five times what looking at its file does, and the first search after start-up would
// read hundreds of them. So every link read is kept by path, size and time of last write: in
// memory, and from one run to the next in a small file of our own, which is simply not used when
// it is damaged.
//
// Threads: the search worker loads, resolves and saves while another thread may resolve or
// clear. One mutex guards the links; it is never held while a link is read or the file touched.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "os/os.h"
#include "sources/SearchShortcuts.h"

// The file of the kept links, in the settings folder.
std::string ShortcutCacheFileName();

class TShortcutCache {
 public:
  // Fills Info for Info.FileName from the link itself.
  using TReadLink = std::function<void(TShortcutInfo& info)>;

  // FileName: where the links are kept between runs; empty keeps them only in memory.
  explicit TShortcutCache(std::string fileName);

  // Takes in the links of the file, once after construction or Clear; a link resolved in the
  // meantime is newer and stays. A file that is missing or damaged gives nothing.
  void Load();
  // Fills Info for Info.FileName: the kept link while its file keeps its stamp, else what Read
  // fills in, kept for next time. A file that is gone is read all the same and forgotten.
  void Resolve(TShortcutInfo& info, const TReadLink& read);
  // Writes the links to the file when some were read or forgotten since it was loaded or last
  // written. A link that nobody asked for since the load goes in only while its file keeps its
  // stamp, so links of deleted files do not pile up. A write that fails costs only time.
  void Save();
  // Forgets the links in memory; the next Load takes in the file again.
  void Clear();
  size_t Count();

  struct TKeptLink {
    os::TFileStamp Stamp;
    TShortcutInfo Info;
    bool Asked = false;  // found or read since the load
  };

 private:
  bool Find(TShortcutInfo& info, const os::TFileStamp& stamp);
  void Keep(const std::string& fileName, const TShortcutInfo& info, const os::TFileStamp* stamp);

  const std::string FFileName;
  std::mutex FLock;
  std::unordered_map<std::string, TKeptLink> FLinks;  // by the link's path
  bool FLoaded = false;
  bool FChanged = false;  // since the file was loaded or written
};
