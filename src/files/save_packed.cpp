#include <windows.h>
// needs <windows.h> first
#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/playback.h"
#include "app/source_ops.h"
#include "codec/packed_name.h"
#include "files/atomic_write.h"
#include "files/dialog_support.h"
#include "files/files.h"

namespace corvane {

namespace {

// Why the packed file of the entry just loaded and packed cannot be written; empty when
// it can. For an invalid entry PackedImage still holds the previous entry's file.
std::wstring PackProblem() {
    const AppState& app = App();
    if (!app.SampleValid) {
        return app.WaveImage.empty()
                   ? L"the file could not be read"
                   : L"it is not a PCM WAV file with 1 or 2 channels and 8 or 16 bits";
    }
    if (app.PackedImage.empty()) return L"there was not enough memory to pack it";
    if (!app.PackedStorable) return L"it is too long: its packed data would exceed 65535 bytes";
    return {};
}

// Writes PackedImage at `path`; empty, or why it was not written.
std::wstring WritePacked(const std::wstring& path) {
    if (path.size() >= kPathCapacity) return L"the path " + path + L" is too long";
    std::wstring error;
    if (WriteFileReplacing(path, App().PackedImage, error)) return {};
    return L"writing " + path + L" failed: " + error;
}

// The batch's path for `name`: the chosen folder, one backslash, the name.
std::wstring BatchPath(const std::wstring& name) {
    const std::wstring& folder = App().OutputPath;
    const bool separated = !folder.empty() && folder.back() == L'\\';  // a drive root
    return folder + (separated ? L"" : L"\\") + name;
}

// The batch step for the entry just loaded and packed; empty, or why it was not saved.
std::wstring SaveIntoOutputFolder(const std::wstring& entry) {
    std::wstring problem = PackProblem();
    if (problem.empty()) problem = WritePacked(BatchPath(PackedFileName(entry)));
    return problem;
}

void ReportEntryNotSaved(const std::wstring& entry, const std::wstring& problem) {
    ReportNotSaved(entry + L" was not saved: " + problem + L".");
}

// The folder browser, preselecting OutputPath; the chosen folder's path, or nothing.
std::optional<std::wstring> AskOutputFolder() {
    wchar_t title[] = L"Choose Folder";
    wchar_t displayName[MAX_PATH] = {};  // the browser's own: OutputPath stays as it was
    BROWSEINFOW browse{};
    browse.hwndOwner = App().MainWindow;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    browse.lpfn = BrowseInitCallback;
    browse.lParam = reinterpret_cast<LPARAM>(App().OutputPath.c_str());

    ReadFoldersOnPath(App().OutputPath);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<std::wstring> folder;
    if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse)) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, path)) folder = path;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return folder;
}

}  // namespace

void SavePacked(bool withDialog) {
    AppState& app = App();
    if (app.SelectedIndex == -1) return;
    const std::wstring entry = ListEntryText(app.SelectedIndex);
    if (entry.empty()) return;

    if (!withDialog) {
        const std::wstring problem = SaveIntoOutputFolder(entry);
        if (!problem.empty()) ReportEntryNotSaved(entry, problem);
        return;
    }

    StopPlayback();
    LoadSource();  // the image may hold decoded samples from a repacked playback
    PackSample();  // with the table in force; no new analysis here
    if (const std::wstring problem = PackProblem(); !problem.empty()) {
        ReportEntryNotSaved(entry, problem);
        return;
    }
    const std::wstring& initialFolder = app.OutputPath.empty() ? app.SourceFolder : app.OutputPath;
    const std::optional<SaveChoice> choice =
        AskSavePath(kWaveFilter, PackedFileName(entry), initialFolder);
    if (!choice) return;
    const std::wstring problem = WritePacked(choice->path);
    app.OutputPath = choice->Folder();
    if (!problem.empty()) ReportEntryNotSaved(entry, problem);
}

void CompressAll() {
    AppState& app = App();
    StopPlayback();
    if (app.OutputPath.empty()) app.OutputPath = app.SourceFolder;
    std::optional<std::wstring> folder = AskOutputFolder();
    if (!folder) return;
    app.OutputPath = std::move(*folder);

    // Every entry is packed with the table in force now, the one derived for the entry
    // selected before; AnalyseSample(false) only redraws.
    std::wstring report;
    for (int i = 0; i < app.SourceCount; ++i) {
        app.SelectedIndex = i;
        SendMessageW(app.SourceList, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        LoadSource();
        AnalyseSample(false);
        PackSample();
        const std::wstring entry = ListEntryText(i);
        const std::wstring problem = SaveIntoOutputFolder(entry);
        if (!problem.empty()) report += L"\n" + entry + L": " + problem + L".";
    }
    if (!report.empty()) ReportNotSaved(L"These files were not saved:\n" + report);
}

int CALLBACK BrowseInitCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace corvane
