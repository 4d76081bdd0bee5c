#include "support/window_fixture.h"

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>

#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/playback.h"
#include "app/work.h"

namespace corvane::uitest {

namespace fs = std::filesystem;

std::vector<SoundCall>& Sounds() {
    static std::vector<SoundCall> calls;
    return calls;
}

TempFolder::TempFolder() {
    static int count = 0;
    const fs::path folder =
        fs::temp_directory_path() /
        ("corvane-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
    fs::remove_all(folder);
    fs::create_directories(folder);
    path = folder.wstring() + L"\\";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void TempFolder::Write(const std::wstring& name, const Bytes& bytes) const {
    std::ofstream(fs::path(path + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes TempFolder::Read(const std::wstring& name) const {
    std::ifstream in(fs::path(path + name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::wstring> TempFolder::Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void MainWindowTest::SetUp() {
    static const bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr));
    ASSERT_TRUE(registered);
    ResetAppState();
    CreateFonts();
    std::setlocale(LC_ALL, "Russian");  // as the program runs: a decimal comma in printf
    Sounds().clear();
    SetPlaySoundFunction([](LPCWSTR sound, HMODULE, DWORD flags) -> BOOL {
        Sounds().push_back({sound == nullptr, flags, App().WaveImage});
        return TRUE;
    });
    ASSERT_TRUE(StartMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
}

void MainWindowTest::TearDown() {
    if (IsWindow(App().MainWindow)) DestroyWindow(App().MainWindow);
    MSG message;  // takes away the quit message the destroyed window posted
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    SetPlaySoundFunction(nullptr);
    // The file dialogs make the chosen folder the current one, which could not be removed.
    SetCurrentDirectoryW(fs::temp_directory_path().c_str());
}

std::vector<SeenDialog> RunCommand(int id, std::vector<Answer> answers, int notification) {
    DialogWatcher watcher(std::move(answers));
    HWND sender = nullptr;
    for (int n = 1; n <= kControlCount; ++n) {
        if (GetDlgCtrlID(ControlNumber(n)) == id) sender = ControlNumber(n);
    }
    SendMessageW(App().MainWindow, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(sender));
    AwaitWork();  // and what the work ends with (its own dialogs, say) before the watcher goes
    return watcher.Finish();
}

void AwaitWork() {
    MSG message;
    while (WorkRunning() && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

std::wstring ControlText(Layout control) {
    wchar_t text[4096] = {};
    GetWindowTextW(Control(control), text, 4096);
    return text;
}

bool IsEnabled(Layout control) { return IsWindowEnabled(Control(control)) != FALSE; }

void ListAndSelect(const std::wstring& folder, const std::vector<std::wstring>& names, int index) {
    AppState& app = App();
    app.SourceFolder = folder;
    SendMessageW(app.SourceList, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    app.SourceCount = static_cast<int>(names.size());
    app.SelectedIndex = -1;
    if (index >= 0) SelectEntry(index);
}

void SelectEntry(int index) {
    SendMessageW(App().SourceList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    RunCommand(IdSourceList, {}, LBN_SELCHANGE);
}

Bytes PictureBits(Layout picture) {
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(Control(picture), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) return {};
    Bytes bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

bool SameFolder(std::wstring a, std::wstring b) {
    for (std::wstring* path : {&a, &b}) {
        while (path->size() > 3 && path->back() == L'\\') path->pop_back();
    }
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring LastName(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
}

}  // namespace corvane::uitest
