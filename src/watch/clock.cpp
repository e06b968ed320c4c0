#include "watch/clock.h"

namespace zelvon {

TimePoint SystemClock::now() const { return std::chrono::system_clock::now(); }

} // namespace zelvon
