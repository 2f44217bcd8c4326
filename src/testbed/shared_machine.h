// Copies of the testbed started side by side share one simulated machine:
// its drive letters live in the Wine prefix, not in a process. The first
// copy to claim a letter maps it and removes it at its end; a copy started
// beside it maps nothing and therefore removes nothing, so it leaves the
// machine as it found it when the single-instance guard sends it away.
#pragma once

#include "platform/handles.h"

namespace sw::testbed {

// One copy at a time claims its drives and builds its window: a copy that
// finds a letter claimed must also find the claiming copy's window already
// registered with the single-instance guard, which then refuses it.
class StartupTurn {
 public:
  // Waits for the turn; after `timeoutMs` without it, Held() is false.
  explicit StartupTurn(unsigned timeoutMs);
  ~StartupTurn() { End(); }
  StartupTurn(const StartupTurn&) = delete;
  StartupTurn& operator=(const StartupTurn&) = delete;

  bool Held() const { return held_; }
  // Hands the turn to the next copy; later calls do nothing.
  void End();

 private:
  UniqueHandle mutex_;
  bool held_ = false;
};

// A drive letter claimed for the whole life of this copy.
class DriveClaim {
 public:
  explicit DriveClaim(char letter);
  DriveClaim(const DriveClaim&) = delete;
  DriveClaim& operator=(const DriveClaim&) = delete;

  // False when a running copy holds the letter.
  bool Owned() const { return mutex_.Valid(); }

 private:
  UniqueHandle mutex_;
};

}  // namespace sw::testbed
