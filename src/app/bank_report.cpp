#include "app/bank_report.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>

#include "app/app_state.h"
#include "codec/packed_format.h"
#include "files/utf16.h"
#include "text/bank_text.h"
#include "text/card_text.h"
#include "text/digit_groups.h"
#include "text/facts.h"

namespace corvane {
namespace {

enum ReportId : int {
    IdSamples = 100,
    IdCardCaption,
    IdCard,
    IdMemoryBar,
    IdMemoryText,
    IdEffectsText,
    IdProblemText,
    IdLeftOutCaption,
    IdLeftOut,
};

constexpr int kWidth = 660, kHeight = 500;  // the client area, in pixels

struct ReportControl {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height, id;
};

constexpr DWORD kVisible = WS_CHILD | WS_VISIBLE;
constexpr ReportControl kReportControls[] = {
    {WC_LISTVIEWW, L"", kVisible | WS_BORDER | LVS_REPORT | LVS_NOSORTHEADER, 10, 10, 640, 190,
     IdSamples},
    {L"STATIC", L"Card:", kVisible, 10, 211, 50, 20, IdCardCaption},
    {L"ComboBox", L"", kVisible | WS_TABSTOP | CBS_DROPDOWNLIST, 62, 208, 320, 120, IdCard},
    {PROGRESS_CLASSW, L"", kVisible, 10, 240, 640, 18, IdMemoryBar},
    {L"STATIC", L"", kVisible, 10, 262, 640, 40, IdMemoryText},
    {L"STATIC", L"", kVisible, 10, 304, 640, 40, IdEffectsText},
    {L"STATIC", L"", kVisible, 10, 346, 640, 40, IdProblemText},
    {L"STATIC", L"Left out:", kVisible, 10, 388, 640, 20, IdLeftOutCaption},
    {L"ListBox", L"", kVisible | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 10, 408, 640, 46,
     IdLeftOut},
    {L"BUTTON", L"Save", kVisible | WS_TABSTOP | BS_DEFPUSHBUTTON, 450, 462, 95, 28, IDOK},
    {L"BUTTON", L"Cancel", kVisible | WS_TABSTOP, 555, 462, 95, 28, IDCANCEL},
};

constexpr std::pair<const wchar_t*, CardMemory> kCards[] = {
    {L"112k: the card as it shipped", CardMemory::Basic},
    {L"466k: with the memory extension", CardMemory::Extended}};

// The columns: caption, width, right-aligned.
constexpr std::tuple<const wchar_t*, int, bool> kColumns[] = {{L"Sample", 190, false},
                                                              {L"Card bytes", 110, true},
                                                              {L"Host bytes", 110, true},
                                                              {L"Note", 125, false},
                                                              {L"Pitch", 100, true}};

struct Report {
    const std::vector<BankSample>* samples;
    const std::vector<LeftOutFile>* leftOut;
    const SaveBankFunction* save;
    Bank bank;  // laid out for the card chosen
};

std::wstring Grouped(std::size_t value) {
    return Widen(FormatDigitGroups(static_cast<long long>(value)));
}

std::vector<std::wstring> RowOf(const BankSample& sample) {
    const CardNote note = sample.pitch.note;
    std::string noteText = std::to_string(note.note) + " (" + NoteName(note.note) + ") " +
                           (note.finetune < 0 ? "" : "+") + std::to_string(note.finetune);
    if (sample.pitch.range != PitchMatch::Range::Within) noteText += ", out of range";
    return {Widen(sample.name), Grouped(4 * (sample.file.size() - kPackedHeaderSize)),
            Grouped(sample.file.size()), Widen(noteText),
            Widen(CentsText(sample.pitch.cents)) + L" cents"};
}

void SetText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

// The bank laid out for the card chosen, and what it costs.
void ShowBank(HWND dialog, Report& report) {
    const CardMemory card =
        kCards[std::clamp<LRESULT>(SendDlgItemMessageW(dialog, IdCard, CB_GETCURSEL, 0, 0), 0, 1)]
            .second;
    report.bank = LayOutBank(*report.samples, card, "bank");  // named when it is saved
    const BankBudget& b = report.bank.budget;
    const HWND bar = GetDlgItem(dialog, IdMemoryBar);
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(b.capacity));
    SendMessageW(bar, PBM_SETPOS, std::min(b.needed, b.capacity), 0);
    SendMessageW(bar, PBM_SETBARCOLOR, 0, b.FitsCard() ? CLR_DEFAULT : RGB(200, 0, 0));
    SetText(dialog, IdMemoryText,
            L"Card memory: " + Grouped(b.needed) + L" of " + Grouped(b.capacity) +
                L" bytes (samples " + Grouped(b.sampleBytes) + L", 80 bytes a sample " +
                Grouped(kCardBytesPerSample * b.effects) + L", 2 048 kept free); " +
                (b.FitsCard() ? Grouped(b.capacity - b.needed) + L" left"
                              : Grouped(b.needed - b.capacity) + L" too many"));
    std::wstring effects = L"Effects: " + std::to_wstring(b.effects) +
                           L" (the card's guide allows 32, ROM 1.04 takes 60). Host pages: " +
                           std::to_wstring(b.pages) + L" of 16 KB, loaded at #C000.";
    for (const std::string& warning : BankWarnings(report.bank, false)) {
        effects += L"\n" + Widen(warning) + L".";
    }
    SetText(dialog, IdEffectsText, effects);
    std::wstring problem;
    if (report.samples->empty()) {
        problem = L"No file could go into the bank.";
    } else if (const auto tooBig = BankTooBigOf(report.bank, card)) {
        problem = Widen(tooBig->text) + L".";
    }
    SetText(dialog, IdProblemText, problem.empty() ? L"" : L"It cannot be saved: " + problem);
    EnableWindow(GetDlgItem(dialog, IDOK), problem.empty());
}

void FillReport(HWND dialog, const Report& report) {
    const HWND list = GetDlgItem(dialog, IdSamples);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    int column = 0;
    for (const auto& [caption, width, right] : kColumns) {
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
        c.cx = width;
        c.pszText = const_cast<wchar_t*>(caption);
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column++),
                     reinterpret_cast<LPARAM>(&c));
    }
    int row = 0;
    for (const BankSample& sample : *report.samples) {
        std::vector<std::wstring> cells = RowOf(sample);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = cells[0].data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (item.iSubItem = 1; item.iSubItem < static_cast<int>(cells.size()); ++item.iSubItem) {
            item.pszText = cells[static_cast<std::size_t>(item.iSubItem)].data();
            SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&item));
        }
        ++row;
    }
    for (const LeftOutFile& file : *report.leftOut) {
        const std::wstring line = file.name + L": " + Widen(RefusalText(file.reason)) + L".";
        SendDlgItemMessageW(dialog, IdLeftOut, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(line.c_str()));
    }
    if (report.leftOut->empty()) SetText(dialog, IdLeftOutCaption, L"Left out: none");
    for (const auto& [name, card] : kCards) {
        SendDlgItemMessageW(dialog, IdCard, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendDlgItemMessageW(dialog, IdCard, CB_SETCURSEL, 0, 0);
}

void CreateReportControls(HWND dialog) {
    for (const ReportControl& c : kReportControls) {
        const HWND control =
            CreateWindowExW(0, c.className, c.text, c.style, c.x, c.y, c.width, c.height, dialog,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(App().TextFont), 0);
    }
    // The client area at its size, centred over the owner.
    RECT frame{0, 0, kWidth, kHeight}, owner{};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, (owner.left + owner.right - width) / 2,
                 (owner.top + owner.bottom - height) / 2, width, height, SWP_NOZORDER);
}

INT_PTR CALLBACK ReportProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* report = reinterpret_cast<Report*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            report = reinterpret_cast<Report*>(lParam);
            SetWindowTextW(dialog, L"SAVE BANK");
            CreateReportControls(dialog);
            FillReport(dialog, *report);
            ShowBank(dialog, *report);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IdCard && HIWORD(wParam) == CBN_SELCHANGE)
                ShowBank(dialog, *report);
            if (LOWORD(wParam) == IDOK && IsWindowEnabled(GetDlgItem(dialog, IDOK)) &&
                (*report->save)(dialog, report->bank)) {
                EndDialog(dialog, IDOK);
            }
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool ShowBankReport(HWND owner, const std::vector<BankSample>& samples,
                    const std::vector<LeftOutFile>& leftOut, const SaveBankFunction& save) {
    const INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    // A dialog with no controls of its own: they are made at its first message, in pixels.
    struct alignas(4) Template {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
    } blank{};
    blank.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    Report report{&samples, &leftOut, &save, {}};
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &blank.dialog, owner, ReportProc,
                                   reinterpret_cast<LPARAM>(&report)) == IDOK;
}

}  // namespace corvane
