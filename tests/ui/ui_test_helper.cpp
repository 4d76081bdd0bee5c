#include "ui_test_helper.h"

#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/playback.h"

namespace corvane::uitest {

namespace {

std::vector<SoundCall> soundCalls;

BOOL WINAPI RecordPlaySound(LPCWSTR sound, HMODULE, DWORD flags) {
    const AppState& app = App();
    SoundCall call;
    call.stop = sound == nullptr;
    call.flags = flags;
    call.playsWaveImage =
        sound != nullptr && reinterpret_cast<const std::uint8_t*>(sound) == app.WaveImage.data();
    call.image = app.WaveImage;
    soundCalls.push_back(std::move(call));
    return TRUE;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

Pixel PixelAt(const std::vector<std::uint8_t>& pixels, int width, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    PutU16(out, at, v & 0xFFFF);
    PutU16(out, at + 2, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, std::size_t at, const char* tag) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(tag[i]);
}

}  // namespace

void MainWindowTest::SetUp() {
    static const bool registered = RegisterMainWindowClass(Instance());
    ASSERT_TRUE(registered);
    ResetAppState();
    CreateFonts();
    soundCalls.clear();
    SetPlaySoundFunction(RecordPlaySound);
    ASSERT_TRUE(StartMainWindow(Instance(), SW_SHOWNORMAL));
}

void MainWindowTest::TearDown() {
    if (IsWindow(App().MainWindow)) DestroyWindow(App().MainWindow);
    PumpMessages();  // also takes away the quit message the destroyed window posted
    SetPlaySoundFunction(nullptr);
}

const std::vector<SoundCall>& MainWindowTest::SoundCalls() { return soundCalls; }
void MainWindowTest::ClearSoundCalls() { soundCalls.clear(); }

void SendCommand(int id, int notification) {
    HWND sender = nullptr;
    for (int n = 1; n <= kControlCount; ++n) {
        if (GetDlgCtrlID(Control(n)) == id) sender = Control(n);
    }
    SendMessageW(App().MainWindow, WM_COMMAND, MAKEWPARAM(id, static_cast<WORD>(notification)),
                 reinterpret_cast<LPARAM>(sender));
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring ControlText(int control) {
    HWND window = Control(control);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsShown(int control) { return IsWindowVisible(Control(control)) != FALSE; }
bool IsEnabled(int control) { return IsWindowEnabled(Control(control)) != FALSE; }

RECT ControlRect(int control) {
    RECT rect{};
    GetWindowRect(Control(control), &rect);
    MapWindowPoints(HWND_DESKTOP, App().MainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int FontHeight(int control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(Control(control), WM_GETFONT, 0, 0));
    if (font == nullptr) return 0;
    LOGFONTW logFont{};
    GetObjectW(font, sizeof(logFont), &logFont);
    return logFont.lfHeight;
}

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

Pixel HistogramPixel(int x, int y) { return PixelAt(App().HistogramPixels, kHistogramWidth, x, y); }

Pixel WaveformPixel(int x, int y) { return PixelAt(App().WaveformPixels, kWaveformWidth, x, y); }

std::vector<std::uint8_t> PictureBits(int control) {
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(Control(control), STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap == nullptr) return {};
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

std::vector<std::uint8_t> WavBytes(const WavSpec& wav) {
    const std::uint32_t blockAlign = wav.channels * (wav.bitsPerSample / 8u);
    const auto dataSize = static_cast<std::uint32_t>(wav.data.size());
    std::vector<std::uint8_t> out(44 + wav.data.size());
    PutTag(out, 0, "RIFF");
    PutU32(out, 4, 36 + dataSize);
    PutTag(out, 8, "WAVE");
    PutTag(out, 12, "fmt ");
    PutU32(out, 16, 16);
    PutU16(out, 20, wav.format);
    PutU16(out, 22, wav.channels);
    PutU32(out, 24, wav.sampleRate);
    PutU32(out, 28, wav.sampleRate * blockAlign);
    PutU16(out, 32, blockAlign);
    PutU16(out, 34, wav.bitsPerSample);
    PutTag(out, 36, "data");
    PutU32(out, 40, dataSize);
    for (std::size_t i = 0; i < wav.data.size(); ++i) out[44 + i] = wav.data[i];
    return out;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    for (unsigned n = GetTickCount();; ++n) {
        path_ = std::wstring(base) + L"corvane-ui-" + std::to_wstring(n) + L"\\";
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW((path_ + found.cFileName).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

void TempFolder::Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) const {
    HANDLE file = CreateFileW((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

bool TempFolder::Exists(const std::wstring& name) const {
    return GetFileAttributesW((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TempFolder::Remove(const std::wstring& name) const { DeleteFileW((path_ + name).c_str()); }

}  // namespace corvane::uitest
