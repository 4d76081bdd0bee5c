#include "support/window_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/playback.h"
#include "app/work.h"

namespace corvane::uitest {

namespace fs = std::filesystem;

namespace {

BOOL WINAPI RecordPlaySound(LPCWSTR sound, HMODULE, DWORD flags) {
    const AppState& app = App();
    const bool playsImage =
        sound != nullptr && reinterpret_cast<const std::uint8_t*>(sound) == app.WaveImage.data();
    Sounds().push_back({sound == nullptr, flags, playsImage, app.WaveImage});
    return TRUE;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

TempFolder::TempFolder() {
    static int count = 0;
    const fs::path path =
        fs::temp_directory_path() /
        ("corvane-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
    fs::remove_all(path);
    fs::create_directories(path);
    path_ = path.wstring() + L"\\";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempFolder::Write(const std::wstring& name, const Bytes& bytes) const {
    std::ofstream(fs::path(path_ + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes TempFolder::Read(const std::wstring& name) const {
    std::ifstream in(fs::path(path_ + name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::wstring> TempFolder::Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<SoundCall>& Sounds() {
    static std::vector<SoundCall> calls;
    return calls;
}

void MainWindowTest::SetUp() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    startFolder_ = folder;
    static const bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr));
    ASSERT_TRUE(registered);
    ResetAppState();
    CreateFonts();
    Sounds().clear();
    SetPlaySoundFunction(RecordPlaySound);
    ASSERT_TRUE(StartMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
}

void MainWindowTest::TearDown() {
    if (IsWindow(App().MainWindow)) DestroyWindow(App().MainWindow);
    PumpMessages();  // also takes away the quit message the destroyed window posted
    SetPlaySoundFunction(nullptr);
    // The file dialogs make the chosen folder the current one, which could not be removed.
    SetCurrentDirectoryW(startFolder_.c_str());
}

std::vector<SeenDialog> MainWindowTest::RunCommand(int id, std::vector<Answer> answers) {
    DialogWatcher watcher(std::move(answers));
    SendCommand(id);
    AwaitWork();  // and what the work ends with (its own dialogs, say) before the watcher goes
    return watcher.Finish();
}

void AwaitWork() {
    while (WorkRunning()) {
        MSG message;
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        DispatchMessageW(&message);
    }
}

void SendCommand(int id, int notification) {
    HWND sender = nullptr;
    for (int n = 1; n <= kControlCount; ++n) {
        if (GetDlgCtrlID(ControlNumber(n)) == id) sender = ControlNumber(n);
    }
    SendMessageW(App().MainWindow, WM_COMMAND, MAKEWPARAM(id, static_cast<WORD>(notification)),
                 reinterpret_cast<LPARAM>(sender));
}

std::wstring ControlText(Layout control) {
    wchar_t text[4096] = {};
    GetWindowTextW(Control(control), text, 4096);
    return text;
}

bool IsEnabled(Layout control) { return IsWindowEnabled(Control(control)) != FALSE; }

void FillSourceList(const std::wstring& folder, const std::vector<std::wstring>& names) {
    AppState& app = App();
    app.SourceFolder = folder;
    SendMessageW(app.SourceList, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    app.SourceCount = static_cast<int>(names.size());
}

void SelectEntry(int index) {
    SendMessageW(App().SourceList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendCommand(IdSourceList, LBN_SELCHANGE);
}

std::vector<std::wstring> ListEntries() {
    std::vector<std::wstring> entries;
    const auto count = SendMessageW(App().SourceList, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        SendMessageW(App().SourceList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

Bytes PictureBits(Layout picture) {
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(Control(picture), STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap == nullptr) return {};
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    Bytes bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

bool SameFolder(std::wstring a, std::wstring b) {
    for (std::wstring* path : {&a, &b}) {
        if (path->size() > 3 && path->back() == L'\\') path->pop_back();
    }
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace corvane::uitest
