#include "app/work.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>

#include "app/app_state.h"

namespace corvane {

namespace {

constexpr UINT_PTR kProgressTimer = 0xC0;

struct Worker {
    WorkProgress progress;
    std::thread thread;
    std::function<void(bool)> finish;
};
std::unique_ptr<Worker> worker;  // only the window's thread touches it

// What the user may not start while work runs, and the list, whose selection must not move.
constexpr Layout kLockedWhileWorking[] = {
    Layout::SourceList,         Layout::OpenFilesButton,    Layout::PlaySourceButton,
    Layout::PlayRepackedButton, Layout::CompressFileButton, Layout::CompressAllButton,
    Layout::CoderChoice,        Layout::RateChoice,         Layout::RomChoice,
    Layout::SaveBankButton,     Layout::PlayOnCardButton};

void ShowWorking(bool working) {
    for (const Layout control : kLockedWhileWorking) EnableWindow(Control(control), !working);
    EnableWindow(Control(Layout::CancelButton), working);
    EnableWindow(Control(Layout::LoopChoice), !working && App().SourceHasLoop);
    SendMessageW(Control(Layout::ProgressBar), PBM_SETPOS, 0, 0);
}

void CALLBACK ShowProgress(HWND, UINT, UINT_PTR, DWORD) {
    if (!worker) return;
    const WorkProgress& progress = worker->progress;
    const unsigned encoding = progress.encoding.permille.load(std::memory_order_relaxed);
    const int item = progress.item.load(std::memory_order_relaxed);
    const unsigned permille = progress.items == 0
                                  ? encoding
                                  : (1000u * static_cast<unsigned>(item) + encoding) /
                                        static_cast<unsigned>(progress.items);
    SendMessageW(Control(Layout::ProgressBar), PBM_SETPOS, permille, 0);
    if (progress.items > 0) {
        ShowWorkCount(std::to_wstring(std::min(item + 1, progress.items)) + L" of " +
                      std::to_wstring(progress.items));
    }
}

}  // namespace

void StartWork(int items, std::function<void(WorkProgress& progress)> work,
               std::function<void(bool cancelled)> finish) {
    worker = std::make_unique<Worker>();
    worker->finish = std::move(finish);
    worker->progress.items = items;
    ShowWorking(true);
    ShowWorkCount(L"");
    SetTimer(App().MainWindow, kProgressTimer, 100, ShowProgress);
    auto run = [work = std::move(work), &progress = worker->progress, window = App().MainWindow] {
        try {
            work(progress);
        } catch (const std::exception&) {
            // The job's result stays as it was (empty): its finish reports what is missing.
        }
        PostMessageW(window, kWorkDoneMessage, 0, 0);
    };
    try {
        worker->thread = std::thread(run);
    } catch (const std::system_error&) {
        run();  // no thread to be had: the work runs here, and still ends by the message
    }
}

bool WorkRunning() { return worker != nullptr; }

void CancelWork() {
    if (worker) worker->progress.encoding.stop = true;
}

void FinishWork() {
    if (!worker) return;
    if (worker->thread.joinable()) worker->thread.join();
    KillTimer(App().MainWindow, kProgressTimer);
    const std::unique_ptr<Worker> done = std::move(worker);
    ShowWorking(false);
    done->finish(done->progress.encoding.Stopped());
}

void AbandonWork() {
    if (!worker) return;
    worker->progress.encoding.stop = true;
    if (worker->thread.joinable()) worker->thread.join();
    KillTimer(App().MainWindow, kProgressTimer);
    worker.reset();
}

void ShowWorkCount(const std::wstring& text) {
    SetWindowTextW(Control(Layout::WorkCountLabel), text.c_str());
}

}  // namespace corvane
