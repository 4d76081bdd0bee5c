#include <windows.h>
// needs <windows.h> first
#include <commdlg.h>

#include <vector>

#include "app/app_state.h"
#include "app/playback.h"
#include "app/source_ops.h"
#include "files/dialog_support.h"
#include "files/files.h"

namespace corvane {

void ChooseSourceFiles() {
    AppState& app = App();
    std::vector<wchar_t> buffer(kDialogFileCapacity, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);  // the 64-bit size: a 32-bit one shows no dialog
    dialog.hwndOwner = app.MainWindow;
    dialog.lpstrFilter = kWaveFilter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = kOpenTitle;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
    // Only the first choice of a run starts in the start-up folder; later ones start
    // wherever the dialog itself remembers.
    if (app.SourceFolder.empty()) dialog.lpstrInitialDir = app.StartupFolder.c_str();
    if (!GetOpenFileNameW(&dialog)) return;

    std::optional<SourceSelection> selection = ParseOpenResult(buffer, dialog.nFileOffset);
    if (!selection || selection->folder.size() >= kPathCapacity) return;

    StopPlayback();  // loading the first file below rewrites WaveImage
    ClearPlots();
    SendMessageW(app.SourceList, LB_RESETCONTENT, 0, 0);
    app.SourceFolder = std::move(selection->folder);
    app.SourceCount = 0;
    for (const std::wstring& name : selection->names) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ++app.SourceCount;
    }
    SendMessageW(app.SourceList, LB_SETCURSEL, 0, 0);
    app.SelectedIndex = 0;
    LoadSource();
    AnalyseSample(true);
}

}  // namespace corvane
