#pragma once
// Drives Corvane's real main window inside the test process, under Wine: a fresh window and
// state record for each test, sound calls recorded instead of made, commands sent as the
// controls send them, folders of the test's own, and a watcher thread that answers the modal
// dialogs a command shows (open, save, folder browser, message boxes), so that the real
// dialogs, their flags and their results are exercised.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/playback.h"
#include "app/work.h"
#include "support/wav.h"

namespace corvane::uitest {

using test::Bytes;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

inline std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    if (window != nullptr) GetWindowTextW(window, text, 4096);
    return text;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline HWND FindDescendant(HWND parent, const wchar_t* className) {
    std::pair<const wchar_t*, HWND> search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto& [name, found] = *reinterpret_cast<std::pair<const wchar_t*, HWND>*>(data);
            if (ClassOf(child) == name) found = child;
            return found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The last name on a path: of the folder or file it names.
inline std::wstring LastName(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
}

// What the watcher saw of a dialog before answering it: its owner, its title and its text (a
// message box's message, a file dialog's offered name, a folder browser's caption).
struct SeenDialog {
    HWND owner;
    std::wstring title, text;
};

// How to answer a dialog: a text to enter (a file dialog's name or path, a folder to choose in
// the browser), or something to do with it (on the watcher's thread), then a button to press.
struct Answer {
    std::wstring text;
    int button = IDOK;
    std::function<void(HWND dialog)> act;
};
inline Answer EnterFileName(std::wstring name) { return {name, IDOK, {}}; }
inline Answer ChooseFolder(std::wstring path) { return {path, IDOK, {}}; }
inline Answer PressButton(int id) { return {{}, id, {}}; }
inline Answer CancelDialog() { return {{}, IDCANCEL, {}}; }
inline Answer ActThenPress(std::function<void(HWND)> act, int id) { return {{}, id, act}; }

constexpr int kFileNameBox = 1148;  // a ComboBoxEx holding an Edit
constexpr int kMessageText = 0xFFFF;

inline SeenDialog Describe(HWND dialog) {
    HWND nameBox = GetDlgItem(dialog, kFileNameBox), message = GetDlgItem(dialog, kMessageText);
    HWND text = nameBox != nullptr   ? FindDescendant(nameBox, L"Edit")
                : message != nullptr ? message
                                     : FindDescendant(dialog, L"Static");
    return {GetWindow(dialog, GW_OWNER), TextOf(dialog), TextOf(text)};
}

inline void Click(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

inline std::wstring TreeSelection(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem != nullptr) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// Enters the answer's text and presses its button; false when the dialog has no place for
// the text.
inline bool Give(const Answer& answer, HWND dialog) {
    if (answer.act) answer.act(dialog);
    HWND nameBox = GetDlgItem(dialog, kFileNameBox), tree = FindDescendant(dialog, WC_TREEVIEWW);
    if (!answer.text.empty() && nameBox != nullptr) {
        SendMessageW(FindDescendant(nameBox, L"Edit"), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(answer.text.c_str()));
    } else if (!answer.text.empty() && tree != nullptr) {
        // The browser fills its tree after it is shown: select until the tree shows it.
        bool shown = false;
        for (int attempt = 0; attempt < 10 && !shown; ++attempt) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(answer.text.c_str()));
            std::this_thread::sleep_for(100ms);
            shown = _wcsicmp(TreeSelection(tree).c_str(), LastName(answer.text).c_str()) == 0;
        }
        if (!shown) return false;  // OK now would mean the Desktop
    } else if (!answer.text.empty()) {
        return false;
    }
    Click(dialog, answer.button);
    return true;
}

// Gives the answers, in order, to this process's dialogs as they appear; cancels any beyond
// them or not of their kind, and any still open long after its answer.
class DialogWatcher {
  public:
    explicit DialogWatcher(std::vector<Answer> answers) : answers_(std::move(answers)) {
        // Before the browser builds its tree from these folders, not while it shows them.
        for (const Answer& answer : answers_) ReadFoldersOnPath(answer.text);
        thread_ = std::thread([this] { Run(); });
    }
    ~DialogWatcher() { Finish(); }
    std::vector<SeenDialog> Finish() {  // stops watching; every dialog seen, in order
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

  private:
    void Run() {
        std::vector<std::pair<HWND, std::chrono::steady_clock::time_point>> handled;
        std::size_t next = 0;
        for (; !stop_; std::this_thread::sleep_for(20ms)) {
            std::erase_if(handled, [](const auto& h) { return !IsWindow(h.first); });
            for (auto& [window, answeredAt] : handled) {  // one that refused its answer, say
                if (std::chrono::steady_clock::now() - answeredAt > 15s &&
                    IsWindowEnabled(window)) {
                    Click(window, IDCANCEL);
                    answeredAt = std::chrono::steady_clock::now();
                }
            }
            HWND dialog = nullptr;
            for (HWND window = GetTopWindow(nullptr); window != nullptr && dialog == nullptr;
                 window = GetWindow(window, GW_HWNDNEXT)) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                    ClassOf(window) == L"#32770" &&
                    std::none_of(handled.begin(), handled.end(),
                                 [window](const auto& h) { return h.first == window; })) {
                    dialog = window;
                }
            }
            if (dialog == nullptr) continue;
            std::this_thread::sleep_for(150ms);  // a dialog just shown may still be filling itself
            if (!IsWindow(dialog)) continue;
            seen_.push_back(Describe(dialog));
            if (next >= answers_.size() || !Give(answers_[next++], dialog)) {
                Click(dialog, IDCANCEL);
            }
            handled.emplace_back(dialog, std::chrono::steady_clock::now());
        }
    }
    std::vector<Answer> answers_;
    std::vector<SeenDialog> seen_;  // read once the thread has ended
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// One PlaySoundW call as the program made it: a stop, or WaveImage as it was played.
struct SoundCall {
    bool stop = false;
    DWORD flags = 0;
    Bytes image;
};
inline std::vector<SoundCall> sounds;

// A folder of its own under the temporary folder, removed with everything in it.
struct TempFolder {
    std::wstring path;  // ends in a backslash
    TempFolder() {
        static int count = 0;
        const fs::path folder =
            fs::temp_directory_path() /
            ("corvane-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = folder.wstring() + L"\\";
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    void Write(const std::wstring& name, const Bytes& bytes) const {
        std::ofstream(fs::path(path + name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    Bytes Read(const std::wstring& name) const {  // empty when there is no such file
        std::ifstream in(fs::path(path + name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::wstring> Names() const {  // files and folders in it, sorted
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static const bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr));
        ASSERT_TRUE(registered);
        ResetAppState();
        CreateFonts();
        std::setlocale(LC_ALL, "Russian");  // as the program runs: a decimal comma in printf
        sounds.clear();
        SetPlaySoundFunction([](LPCWSTR sound, HMODULE, DWORD flags) -> BOOL {
            sounds.push_back({sound == nullptr, flags, App().WaveImage});
            return TRUE;
        });
        ASSERT_TRUE(StartMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    }
    void TearDown() override {
        if (IsWindow(App().MainWindow)) DestroyWindow(App().MainWindow);
        MSG message;  // takes away the quit message the destroyed window posted
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        SetPlaySoundFunction(nullptr);
        // The file dialogs make the chosen folder the current one, which could not be removed.
        SetCurrentDirectoryW(fs::temp_directory_path().c_str());
    }
    TempFolder source, output;
};

inline void AwaitWork() {  // runs the window's messages until long work has finished
    MSG message;
    while (WorkRunning() && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

// Runs the window's messages until `done` holds or the work ends.
template <typename Done>
void PumpUntil(Done done) {
    for (MSG message; WorkRunning() && !done();) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        } else {
            Sleep(5);
        }
    }
}

// Sends command `id` as its control would while a watcher answers the dialogs it shows, and
// lets long work run to its end (and its own dialogs); returns the dialogs seen.
inline std::vector<SeenDialog> RunCommand(int id, std::vector<Answer> answers = {},
                                          int notification = 0) {
    DialogWatcher watcher(std::move(answers));
    SendMessageW(App().MainWindow, WM_COMMAND, MAKEWPARAM(id, notification), 0);
    AwaitWork();
    return watcher.Finish();
}

inline std::wstring ControlText(Layout control) { return TextOf(Control(control)); }
inline bool IsEnabled(Layout control) { return IsWindowEnabled(Control(control)) != FALSE; }

inline void SelectEntry(int index) {
    SendMessageW(App().SourceList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    RunCommand(IdSourceList, {}, LBN_SELCHANGE);
}

// Puts names into the source list as choosing files would, and selects entry `index`.
inline void ListAndSelect(const std::wstring& folder, const std::vector<std::wstring>& names,
                          int index) {
    AppState& app = App();
    app.SourceFolder = folder;
    SendMessageW(app.SourceList, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    app.SourceCount = static_cast<int>(names.size());
    app.Choices.assign(names.size(), app.LastChoice);
    app.SelectedIndex = -1;  // none, as the list itself reports
    SelectEntry(index);
}

// Chooses item `n` of a drop-down list as the user does.
inline void Choose(Layout choice, int n, int id) {
    SendMessageW(Control(choice), CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    RunCommand(id, {}, CBN_SELCHANGE);
}

inline Bytes PictureBits(Layout picture) {  // the bitmap a picture control shows (empty: none)
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(Control(picture), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) return {};
    Bytes bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

}  // namespace corvane::uitest
