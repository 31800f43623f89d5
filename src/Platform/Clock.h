#pragma once

#include "RoTypes/Date.h"

namespace kestal::platform {

// Local time with milliseconds. Tests hand a run a FixedClock.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime Now() const = 0;
};

// The C library's local time; the TZ variable is honoured.
class SystemClock final : public Clock {
 public:
  TDateTime Now() const override;
};

class FixedClock final : public Clock {
 public:
  explicit FixedClock(TDateTime now) : now_(now) {}
  void Set(TDateTime now) { now_ = now; }
  TDateTime Now() const override { return now_; }

 private:
  TDateTime now_;
};

}  // namespace kestal::platform
