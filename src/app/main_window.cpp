#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <new>
#include <string>

#include "app/app_state.h"
#include "app/card_playback.h"
#include "app/dispatch.h"
#include "app/file_commands.h"
#include "app/marks.h"
#include "app/work.h"
#include "card/card_sound.h"
#include "files/utf16.h"
#include "text/digit_groups.h"

#ifndef CORVANE_DONATE_URL
#define CORVANE_DONATE_URL "https://example.com/donate"
#endif

namespace corvane {

namespace {

constexpr wchar_t kDonateUrl[] = L"" CORVANE_DONATE_URL;

constexpr bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix != L'\0'; ++text, ++prefix) {
        if (*text != *prefix) return false;
    }
    return true;
}

constexpr const wchar_t* WithoutScheme(const wchar_t* url) {
    if (StartsWith(url, L"https://")) return url + 8;
    if (StartsWith(url, L"http://")) return url + 7;
    return url;
}

enum class FontKind { None, Heading, Text, Small };

struct ControlSpec {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    int id;
    FontKind font;
};

constexpr DWORD kChild = WS_CHILD;  // SS_LEFT for a static, BS_PUSHBUTTON for a button
constexpr DWORD kDisabled = WS_CHILD | WS_DISABLED;
constexpr DWORD kList = WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_NOTIFY;
constexpr DWORD kPicture = WS_CHILD | WS_BORDER | SS_BITMAP;
constexpr DWORD kSimple = WS_CHILD | SS_SIMPLE;
constexpr DWORD kDropDown = WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST;
// Texts with marks (▶ ✓ ✘ 🗁), which the window draws itself (marks.h).
constexpr DWORD kMarked = WS_CHILD | SS_OWNERDRAW;
constexpr DWORD kMarkedButton = WS_CHILD | BS_OWNERDRAW;

constexpr FontKind H = FontKind::Heading;
constexpr FontKind T = FontKind::Text;
constexpr FontKind S = FontKind::Small;
constexpr FontKind N = FontKind::None;

// Both pages, in creation order: the main page is 1 to 28, the About page 29 to 33, then the
// coder choice and the progress of long work in the free space of the compression column, then
// the card column.
constexpr ControlSpec kControls[kControlCount] = {
    {L"STATIC", L"Source Files", kChild, 6, 2, 300, 20, 0, H},
    {L"ListBox", nullptr, kList, 3, 22, 300, 368, IdSourceList, T},
    {L"STATIC", L"File info", kChild, 315, 3, 200, 20, 0, H},
    {L"STATIC", L"Audio Format:", kMarked, 315, 25, 256, 20, 0, T},
    {L"STATIC", L"Channels:", kMarked, 315, 47, 256, 20, 0, T},
    {L"STATIC", L"Bit Depth:", kMarked, 315, 69, 256, 20, 0, T},
    {L"STATIC", L"Sample Rate:", kChild, 315, 91, 256, 20, 0, T},
    {L"STATIC", L"Data Size:", kChild, 315, 113, 256, 20, 0, T},
    {L"STATIC", L"Length:", kChild, 315, 135, 256, 20, 0, T},
    {L"STATIC", L"Gain Span:", kChild, 315, 157, 256, 20, 0, T},
    // The compression column's labels may reach into the gap before the card column.
    {L"STATIC", L"Compression info", kChild, 585, 3, 206, 20, 0, H},
    {L"STATIC", L"File Size:", kMarked, 585, 25, 206, 20, 0, T},
    {L"STATIC", L"Table:", kChild, 585, 47, 50, 20, 0, T},
    // Two lines high: a wide table wraps instead of losing its last numbers.
    {L"STATIC", L"", kChild, 585, 69, 198, 40, 0, T},
    {L"BUTTON", L"🗁   Open WAV Files", kMarkedButton, 2, 391, 302, 30, IdOpenFiles, H},
    {L"BUTTON", L"▶  PLAY SOURCE", kMarkedButton | WS_DISABLED, 315, 391, 160, 30, IdPlaySource, H},
    {L"BUTTON", L"■  STOP", kDisabled, 479, 391, 92, 30, IdStop, H},
    {L"BUTTON", L"▶  PLAY REPACKED", kMarkedButton | WS_DISABLED, 585, 391, 196, 30, IdPlayRepacked,
     H},
    {L"BUTTON", L"COMPRESS FILE", kDisabled, 585, 207, 196, 30, IdCompressFile, H},
    {L"BUTTON", L"COMPRESS ALL", kDisabled, 585, 253, 196, 30, IdCompressAll, H},
    {L"BUTTON", L"SAVE DEPACKER", kChild, 585, 299, 196, 30, IdSaveDepacker, H},
    {L"BUTTON", L"ABOUT", kChild, 585, 345, 196, 30, IdAbout, H},
    {L"STATIC", L"", kPicture, 315, 180, 256, 192, 0, N},
    {L"STATIC", L"", kSimple, 318, 181, 120, 10, 0, S},
    {L"STATIC", L"0", kSimple, 442, 374, 20, 10, 0, S},
    {L"STATIC", L"-128", kSimple, 316, 374, 40, 10, 0, S},
    {L"STATIC", L"127", kSimple, 557, 374, 26, 10, 0, S},
    {L"STATIC", L"", kPicture, 3, 428, 776, 128, 0, N},
    {L"STATIC", L"О программе", kChild, 6, 2, 300, 20, 0, H},
    {L"STATIC", L"", kChild, 6, 30, 772, 500, 0, T},
    {L"BUTTON", L"НАЗАД", kChild, 585, 528, 196, 30, IdBack, H},
    {L"STATIC", L"Donate", kChild, 6, 508, 100, 20, 0, H},
    {L"BUTTON", WithoutScheme(kDonateUrl), kChild, 6, 528, 200, 30, IdDonateLink, T},
    {L"STATIC", L"Coder:", kChild, 585, 114, 58, 20, 0, T},
    {L"ComboBox", nullptr, kDropDown, 643, 111, 148, 120, IdCoder, T},
    {L"STATIC", L"", kChild, 585, 140, 196, 20, 0, T},
    {PROGRESS_CLASSW, nullptr, WS_CHILD, 585, 163, 196, 12, 0, N},
    {L"STATIC", L"", kChild, 585, 182, 118, 20, 0, T},
    {L"BUTTON", L"Cancel", kDisabled, 707, 179, 74, 24, IdCancel, T},
    // The card column: the note that plays the sample at its own pitch (three lines: "Out of
    // range: above note 71 (B-5) finetune +7"), its rate (four lines with what to do out of
    // range), the loop (two lines) and what it says of the loop (four), then the card's
    // settings, each choice under its caption: the rate's list as wide as "Note 60: 16 725 Hz",
    // the ROM's and the loop's side by side.
    {L"STATIC", L"Card", kChild, 797, 3, 204, 20, 0, H},
    {L"STATIC", L"", kChild, 797, 25, 204, 60, 0, T},
    {L"STATIC", L"", kChild, 797, 87, 204, 80, 0, T},
    {L"STATIC", L"", kChild, 797, 169, 204, 40, 0, T},
    {L"STATIC", L"Rate:", kChild, 797, 318, 204, 20, 0, T},
    {L"ComboBox", nullptr, kDropDown, 797, 338, 204, 140, IdRate, T},
    {L"STATIC", L"ROM:", kChild, 797, 368, 80, 20, 0, T},
    {L"ComboBox", nullptr, kDropDown, 797, 388, 80, 120, IdRom, T},
    {L"STATIC", L"Loop:", kChild, 885, 368, 116, 20, 0, T},
    {L"ComboBox", nullptr, kDropDown | WS_DISABLED, 885, 388, 116, 120, IdLoop, T},
    {L"STATIC", L"", kChild, 797, 211, 204, 80, 0, T},
    {L"BUTTON", L"SAVE BANK", kDisabled, 797, 424, 124, 30, IdSaveBank, H},
    {L"STATIC", L"Card settings", kChild, 797, 295, 204, 20, 0, H},
    // Hearing the sample as the card plays it, at its own note or one chosen.
    {L"STATIC", L"Play at:", kChild, 797, 462, 204, 20, 0, T},
    {L"ComboBox", nullptr, kDropDown, 797, 482, 204, 200, IdPlayNote, T},
    {L"BUTTON", L"▶  PLAY ON CARD", kMarkedButton | WS_DISABLED, 797, 514, 204, 30, IdPlayOnCard,
     H},
    // Beside SAVE BANK: a tape that loads the bank and plays it, NAME.tap, with the bank.
    {L"BUTTON", L"+ tape", kChild | BS_AUTOCHECKBOX, 929, 424, 72, 30, IdTape, T},
};

// The coder choice, in the order of the drop-down list.
constexpr std::pair<const wchar_t*, Encoder> kCoders[] = {{L"Classic", Encoder::Greedy},
                                                          {L"Trellis", Encoder::Trellis},
                                                          {L"Optimal (slow)", Encoder::Optimal}};
// The rate choice: the source's own, the card's default note (no note need be set), the octave
// below it (half the card memory), and the note and finetune nearest the source's own pitch.
constexpr RateChoice kRates[] = {{},
                                 {RateChoice::Kind::Note, kDefaultNote},
                                 {RateChoice::Kind::Note, kDefaultNote - 12},
                                 {RateChoice::Kind::Nearest}};
constexpr std::pair<const wchar_t*, Rom> kRoms[] = {{L"1.04", Rom::V104}, {L"1.05", Rom::V105}};
constexpr std::pair<const wchar_t*, LoopChoice> kLoops[] = {
    {L"Keep", LoopChoice::Keep}, {L"Cut after", LoopChoice::Cut}, {L"Ignore", LoopChoice::Ignore}};

int Chosen(Layout choice) {
    return static_cast<int>(SendMessageW(Control(choice), CB_GETCURSEL, 0, 0));
}

void AddChoice(Layout choice, const std::wstring& text) {
    SendMessageW(Control(choice), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

constexpr wchar_t kAboutText[] =
    L"Программа предназначена для сжатия звуков Spectrum-совместимой звуковой карты General "
    L"Sound.\n"
    L"Поддерживаются звуковые файлы формата wav с любой частотой дескритизации, 8 и 16-битной "
    L"разрядности, моно и стерео. 16-битные и стерео файлы автоматически конвертируются в 8 бит "
    L"моно.\n"
    L"Сжатие основано на двухбитном алгоритме ADPCM. Это алгоритм сжатия с потерями, поэтому "
    L"качество звучания распакованного сэмпла в некоторых случаях может значительно снизится. "
    L"Алгоритм сжатия использует таблицу фиксированного размера, но со значениями, вычисляемыми "
    L"отдельно для каждого сэмпла.\n"
    L"\n"
    L"Управление\n"
    L"Выберите один или несколько файлов нажав [Open WAV Files], их имена будут в списке слева. "
    L"Справа от списка выводятся основные характеристики исходного файла и график распределения "
    L"разностей отсчётов - он показывает разброс и статистику приращений отсчётов звукового "
    L"сигнала. Ось ординат выводится в логарифмическом масштабе. В правой части окна выводятся "
    L"параметры сжатого файла - его размер и значения таблицы. В нижней части окна выводится "
    L"график значений сэмпла.\n"
    L"Выбирая файл в списке можно прослушать его в исходном варианте (но уже сконвертированном в "
    L"8 бит моно) кнопкой [Play Source] и результат после сжатия-распаковки [Play Repacked].\n"
    L"Для сохранения одного файла используйте кнопку [Compress File], для пакетной обработки всех "
    L"файлов из списка - кнопку [Compress All]\n"
    L"Для загрузки сэмплов в General Sound сохраните текст распаковщика [Save Depacker] и "
    L"используйте его в своей программе.\n"
    L"\n"
    L"v1.0.0";

HFONT FontOf(FontKind kind) {
    switch (kind) {
        case FontKind::Heading:
            return App().HeadingFont;
        case FontKind::Text:
            return App().TextFont;
        case FontKind::Small:
            return App().SmallFont;
        case FontKind::None:
            break;
    }
    return nullptr;
}

// Every control of both pages, hidden; run while the main window handles WM_CREATE.
void CreateControls(HWND window, HINSTANCE instance) {
    AppState& app = App();
    for (int n = 1; n <= kControlCount; ++n) {
        const ControlSpec& entry = kControls[n - 1];
        HWND control = CreateWindowExW(0, entry.className, entry.text, entry.style, entry.x,
                                       entry.y, entry.width, entry.height, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                       instance, nullptr);
        app.Controls[static_cast<std::size_t>(n)] = control;
        if (entry.font != FontKind::None) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(entry.font)), 0);
        }
        if (n == static_cast<int>(Layout::AboutTextLabel)) SetWindowTextW(control, kAboutText);
    }
    app.SourceList = Control(Layout::SourceList);
    for (const auto& [name, coder] : kCoders) AddChoice(Layout::CoderChoice, name);
    for (const auto& [name, rom] : kRoms) AddChoice(Layout::RomChoice, name);
    for (const auto& [name, loop] : kLoops) AddChoice(Layout::LoopChoice, name);
    AddChoice(Layout::PlayNoteChoice, L"The card's note");
    for (int note = 0; note <= kCardHighestNote; ++note) {
        AddChoice(Layout::PlayNoteChoice,
                  L"Note " + std::to_wstring(note) + L" (" + Widen(NoteName(note)) + L")");
    }
    for (const Layout choice : {Layout::CoderChoice, Layout::RomChoice, Layout::LoopChoice,
                                Layout::RateChoice, Layout::PlayNoteChoice}) {
        SendMessageW(Control(choice), CB_SETCURSEL, 0, 0);
    }
    ShowRateChoices(Rom::V104);
    SendMessageW(Control(Layout::ProgressBar), PBM_SETRANGE32, 0, 1000);
    DragAcceptFiles(window, TRUE);
}

void ShowPage(bool about) {
    HideAllControls();
    for (int n = 1; n <= kControlCount; ++n) {
        if (OnAboutPage(n) == about) ShowWindow(ControlNumber(n), SW_SHOW);
    }
}

}  // namespace

const wchar_t* DonateUrl() { return kDonateUrl; }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window, reinterpret_cast<CREATESTRUCTW*>(lParam)->hInstance);
            return 0;
        case WM_DESTROY:
            AbandonWork();       // the worker must not outlive the window it reports to
            StopCardPlayback();  // nor the card's sound its thread
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
        case WM_DROPFILES:
        case kWorkDoneMessage:
            // No exception may cross into the platform's message dispatch.
            try {
                if (message == WM_COMMAND) DispatchCommand(LOWORD(wParam));
                if (message == WM_DROPFILES) TakeDroppedFiles(reinterpret_cast<HDROP>(wParam));
                if (message == kWorkDoneMessage) FinishWork();
            } catch (const std::bad_alloc&) {
            }
            if (message != WM_COMMAND) return 0;
            break;
        case WM_DRAWITEM:
            DrawMarkedControl(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) CancelWork();
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    const INITCOMMONCONTROLSEX progressBar{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&progressBar);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    // Corvane's icon (res/corvane.ico, resource "CORVANE") at the sizes the title bar, taskbar
    // and Alt+Tab ask for; a program without the resource (the UI tests) gets the system's.
    windowClass.hIcon =
        static_cast<HICON>(LoadImageW(instance, L"CORVANE", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, L"CORVANE", IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(RGB(240, 240, 240));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

bool StartMainWindow(HINSTANCE instance, int showCommand) {
    AppState& app = App();
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2;
    app.MainWindow = CreateWindowExW(
        0, kMainWindowClass, L"Corvane", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        x, y, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (app.MainWindow == nullptr) return false;
    ShowWindow(app.MainWindow, showCommand);
    ShowMainPage();
    UpdateWindow(app.MainWindow);

    wchar_t folder[kStartupFolderCapacity] = {};
    const DWORD length = GetCurrentDirectoryW(kStartupFolderCapacity, folder);
    app.StartupFolder = (length > 0 && length < kStartupFolderCapacity) ? folder : L"";
    return true;
}

int RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Esc cancels long work whichever control has the keyboard.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            message.hwnd = App().MainWindow;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void HideAllControls() {
    for (int n = 1; n <= kControlCount; ++n) ShowWindow(ControlNumber(n), SW_HIDE);
}

void ShowMainPage() { ShowPage(false); }

void ShowAboutPage() { ShowPage(true); }

Encoder CoderChosen() {
    const int n = Chosen(Layout::CoderChoice);
    return n >= 0 && n < 3 ? kCoders[n].second : Encoder::Greedy;
}

RateChoice RateChosen() {
    const int n = Chosen(Layout::RateChoice);
    return n >= 0 && n < static_cast<int>(std::size(kRates)) ? kRates[n] : RateChoice{};
}

Rom RomChosen() { return Chosen(Layout::RomChoice) == 1 ? Rom::V105 : Rom::V104; }

LoopChoice LoopChosen() {
    const int n = Chosen(Layout::LoopChoice);
    return n >= 0 && n < 3 ? kLoops[n].second : LoopChoice::Keep;
}

std::optional<int> PlayNoteChosen() {
    const int n = Chosen(Layout::PlayNoteChoice);
    if (n <= 0) return std::nullopt;
    return n - 1;
}

void ShowRateChoices(Rom rom) {
    const HWND list = Control(Layout::RateChoice);
    const LRESULT chosen = std::max<LRESULT>(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const RateChoice rate : kRates) {
        std::wstring text = rate.kind == RateChoice::Kind::Source ? L"Source" : L"Nearest";
        if (rate.kind == RateChoice::Kind::Note) {
            text = L"Note " + std::to_wstring(rate.note) + L": " +
                   Widen(FormatDigitGroups(HertzOf(rom, {rate.note, 0}))) + L" Hz";
        }
        AddChoice(Layout::RateChoice, text);
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

void ShowSampleChoice(SampleChoice choice) {
    const auto rate = std::find(std::begin(kRates), std::end(kRates), choice.rate);
    SendMessageW(Control(Layout::RateChoice), CB_SETCURSEL,
                 static_cast<WPARAM>(rate == std::end(kRates) ? 0 : rate - std::begin(kRates)), 0);
    for (std::size_t n = 0; n < std::size(kLoops); ++n) {
        if (kLoops[n].second == choice.loop)
            SendMessageW(Control(Layout::LoopChoice), CB_SETCURSEL, n, 0);
    }
}

}  // namespace corvane
