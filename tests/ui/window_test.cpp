// The main window, its two pages of controls, and the command every button sends.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "app/main_window.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using WindowTest = MainWindowTest;

RECT RectOf(int n) {  // in the main window's client coordinates
    RECT rect{};
    GetWindowRect(ControlNumber(n), &rect);
    MapWindowPoints(HWND_DESKTOP, App().MainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsButton(int n) { return n != 2 && GetDlgCtrlID(ControlNumber(n)) != 0; }

void ExpectOnlyPageShown(bool about) {
    for (int n = 1; n <= kControlCount; ++n) {
        EXPECT_EQ(IsWindowVisible(ControlNumber(n)) != FALSE, OnAboutPage(n) == about) << n;
    }
}

TEST_F(WindowTest, FrameAndLayout) {
    HWND window = App().MainWindow;
    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    EXPECT_STREQ(text, L"MyAppClass");
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(text, L"Corvane");
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & 0x00CF0000, 0x00CA0000);  // no sizing
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
    EXPECT_EQ(frame.right - frame.left, 800);
    EXPECT_EQ(frame.bottom - frame.top, 600);
    ExpectOnlyPageShown(false);

    // Every control starts inside the window; every button lies wholly inside it and clear
    // of the other buttons and the pictures of its page.
    RECT client{};
    GetClientRect(window, &client);
    const auto page = [](int n) { return OnAboutPage(n); };
    for (int a = 1; a <= kControlCount; ++a) {
        ASSERT_EQ(GetParent(ControlNumber(a)), window) << a;
        const RECT r = RectOf(a);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left < client.right && r.top < client.bottom)
            << a;
        if (!IsButton(a)) continue;
        EXPECT_TRUE(r.right <= client.right && r.bottom <= client.bottom) << a;
        for (int b = 1; b <= kControlCount; ++b) {
            const bool picture =
                (GetWindowLongW(ControlNumber(b), GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
            if (b == a || page(a) != page(b) || !(IsButton(b) || picture)) continue;
            RECT overlap{};
            const RECT other = RectOf(b);
            EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << a << " and " << b;
        }
    }
    // The five buttons that need a sample start disabled; the others work from the start.
    for (const Layout n : {Layout::PlaySourceButton, Layout::StopButton, Layout::PlayRepackedButton,
                           Layout::CompressFileButton, Layout::CompressAllButton}) {
        EXPECT_FALSE(IsEnabled(n)) << static_cast<int>(n);
    }
    for (const Layout n :
         {Layout::OpenFilesButton, Layout::SaveDepackerButton, Layout::AboutButton}) {
        EXPECT_TRUE(IsEnabled(n)) << static_cast<int>(n);
    }
    const std::wstring about = ControlText(Layout::AboutTextLabel);
    EXPECT_EQ(std::count(about.begin(), about.end(), L'\n'), 10);
    EXPECT_EQ(about.substr(about.size() - 8), L"\n\nv1.0.0");
}

// Every identifier a control sends reaches its command: each leaves its own trace.
TEST_F(WindowTest, EveryCommandIsDispatched) {
    source.Write(L"a.wav", test::Wav({1, 1, 8000, 8}, test::Tone(4000, 40, 60)));
    FillSourceList(source.Path(), {L"x.wav", L"a.wav"});
    SelectEntry(1);
    ASSERT_TRUE(App().SampleValid);
    static std::wstring opened;
    const auto previous = SetOpenWebPageFunction([](const wchar_t* page) { opened = page; });
    struct Case {
        int id;
        DialogKind dialog;  // Other: none expected
        int sounds;         // PlaySoundW calls
        bool aboutShown;
    } cases[] = {
        {IdPlaySource, DialogKind::Other, 2, false},
        {IdStop, DialogKind::Other, 1, false},
        {IdPlayRepacked, DialogKind::Other, 2, false},
        {IdOpenFiles, DialogKind::File, 0, false},
        {IdCompressFile, DialogKind::File, 1, false},
        {IdCompressAll, DialogKind::FolderBrowser, 1, false},
        {IdSaveDepacker, DialogKind::File, 0, false},
        {IdAbout, DialogKind::Other, 0, true},
        {IdDonateLink, DialogKind::Other, 0, true},
        {IdBack, DialogKind::Other, 0, false},
    };
    for (const Case& c : cases) {
        Sounds().clear();
        const auto seen = RunCommand(c.id, {CancelDialog()});
        EXPECT_EQ(seen.size(), c.dialog == DialogKind::Other ? 0u : 1u) << c.id;
        if (!seen.empty()) {
            EXPECT_EQ(seen[0].kind, c.dialog) << c.id;
        }
        EXPECT_EQ(Sounds().size(), static_cast<std::size_t>(c.sounds)) << c.id;
        EXPECT_EQ(IsWindowVisible(Control(Layout::BackButton)) != FALSE, c.aboutShown) << c.id;
    }
    SetOpenWebPageFunction(previous);
    EXPECT_EQ(opened, L"" CORVANE_DONATE_URL);
    SendMessageW(Control(Layout::CoderChoice), CB_SETCURSEL, 2, 0);
    SendCommand(IdCoder, CBN_SELCHANGE);
    EXPECT_EQ(App().Coder, Encoder::Optimal);
    // Identifiers no control sends do nothing.
    Sounds().clear();
    for (const int id : {0, 2, 11, 499, 778, 65535}) SendCommand(id, BN_CLICKED);
    ExpectOnlyPageShown(false);
    EXPECT_TRUE(Sounds().empty());
    EXPECT_EQ(App().SelectedIndex, 1);
}

TEST_F(WindowTest, PagesSwitchAndKeepEverythingAndClosingEndsWithZero) {
    source.Write(L"a.wav", test::Wav({1, 1, 8000, 8}, {128, 130, 125, 130, 128, 130}));
    FillSourceList(source.Path(), {L"x.wav", L"a.wav"});
    SelectEntry(1);
    std::vector<std::wstring> texts;
    std::vector<bool> enabled;
    for (int n = 1; n <= kControlCount; ++n) {
        texts.push_back(ControlText(static_cast<Layout>(n)));
        enabled.push_back(IsWindowEnabled(ControlNumber(n)) != FALSE);
    }
    const Bytes histogram = PictureBits(Layout::HistogramPicture);
    ASSERT_FALSE(histogram.empty());
    for (int round = 0; round < 2; ++round) {
        SendCommand(IdAbout, BN_CLICKED);
        ExpectOnlyPageShown(true);
        SendCommand(IdBack, BN_CLICKED);
        ExpectOnlyPageShown(false);
    }
    for (int n = 1; n <= kControlCount; ++n) {
        EXPECT_EQ(ControlText(static_cast<Layout>(n)), texts[n - 1]) << n;
        EXPECT_EQ(IsWindowEnabled(ControlNumber(n)) != FALSE, enabled[n - 1]) << n;
    }
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(PictureBits(Layout::HistogramPicture), histogram);

    PostMessageW(App().MainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(App().MainWindow));
}

}  // namespace
}  // namespace corvane::uitest
