#pragma once
// The time source for everything that stamps or ages records, so tests can
// put the list at any moment they need.

#include "foundation/formatting.h"

namespace zelvon {

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

class SystemClock final : public Clock {
public:
    TimePoint now() const override;
};

// Stands still until told otherwise.
class FixedClock final : public Clock {
public:
    explicit FixedClock(TimePoint moment) : moment_(moment) {}
    void set(TimePoint moment) { moment_ = moment; }
    TimePoint now() const override { return moment_; }

private:
    TimePoint moment_;
};

} // namespace zelvon
