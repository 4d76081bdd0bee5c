#pragma once
// Long work on a thread of its own: packing with the slower coders, and batches. The worker
// gets copies of all it reads; what it makes comes back to the window's thread, which alone
// touches the state record: it runs the job's `finish` there when the worker is done.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "codec/progress.h"

namespace corvane {

// Posted to the main window when the worker is done.
constexpr UINT kWorkDoneMessage = WM_APP + 1;

// How far the work got: the encoding under way, and in a batch the entry it is on.
struct WorkProgress {
    Progress encoding;  // its `stop` is the cancel request
    std::atomic<int> item{0};
    int items = 0;  // entries in a batch; 0 for one packing
};

// Runs `work` on the worker thread (it watches the stop request and reports how far it got),
// then `finish` on the window's thread with whether the work was cancelled. The window shows
// the progress ("k of n" for a batch of `items`), offers Cancel, and refuses to start other
// work until `finish` has run.
void StartWork(int items, std::function<void(WorkProgress& progress)> work,
               std::function<void(bool cancelled)> finish);
bool WorkRunning();

// Asks the worker to stop soon; its `finish` still runs, told it was cancelled.
void CancelWork();
// For kWorkDoneMessage: ends the worker and runs its `finish`.
void FinishWork();
// For a closing window: stops the worker and waits for it, without running `finish`.
void AbandonWork();

// Shows `text` beside the progress bar: a batch's "k of n", or how far cancelled work got.
void ShowWorkCount(const std::wstring& text);

}  // namespace corvane
