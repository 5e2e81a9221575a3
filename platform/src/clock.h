// The clock timers and GetTickCount run on: the backend's monotonic
// clock, or a virtual clock that only moves when told to (tests).
#pragma once

#include <stdint.h>

namespace plat {

int64_t clock_now_ms();
bool clock_is_virtual();
// Switches to the virtual clock (at 0) or back to the real one; false when
// it was already so.
bool clock_set_virtual(bool enable);

// Waits until `deadline_ms` (negative: no deadline) or until input may have
// arrived. The virtual clock jumps straight to the deadline. Returns false
// when nothing can ever end the wait.
bool clock_wait_until(int64_t deadline_ms);

// Sleep(): the real clock sleeps, the virtual one moves forward.
void clock_sleep(uint32_t ms);

}  // namespace plat
