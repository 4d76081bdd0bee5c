#pragma once
// Answers the modal dialogs a command shows (open, save, folder browser, message boxes) from a
// thread of its own, so that tests run the real dialogs and their results.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::uitest {

enum class DialogKind { File, FolderBrowser, Message, Other };

// What the watcher saw of one dialog before answering it.
struct SeenDialog {
    HWND window = nullptr, owner = nullptr;
    DialogKind kind = DialogKind::Other;
    std::wstring title;
    std::wstring text;         // message box: the message; folder browser: its static texts
    std::wstring offeredName;  // file dialog: the file-name box
    std::wstring folder;       // file dialog: the folder it shows
    std::wstring fileType;     // file dialog: the file-type box
    std::wstring selection;    // folder browser: the folder it had selected by itself
    bool expected = true;      // false: no answer was left for it, or not of the answer's kind
};

// How to answer one dialog: enter a name (or path) and press OK, choose a folder in the
// browser and press OK, press a button, or cancel.
struct Answer {
    enum class Action { EnterFileName, ChooseFolder, Press, Cancel } action;
    std::wstring value;
    int button = IDOK;
};
inline Answer EnterFileName(std::wstring name) {
    return {Answer::Action::EnterFileName, std::move(name)};
}
inline Answer ChooseFolder(std::wstring path) {
    return {Answer::Action::ChooseFolder, std::move(path)};
}
inline Answer PressButton(int id) { return {Answer::Action::Press, {}, id}; }
inline Answer CancelDialog() { return {Answer::Action::Cancel, {}}; }

// Gives the answers, in order, to the dialogs of this process as they appear; cancels any
// dialog beyond them, and any still open long after its answer.
class DialogWatcher {
  public:
    explicit DialogWatcher(std::vector<Answer> answers);
    ~DialogWatcher() { Finish(); }
    // Stops watching and returns every dialog seen, in order.
    std::vector<SeenDialog> Finish();

  private:
    void Run();

    std::vector<Answer> answers_;
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace corvane::uitest
