// Settings a source reads from its file on first need and keeps until they are dropped. The
// search worker takes the whole value at the start of a search and walks that; the GUI thread
// may drop it meanwhile (Reset, the options dialog's OK) without pulling it from under the walk.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

template <class T>
class TSettingsSnapshot {
 public:
  explicit TSettingsSnapshot(std::function<T()> load) : FLoad(std::move(load)) {}

  // The kept value; read now when there is none.
  std::shared_ptr<const T> Get() {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FValue) FValue = std::make_shared<const T>(FLoad());
    return FValue;
  }
  // The next Get reads the file again.
  void Drop() {
    std::lock_guard<std::mutex> lock(FLock);
    FValue.reset();
  }

 private:
  std::function<T()> FLoad;
  std::mutex FLock;
  std::shared_ptr<const T> FValue;
};
