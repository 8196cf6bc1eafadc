#pragma once
// Harvests on threads of their own. Each harvest ends its thread by
// returning; none is ever ended from outside. Harvests may overlap: each
// works on its own list of windows, and the running ones are counted so
// that the program can stop them and wait for them before it closes.
#include <windows.h>

#include <memory>

#include "capture/harvest.h"
#include "capture/restore.h"
#include "platform/unique_handle.h"

namespace capture {

// Sets the status kStatusHarvesting (on the calling thread), then starts
// harvest_and_translate(hooks) on a new thread, which ends with the status
// kStatusHarvestDone. With thread_out the caller receives the thread's
// handle (closing it does not end the thread). False when the thread could
// not be started; the status then goes back to kStatusCaptured, as nothing
// is being translated.
bool start_harvest(HarvestHooks hooks, platform::KernelHandle* thread_out = nullptr);

// Starts restore_originals(*originals, hooks) on a thread of its own,
// counted among the running harvests (stopping does not cut it short: it
// is quick, and half a restore is worse than a whole one). False when the
// thread could not be started.
bool start_restore(std::shared_ptr<OriginalTexts> originals, RestoreHooks hooks,
                   platform::KernelHandle* thread_out = nullptr);

// How many harvests (and restores) are running now.
int running_harvests();

// Asks every harvest running now to end after the control it is working on.
// Harvests started later are not affected.
void stop_harvests();

// Waits until no harvest or restore runs, dispatching this thread's window messages
// meanwhile (a harvest may be waiting for one of this thread's windows to
// answer). True when none runs any more, false after timeout_ms.
bool wait_for_harvests(unsigned timeout_ms);

}  // namespace capture
