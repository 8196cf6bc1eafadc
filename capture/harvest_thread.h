#pragma once
// Harvests on threads of their own. Each harvest ends its thread by
// returning; none is ever ended from outside. Harvests may overlap: each
// works on its own list of windows, and the running ones are counted so
// that the program can stop them and wait for them before it closes.
#include <windows.h>

#include "capture/harvest.h"
#include "platform/unique_handle.h"

namespace capture {

// Sets the status kStatusHarvesting (on the calling thread), then starts
// harvest_and_translate(hooks) on a new thread, which ends with the status
// kStatusHarvestDone. With thread_out the caller receives the thread's
// handle (closing it does not end the thread). False when the thread could
// not be started.
bool start_harvest(HarvestHooks hooks, platform::KernelHandle* thread_out = nullptr);

// How many harvests are running now.
int running_harvests();

// Asks every harvest running now to end after the control it is working on.
// Harvests started later are not affected.
void stop_harvests();

// Waits until no harvest runs, dispatching this thread's window messages
// meanwhile (a harvest may be waiting for one of this thread's windows to
// answer). True when none runs any more, false after timeout_ms.
bool wait_for_harvests(unsigned timeout_ms);

}  // namespace capture
