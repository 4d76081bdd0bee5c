#include "dialog_watcher.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

#include "files/dialog_support.h"

namespace corvane::uitest {

namespace {

using namespace std::chrono_literals;

constexpr int kFileNameBox = 1148;  // a ComboBoxEx holding an Edit
constexpr int kFileTypeBox = 1136;
constexpr int kMessageText = 0xFFFF;
constexpr auto kSettleTime = 150ms;  // a dialog just shown may still be filling itself
constexpr auto kStuckTime = 15s;

std::wstring TextOf(HWND window) {
    if (window == nullptr) return {};
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The first descendant of `parent` of class `className`.
HWND FindDescendant(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (ClassOf(child) != s->className) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            if (ClassOf(child) == L"Static")
                *reinterpret_cast<std::wstring*>(data) += TextOf(child) + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::wstring TreeSelection(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem != nullptr) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// The folder browser fills its tree and applies its preselection after it is shown:
// waits until the selection has stayed the same for a while.
void WaitForSteadySelection(HWND tree) {
    std::wstring last = TreeSelection(tree);
    auto steadySince = std::chrono::steady_clock::now();
    const auto giveUp = steadySince + 5s;
    while (std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(50ms);
        const std::wstring now = TreeSelection(tree);
        if (now != last || now.empty()) {
            last = now;
            steadySince = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - steadySince > 400ms) {
            return;
        }
    }
}

std::wstring LastName(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
}

// Selects `path` in the folder browser; true once its tree shows it selected.
bool SelectFolder(HWND dialog, HWND tree, const std::wstring& path) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        std::this_thread::sleep_for(100ms);
        if (_wcsicmp(TreeSelection(tree).c_str(), LastName(path).c_str()) == 0) return true;
    }
    return false;
}

SeenDialog Describe(HWND dialog) {
    SeenDialog seen;
    seen.window = dialog;
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.title = TextOf(dialog);
    if (HWND nameBox = GetDlgItem(dialog, kFileNameBox)) {
        seen.kind = DialogKind::File;
        seen.offeredName = TextOf(FindDescendant(nameBox, L"Edit"));
        seen.fileType = TextOf(GetDlgItem(dialog, kFileTypeBox));
        // Only to file dialogs: the folder browser reads this message number as a selection.
        wchar_t folder[MAX_PATH] = {};
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
        seen.folder = folder;
    } else if (HWND tree = FindDescendant(dialog, WC_TREEVIEWW)) {
        seen.kind = DialogKind::FolderBrowser;
        WaitForSteadySelection(tree);
        seen.text = StaticTexts(dialog);
        seen.selection = TreeSelection(tree);
    } else if (HWND message = GetDlgItem(dialog, kMessageText)) {
        seen.kind = DialogKind::Message;
        seen.text = TextOf(message);
    }
    return seen;
}

void Click(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Answers `dialog`; false when the answer does not fit the kind of dialog shown.
bool Give(const Answer& answer, HWND dialog, DialogKind kind) {
    switch (answer.action) {
        case Answer::Action::EnterFileName: {
            if (kind != DialogKind::File) return false;
            HWND edit = FindDescendant(GetDlgItem(dialog, kFileNameBox), L"Edit");
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.value.c_str()));
            Click(dialog, IDOK);
            return true;
        }
        case Answer::Action::ChooseFolder:
        case Answer::Action::AcceptFolder: {
            if (kind != DialogKind::FolderBrowser) return false;
            HWND tree = FindDescendant(dialog, WC_TREEVIEWW);
            const bool shown =
                answer.action == Answer::Action::ChooseFolder
                    ? SelectFolder(dialog, tree, answer.value)
                    : _wcsicmp(TreeSelection(tree).c_str(), LastName(answer.value).c_str()) == 0;
            if (!shown) return false;
            Click(dialog, IDOK);
            return true;
        }
        case Answer::Action::Press:
            Click(dialog, answer.button);
            return true;
        case Answer::Action::Cancel:
            break;
    }
    Click(dialog, IDCANCEL);
    return true;
}

}  // namespace

Answer EnterFileName(std::wstring nameOrPath) {
    return {Answer::Action::EnterFileName, std::move(nameOrPath)};
}
Answer CancelDialog() { return {Answer::Action::Cancel, {}}; }
Answer ChooseFolder(std::wstring path) { return {Answer::Action::ChooseFolder, std::move(path)}; }
Answer AcceptFolder(std::wstring path) { return {Answer::Action::AcceptFolder, std::move(path)}; }
Answer PressButton(int id) { return {Answer::Action::Press, {}, id}; }

DialogWatcher::DialogWatcher(std::vector<Answer> answers) : answers_(std::move(answers)) {
    // Before the browser builds its tree from these folders, not while it shows them.
    for (const Answer& answer : answers_) {
        if (answer.action == Answer::Action::ChooseFolder ||
            answer.action == Answer::Action::AcceptFolder) {
            ReadFoldersOnPath(answer.value);
        }
    }
    thread_ = std::thread([this] { Run(); });
}

DialogWatcher::~DialogWatcher() { Finish(); }

std::vector<SeenDialog> DialogWatcher::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return seen_;
}

HWND DialogWatcher::FindNewDialog() {
    std::erase_if(handled_, [](const Handled& h) { return !IsWindow(h.window); });
    struct Search {
        DialogWatcher* watcher;
        HWND found;
    } search{this, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
                ClassOf(window) != L"#32770") {
                return TRUE;
            }
            const auto& handled = s->watcher->handled_;
            if (std::any_of(handled.begin(), handled.end(),
                            [window](const Handled& h) { return h.window == window; })) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A dialog still open long after its answer (say, one that refused a name) would keep the
// test waiting for ever; it is cancelled and marked.
void DialogWatcher::CancelStuckDialogs() {
    const auto now = std::chrono::steady_clock::now();
    for (Handled& h : handled_) {
        if (now - h.answeredAt < kStuckTime || !IsWindowEnabled(h.window)) continue;
        Click(h.window, IDCANCEL);
        PostMessageW(h.window, WM_CLOSE, 0, 0);
        h.answeredAt = now;
        std::lock_guard lock(mutex_);
        seen_[h.seenIndex].forced = true;
    }
}

void DialogWatcher::Run() {
    while (!stop_) {
        CancelStuckDialogs();
        HWND dialog = FindNewDialog();
        if (dialog == nullptr) {
            std::this_thread::sleep_for(20ms);
            continue;
        }
        std::this_thread::sleep_for(kSettleTime);
        if (!IsWindow(dialog)) continue;
        SeenDialog seen = Describe(dialog);
        if (nextAnswer_ < answers_.size()) {
            seen.expected = Give(answers_[nextAnswer_++], dialog, seen.kind);
            if (!seen.expected) Click(dialog, IDCANCEL);
        } else {
            seen.expected = false;
            Click(dialog, IDCANCEL);
        }
        std::lock_guard lock(mutex_);
        handled_.push_back({dialog, seen_.size(), std::chrono::steady_clock::now()});
        seen_.push_back(std::move(seen));
    }
}

}  // namespace corvane::uitest
