#include "support/dialog_watcher.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>

#include "app/dialogs.h"

namespace corvane::uitest {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFileNameBox = 1148;  // a ComboBoxEx holding an Edit
constexpr int kFileTypeBox = 1136;
constexpr int kMessageText = 0xFFFF;
constexpr auto kSettleTime = 150ms;  // a dialog just shown may still be filling itself
constexpr auto kStuckTime = 15s;

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

// The descendants of `parent`, in the order the platform lists them.
std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
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
    auto steadySince = Clock::now();
    for (const auto giveUp = steadySince + 5s; Clock::now() < giveUp;) {
        std::this_thread::sleep_for(50ms);
        const std::wstring now = TreeSelection(tree);
        if (now != last || now.empty()) {
            last = now;
            steadySince = Clock::now();
        } else if (Clock::now() - steadySince > 400ms) {
            break;
        }
    }
    return last;
}

std::wstring LastName(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
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
        if (!shown) return false;
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
    struct Handled {
        HWND window;
        Clock::time_point answeredAt;
    };
    std::vector<Handled> handled;
    std::size_t nextAnswer = 0;
    while (!stop_) {
        // A dialog still open long after its answer (one that refused a name, say) would
        // keep the test waiting for ever: cancel it.
        std::erase_if(handled, [](const Handled& h) { return !IsWindow(h.window); });
        for (Handled& h : handled) {
            if (Clock::now() - h.answeredAt < kStuckTime || !IsWindowEnabled(h.window)) continue;
            Click(h.window, IDCANCEL);
            PostMessageW(h.window, WM_CLOSE, 0, 0);
            h.answeredAt = Clock::now();
        }
        struct Search {
            const std::vector<Handled>* handled;
            HWND found;
        } search{&handled, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
                    ClassOf(window) != L"#32770" ||
                    std::any_of(s->handled->begin(), s->handled->end(),
                                [window](const Handled& h) { return h.window == window; })) {
                    return TRUE;
                }
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            std::this_thread::sleep_for(20ms);
            continue;
        }
        std::this_thread::sleep_for(kSettleTime);
        if (!IsWindow(search.found)) continue;
        SeenDialog seen = Describe(search.found);
        seen.expected =
            nextAnswer < answers_.size() && Give(answers_[nextAnswer++], search.found, seen.kind);
        if (!seen.expected) Click(search.found, IDCANCEL);
        handled.push_back({search.found, Clock::now()});
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(seen));
    }
}

}  // namespace corvane::uitest
