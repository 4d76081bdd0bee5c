// The main window, its two pages of controls, and the command every control sends.
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

bool Shown(int n) { return IsWindowVisible(ControlNumber(n)) != FALSE; }

bool OnlyPageShown(bool about) {
    for (int n = 1; n <= kControlCount; ++n) {
        if (Shown(n) != (OnAboutPage(n) == about)) return false;
    }
    return true;
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
    EXPECT_EQ(std::vector<LONG>(
                  {frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top}),
              std::vector<LONG>({(GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2,
                                 (GetSystemMetrics(SM_CYSCREEN) - 600) / 2, kMainWindowWidth, 600}));
    EXPECT_TRUE(OnlyPageShown(false));

    // Every control starts inside the window; every one that takes clicks (the list aside,
    // which shortens itself to whole entries) lies wholly inside it and clear of the others
    // of its page that take clicks or show a picture.
    RECT client{};
    GetClientRect(window, &client);
    const auto clickable = [](int n) { return n != 2 && GetDlgCtrlID(ControlNumber(n)) != 0; };
    for (int a = 1; a <= kControlCount; ++a) {
        ASSERT_EQ(GetParent(ControlNumber(a)), window) << a;
        const RECT r = RectOf(a);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left < client.right && r.top < client.bottom)
            << a;
        if (!clickable(a)) continue;
        EXPECT_TRUE(r.right <= client.right && r.bottom <= client.bottom) << a;
        for (int b = 1; b <= kControlCount; ++b) {
            const bool picture =
                (GetWindowLongW(ControlNumber(b), GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
            RECT overlap{};
            const RECT other = RectOf(b);
            if (b != a && OnAboutPage(a) == OnAboutPage(b) && (clickable(b) || picture)) {
                EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << a << " and " << b;
            }
        }
    }
    // What needs a sample starts disabled; the rest works from the start.
    for (const Layout n :
         {Layout::PlaySourceButton, Layout::StopButton, Layout::PlayRepackedButton,
          Layout::CompressFileButton, Layout::CompressAllButton, Layout::CancelButton}) {
        EXPECT_FALSE(IsEnabled(n)) << static_cast<int>(n);
    }
    for (const Layout n : {Layout::OpenFilesButton, Layout::SaveDepackerButton, Layout::AboutButton,
                           Layout::CoderChoice}) {
        EXPECT_TRUE(IsEnabled(n)) << static_cast<int>(n);
    }
    const std::wstring about = ControlText(Layout::AboutTextLabel);
    EXPECT_EQ(std::count(about.begin(), about.end(), L'\n'), 10);
    EXPECT_EQ(about.substr(about.size() - 8), L"\n\nv1.0.0");
}

// Every identifier a control sends reaches its command: each leaves its own trace.
TEST_F(WindowTest, EveryCommandIsDispatched) {
    RunCommand(IdSourceList, {}, LBN_SETFOCUS);  // the empty list's first notification
    EXPECT_EQ(Sounds().size(), 1u);
    EXPECT_EQ(App().SelectedIndex, -1);
    for (const int id : {IdPlaySource, IdPlayRepacked, IdCompressFile}) {  // nothing to work on
        EXPECT_TRUE(RunCommand(id, {CancelDialog()}).empty()) << id;
    }
    source.Write(L"a.wav", test::Wav({1, 1, 8000, 8}, test::Tone(4000, 40, 60)));
    ListAndSelect(source.path, {L"x.wav", L"a.wav"}, 1);
    ASSERT_TRUE(App().SampleValid);
    static std::wstring opened;
    const auto previous = SetOpenWebPageFunction([](const wchar_t* page) { opened = page; });
    const struct Case {
        int id;
        DialogKind dialog;  // Other: none expected
        std::size_t sounds;
        bool about;
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
        {IdCancel, DialogKind::Other, 0, false},
        {0xFFFF, DialogKind::Other, 0, false},
    };
    for (const Case& c : cases) {
        Sounds().clear();
        const auto seen = RunCommand(c.id, {CancelDialog()});
        EXPECT_EQ(seen.size(), c.dialog == DialogKind::Other ? 0u : 1u) << c.id;
        if (!seen.empty()) {
            EXPECT_EQ(seen[0].kind, c.dialog) << c.id;
        }
        EXPECT_EQ(Sounds().size(), c.sounds) << c.id;
        EXPECT_TRUE(OnlyPageShown(c.about)) << c.id;
    }
    SetOpenWebPageFunction(previous);
    EXPECT_EQ(opened, L"" CORVANE_DONATE_URL);
    SendMessageW(Control(Layout::CoderChoice), CB_SETCURSEL, 2, 0);
    RunCommand(IdCoder, {}, CBN_SELCHANGE);
    EXPECT_EQ(App().Coder, Encoder::Optimal);
}

TEST_F(WindowTest, PagesSwitchAndKeepEverythingAndClosingEndsWithZero) {
    source.Write(L"a.wav", test::Wav({1, 1, 8000, 8}, {128, 130, 125, 130, 128, 130}));
    ListAndSelect(source.path, {L"x.wav", L"a.wav"}, 1);
    std::vector<std::wstring> texts;
    std::vector<bool> enabled;
    for (int n = 1; n <= kControlCount; ++n) {
        texts.push_back(ControlText(static_cast<Layout>(n)));
        enabled.push_back(IsWindowEnabled(ControlNumber(n)) != FALSE);
    }
    const Bytes histogram = PictureBits(Layout::HistogramPicture);
    for (int round = 0; round < 2; ++round) {
        RunCommand(IdAbout);
        EXPECT_TRUE(OnlyPageShown(true));
        RunCommand(IdBack);
        EXPECT_TRUE(OnlyPageShown(false));
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
