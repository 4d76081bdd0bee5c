#include "support/dialog_watcher.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>

#include "app/dialogs.h"
#include "support/window_fixture.h"

namespace corvane::uitest {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFileNameBox = 1148;  // a ComboBoxEx holding an Edit
constexpr int kFileTypeBox = 1136;
constexpr int kMessageText = 0xFFFF;

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    if (window != nullptr) GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND FindDescendant(HWND parent, const wchar_t* className) {
    for (HWND child : Descendants(parent)) {
        if (ClassOf(child) == className) return child;
    }
    return nullptr;
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

// The folder browser fills its tree and applies its preselection after it is shown: waits
// until the selection has stayed the same for a while.
std::wstring SteadySelection(HWND tree) {
    std::wstring last = TreeSelection(tree);
    auto since = Clock::now();
    for (const auto giveUp = since + 5s; Clock::now() < giveUp && Clock::now() - since < 400ms;) {
        std::this_thread::sleep_for(50ms);
        if (const std::wstring now = TreeSelection(tree); now != last || now.empty()) {
            last = now;
            since = Clock::now();
        }
    }
    return last;
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
        seen.selection = SteadySelection(tree);
        for (HWND child : Descendants(dialog)) {
            if (ClassOf(child) == L"Static") seen.text += TextOf(child) + L"\n";
        }
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
    using Action = Answer::Action;
    if (answer.action == Action::EnterFileName && kind == DialogKind::File) {
        HWND edit = FindDescendant(GetDlgItem(dialog, kFileNameBox), L"Edit");
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.value.c_str()));
    } else if (answer.action == Action::ChooseFolder && kind == DialogKind::FolderBrowser) {
        HWND tree = FindDescendant(dialog, WC_TREEVIEWW);
        bool shown = false;
        for (int attempt = 0; attempt < 10 && !shown; ++attempt) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(answer.value.c_str()));
            std::this_thread::sleep_for(100ms);
            shown = _wcsicmp(TreeSelection(tree).c_str(), LastName(answer.value).c_str()) == 0;
        }
        if (!shown) return false;  // OK now would mean the Desktop
    } else if (answer.action != Action::Press && answer.action != Action::Cancel) {
        return false;
    }
    Click(dialog, answer.action == Action::Cancel ? IDCANCEL : answer.button);
    return true;
}

}  // namespace

DialogWatcher::DialogWatcher(std::vector<Answer> answers) : answers_(std::move(answers)) {
    // Before the browser builds its tree from these folders, not while it shows them.
    for (const Answer& answer : answers_) {
        if (answer.action == Answer::Action::ChooseFolder) ReadFoldersOnPath(answer.value);
    }
    thread_ = std::thread([this] { Run(); });
}

std::vector<SeenDialog> DialogWatcher::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return seen_;
}

void DialogWatcher::Run() {
    std::vector<std::pair<HWND, Clock::time_point>> handled;  // and when they were answered
    std::size_t next = 0;
    while (!stop_) {
        std::erase_if(handled, [](const auto& h) { return !IsWindow(h.first); });
        for (auto& [window, answeredAt] : handled) {  // one that refused its answer, say
            if (Clock::now() - answeredAt > 15s && IsWindowEnabled(window)) {
                Click(window, IDCANCEL);
                answeredAt = Clock::now();
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
        if (dialog == nullptr) {
            std::this_thread::sleep_for(20ms);
            continue;
        }
        std::this_thread::sleep_for(150ms);  // a dialog just shown may still be filling itself
        if (!IsWindow(dialog)) continue;
        SeenDialog seen = Describe(dialog);
        seen.expected = next < answers_.size() && Give(answers_[next++], dialog, seen.kind);
        if (!seen.expected) Click(dialog, IDCANCEL);
        handled.emplace_back(dialog, Clock::now());
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(seen));
    }
}

}  // namespace corvane::uitest
