#include "desktop/SimpleTimer.h"

#include <utility>

// --- TSimpleTimerHandler ------------------------------------------------------------------

uintptr_t TSimpleTimerHandler::Add(TSimpleTimer* timer) {
  // Ids are not reused while their timer lives (0 is never one).
  while (FNextId == 0 || FTimers.count(FNextId)) ++FNextId;
  const uintptr_t id = FNextId++;
  FTimers[id] = timer;
  return id;
}

void TSimpleTimerHandler::Remove(uintptr_t id) { FTimers.erase(id); }

bool TSimpleTimerHandler::Timer(uintptr_t id) {
  auto found = FTimers.find(id);
  if (found == FTimers.end() || !found->second->Ticking()) return false;
  found->second->Tick();  // may free the timer
  return true;
}

// --- TSimpleTimer -------------------------------------------------------------------------

TSimpleTimer::TSimpleTimer(std::shared_ptr<TSimpleTimerHandler> handler, uint32_t interval, TTimerEvent onTimer)
    : FHandler(std::move(handler)), FInterval(interval), FOnTimer(std::move(onTimer)) {
  FId = FHandler->Add(this);
}

TSimpleTimer::~TSimpleTimer() {
  if (FEnabled || FTicking) Stop();
  FHandler->Remove(FId);
}

bool TSimpleTimer::Start() {
  if (FInterval == 0) return false;
  if (FEnabled) Stop();
  if (!FHandler->SetWindowTimer(FId, FInterval)) return false;
  FEnabled = true;
  if (!FTicking) {
    FTicking = true;
    ++FHandler->FRunning;
  }
  return true;
}

bool TSimpleTimer::Stop(bool clearEnabled) {
  if (clearEnabled) FEnabled = false;
  const bool killed = FHandler->KillWindowTimer(FId);
  if (FTicking) {
    FTicking = false;
    if (FHandler->FRunning > 0) --FHandler->FRunning;
  }
  return killed;
}

void TSimpleTimer::SetEnabled(bool value) {
  if (value)
    Start();
  else
    Stop();
}

void TSimpleTimer::SetInterval(uint32_t value) {
  if (value == FInterval) return;
  FInterval = value;
  if (!FEnabled) return;
  if (FInterval != 0)
    Start();
  else
    Stop(false);
}

void TSimpleTimer::SetOnTimer(TTimerEvent value) {
  FOnTimer = std::move(value);
  if (!FEnabled) return;
  if (!FOnTimer)
    Stop(false);
  else if (!FTicking)
    Start();
}

void TSimpleTimer::Tick() {
  if (OneShot) Stop();
  // A copy: the event may free the timer, and with it OnTimer.
  const TTimerEvent event = FOnTimer;
  if (event) event(*this);
}
