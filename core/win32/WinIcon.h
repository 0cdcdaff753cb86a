// An item's icon as the window layer fills it in: the item owns it, and it destroys its handle.
#pragma once

#include <windows.h>

#include "core/LorvexClasses.h"

class TWinIcon : public TIcon {
 public:
  explicit TWinIcon(HICON handle) : FHandle(handle) {}
  ~TWinIcon() override {
    if (FHandle) DestroyIcon(FHandle);
  }
  TWinIcon(const TWinIcon&) = delete;
  TWinIcon& operator=(const TWinIcon&) = delete;

  HICON Handle() const { return FHandle; }

 private:
  HICON FHandle;
};
