// The main window and its 33 controls as created, and the two pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/source_ops.h"
#include "ui_test_helper.h"

namespace corvane::uitest {
namespace {

class WindowTest : public MainWindowTest {};

struct Expected {
    const wchar_t* className;
    const wchar_t* text;  // nullptr: not compared here
    LONG style;
    int x, y, w, h;
    int id;
    int fontHeight;
};

constexpr LONG kChild = 0x40000000;
constexpr LONG kDisabled = 0x48000000;
constexpr LONG kList = 0x40A00001;
constexpr LONG kPicture = 0x4080000E;
constexpr LONG kSimple = 0x4000000B;

const Expected kExpected[33] = {
    {L"Static", L"Source Files", kChild, 6, 2, 300, 20, 0, 20},
    {L"ListBox", L"", kList, 3, 22, 300, 372, 1, 20},
    {L"Static", L"File info", kChild, 315, 3, 200, 20, 0, 20},
    {L"Static", L"Audio Format:", kChild, 315, 25, 256, 20, 0, 20},
    {L"Static", L"Channels:", kChild, 315, 47, 256, 20, 0, 20},
    {L"Static", L"Bit Depth:", kChild, 315, 69, 256, 20, 0, 20},
    {L"Static", L"Sample Rate:", kChild, 315, 91, 256, 20, 0, 20},
    {L"Static", L"Data Size:", kChild, 315, 113, 256, 20, 0, 20},
    {L"Static", L"Length:", kChild, 315, 135, 256, 20, 0, 20},
    {L"Static", L"Gain Span:", kChild, 315, 157, 256, 20, 0, 20},
    {L"Static", L"Compression info", kChild, 585, 3, 256, 20, 0, 20},
    {L"Static", L"File Size:", kChild, 585, 25, 256, 20, 0, 20},
    {L"Static", L"Table:", kChild, 585, 47, 50, 20, 0, 20},
    {L"Static", L"", kChild, 585, 69, 198, 40, 0, 20},
    {L"Button", L"\U0001F5C1   Open WAV Files", kChild, 2, 391, 302, 30, 10, 20},
    {L"Button", L"\u25B6  PLAY SOURCE", kDisabled, 315, 391, 150, 30, 20, 20},
    {L"Button", L"\u25A0  STOP", kDisabled, 475, 391, 100, 30, 30, 20},
    {L"Button", L"\u25B6  PLAY REPACKED", kDisabled, 585, 391, 196, 30, 50, 20},
    {L"Button", L"COMPRESS FILE", kDisabled, 585, 207, 196, 30, 80, 20},
    {L"Button", L"COMPRESS ALL", kDisabled, 585, 253, 196, 30, 90, 20},
    {L"Button", L"SAVE DEPACKER", kChild, 585, 299, 196, 30, 95, 20},
    {L"Button", L"ABOUT", kChild, 585, 345, 196, 30, 500, 20},
    {L"Static", L"", kPicture, 315, 180, 256, 192, 0, 0},
    {L"Static", L"", kSimple, 318, 181, 120, 10, 0, 12},
    {L"Static", L"0", kSimple, 442, 374, 120, 10, 0, 12},
    {L"Static", L"-128", kSimple, 316, 374, 120, 10, 0, 12},
    {L"Static", L"127", kSimple, 557, 374, 120, 10, 0, 12},
    {L"Static", L"", kPicture, 3, 428, 776, 128, 0, 0},
    {L"Static", L"\u041E \u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0435", kChild, 6, 2, 300,
     20, 0, 20},
    {L"Static", nullptr, kChild, 6, 30, 772, 500, 0, 20},
    {L"Button", L"\u041D\u0410\u0417\u0410\u0414", kChild, 585, 528, 196, 30, 590, 20},
    {L"Static", L"Donate", kChild, 6, 508, 100, 20, 0, 20},
    {L"Button", nullptr, kChild, 6, 528, 200, 30, 777, 20},
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

void ExpectOnlyPageShown(int first, int last) {
    for (int n = 1; n <= kControlCount; ++n) {
        EXPECT_EQ(IsShown(n), n >= first && n <= last) << "control " << n;
    }
}

TEST_F(WindowTest, MainWindowIsCentredWithFixedFrame) {
    HWND window = App().MainWindow;
    EXPECT_EQ(ClassOf(window), L"MyAppClass");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Corvane");

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & 0x00CF0000, 0x00CA0000);  // caption, system menu, minimise; no sizing
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 600);
}

TEST_F(WindowTest, ControlsAreCreatedAsLaidOut) {
    const int itemHeight = static_cast<int>(SendMessageW(App().SourceList, LB_GETITEMHEIGHT, 0, 0));
    for (int n = 1; n <= kControlCount; ++n) {
        SCOPED_TRACE("control " + std::to_string(n));
        const Expected& e = kExpected[n - 1];
        HWND control = Control(n);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), App().MainWindow);
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.className), 0) << ClassOf(control).size();
        if (e.text != nullptr) {
            EXPECT_EQ(ControlText(n), e.text);
        }
        LONG style = GetWindowLongW(control, GWL_STYLE) & ~WS_VISIBLE;
        // The list shows its scroll bar, and the style bit, only while entries overflow it.
        if (n == SourceListControl) style |= WS_VSCROLL;
        EXPECT_EQ(style, e.style);
        EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
        EXPECT_EQ(GetDlgCtrlID(control), e.id);
        EXPECT_EQ(FontHeight(n), e.fontHeight);

        const RECT rect = ControlRect(n);
        EXPECT_EQ(rect.left, e.x);
        EXPECT_EQ(rect.top, e.y);
        EXPECT_EQ(rect.right - rect.left, e.w);
        if (n == SourceListControl) {
            // Without LBS_NOINTEGRALHEIGHT the list keeps whole entries only.
            EXPECT_LE(rect.bottom - rect.top, e.h);
            EXPECT_GT(rect.bottom - rect.top, e.h - itemHeight);
        } else {
            EXPECT_EQ(rect.bottom - rect.top, e.h);
        }
    }
    EXPECT_EQ(App().SourceList, Control(SourceListControl));

    std::vector<std::wstring> names(40, L"x.wav");
    FillSourceList(L"", names);
    EXPECT_EQ(GetWindowLongW(App().SourceList, GWL_STYLE) & WS_VSCROLL, WS_VSCROLL);
}

TEST_F(WindowTest, AboutTextAndDonationLink) {
    const std::wstring about = ControlText(AboutTextLabel);
    EXPECT_EQ(about.find(L'\r'), std::wstring::npos);
    std::size_t lines = 1;
    for (wchar_t c : about) lines += c == L'\n';
    EXPECT_EQ(lines, 11u);
    EXPECT_EQ(about.rfind(L"\n\nv1.0.0"), about.size() - 8);
    EXPECT_EQ(about.find(L"\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430 "), 0u);
    EXPECT_NE(about.find(L"\n\n\u0423\u043F\u0440\u0430\u0432\u043B\u0435\u043D\u0438\u0435\n"),
              std::wstring::npos);

    const std::wstring url = L"" CORVANE_DONATE_URL;
    EXPECT_EQ(ControlText(DonateLinkButton), url.substr(url.find(L"://") + 3));

    static std::wstring opened;
    const auto previous = SetOpenWebPageFunction([](const wchar_t* page) { opened = page; });
    ShowAboutPage();
    SendCommand(IdDonateLink, BN_CLICKED);
    SetOpenWebPageFunction(previous);
    EXPECT_EQ(opened, url);
    EXPECT_TRUE(SoundCalls().empty());  // opening the page leaves playback alone
}

TEST_F(WindowTest, StartsOnMainPageWithEmptyPlotsAndDisabledButtons) {
    ExpectOnlyPageShown(1, kMainPageLast);
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(App().SelectedIndex, 0);
    for (int n : {PlaySourceButton, StopButton, PlayRepackedButton, CompressFileButton,
                  CompressAllButton}) {
        EXPECT_FALSE(IsEnabled(n)) << "control " << n;
    }
    for (int n : {OpenFilesButton, SaveDepackerButton, AboutButton, BackButton, DonateLinkButton}) {
        EXPECT_TRUE(IsEnabled(n)) << "control " << n;
    }
    EXPECT_TRUE(PictureBits(HistogramPicture).empty());
    EXPECT_TRUE(PictureBits(WaveformPicture).empty());
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    EXPECT_EQ(App().StartupFolder, folder);
}

TEST_F(WindowTest, PagesSwitchAndKeepEverything) {
    TempFolder folder;
    folder.Write(L"a.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    folder.Write(L"b.wav", WavBytes({.data = {100, 110, 120, 110, 100, 110, 120}}));
    FillSourceList(folder.Path(), {L"a.wav", L"b.wav"});
    SelectEntry(1);
    ASSERT_TRUE(App().SampleValid);

    std::wstring texts[kControlCount + 1];
    bool enabled[kControlCount + 1];
    for (int n = 1; n <= kControlCount; ++n) {
        texts[n] = ControlText(n);
        enabled[n] = IsEnabled(n);
    }
    const auto histogram = PictureBits(HistogramPicture);
    const auto waveform = PictureBits(WaveformPicture);
    ASSERT_FALSE(histogram.empty());

    for (int round = 0; round < 2; ++round) {
        SendCommand(IdAbout, BN_CLICKED);
        ExpectOnlyPageShown(kMainPageLast + 1, kControlCount);
        SendCommand(IdBack, BN_CLICKED);
        ExpectOnlyPageShown(1, kMainPageLast);
    }
    for (int n = 1; n <= kControlCount; ++n) {
        EXPECT_EQ(ControlText(n), texts[n]) << "control " << n;
        EXPECT_EQ(IsEnabled(n), enabled[n]) << "control " << n;
    }
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(App().SelectedIndex, 1);
    EXPECT_EQ(PictureBits(HistogramPicture), histogram);
    EXPECT_EQ(PictureBits(WaveformPicture), waveform);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheLoopWithCodeZero) {
    PostMessageW(App().MainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(App().MainWindow));
}

TEST_F(WindowTest, UnknownCommandsDoNothing) {
    for (int id : {0, 2, 11, 499, 778, 65535}) SendCommand(id, BN_CLICKED);
    ExpectOnlyPageShown(1, kMainPageLast);
    EXPECT_TRUE(SoundCalls().empty());
    EXPECT_EQ(App().SelectedIndex, 0);
}

}  // namespace
}  // namespace corvane::uitest
