#pragma once
// Answers the modal dialogs a command shows (open, save, folder browser, message boxes)
// from a thread of its own, so that tests run the real dialogs and their results.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::uitest {

enum class DialogKind { File, FolderBrowser, Message, Other };

// What the watcher saw of one dialog before answering it.
struct SeenDialog {
    HWND window = nullptr;
    HWND owner = nullptr;
    DialogKind kind = DialogKind::Other;
    std::wstring title;
    std::wstring text;         // message box: the message; folder browser: its static texts
    std::wstring offeredName;  // file dialog: the file-name box
    std::wstring folder;       // file dialog: the folder it shows
    std::wstring fileType;     // file dialog: the file-type box
    std::wstring selection;    // folder browser: the selected folder's name
    bool expected = true;      // false: no answer was left for it, or not of the answer's kind
    bool forced = false;       // still open long after its answer, so it was cancelled
};

// How to answer one dialog.
struct Answer {
    enum class Action { EnterFileName, Cancel, ChooseFolder, AcceptFolder, Press } action;
    std::wstring value;  // the name or path to enter; the folder to choose or expect
    int button = IDOK;
};
Answer EnterFileName(std::wstring nameOrPath);
Answer CancelDialog();
// The folder browser: select `path` / expect it preselected, then OK. Cancelled instead
// (and marked unexpected) when the browser does not show that folder selected, so that
// a batch never falls back to the Desktop.
Answer ChooseFolder(std::wstring path);
Answer AcceptFolder(std::wstring path);
Answer PressButton(int id);

// Gives the answers, in order, to the dialogs of this process as they appear; cancels any
// dialog beyond them.
class DialogWatcher {
  public:
    explicit DialogWatcher(std::vector<Answer> answers);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // Stops watching and returns every dialog seen, in order.
    std::vector<SeenDialog> Finish();

  private:
    struct Handled {
        HWND window;
        std::size_t seenIndex;
        std::chrono::steady_clock::time_point answeredAt;
    };

    void Run();
    HWND FindNewDialog();
    void CancelStuckDialogs();

    std::vector<Answer> answers_;
    std::size_t nextAnswer_ = 0;
    std::vector<Handled> handled_;
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace corvane::uitest
