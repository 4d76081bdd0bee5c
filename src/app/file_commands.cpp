#include "app/file_commands.h"

#include <windows.h>

#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/paths.h"
#include "app/playback.h"
#include "app/source_ops.h"
#include "codec/depacker_listing.h"
#include "codec/packed_name.h"
#include "files/file_io.h"
#include "files/utf16.h"
#include "text/facts.h"

namespace corvane {

namespace {

// Why the packed file of the entry just loaded and packed cannot be written; None when it
// can. For a refused entry PackedImage may still hold the previous entry's file.
Refusal PackRefusal() {
    const AppState& app = App();
    if (app.SourceRefusal != Refusal::None) return app.SourceRefusal;
    return app.PackedImage.empty() ? Refusal::OutOfMemory : Refusal::None;
}

// Writes `bytes` at `path`; empty, or why it was not written.
std::wstring WriteFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    if (path.size() >= kPathCapacity) return L"the path " + path + L" is too long";
    std::string error;
    if (WriteFileReplacing(path, bytes, error)) return {};
    return L"writing " + path + L" failed: " + Widen(error);
}

std::wstring PackedName(const std::wstring& entry) { return Widen(PackedFileName(Narrow(entry))); }

// The entry just loaded and packed, saved at `path`; empty, or why it was not saved.
std::wstring SavePackedAt(const std::wstring& path) {
    if (const Refusal refusal = PackRefusal(); refusal != Refusal::None) {
        return Widen(RefusalText(refusal));
    }
    return WriteFile(path, App().PackedImage);
}

void ReportEntryNotSaved(const std::wstring& entry, const std::wstring& problem) {
    ShowWarning(App().MainWindow, entry + L" was not saved: " + problem + L".");
}

}  // namespace

void ChooseSourceFiles() {
    AppState& app = App();
    std::optional<SourceSelection> selection =
        AskSourceFiles(app.MainWindow, OpenDialogFolder(app.SourceFolder, app.StartupFolder));
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

void SavePacked(bool withDialog) {
    AppState& app = App();
    const std::optional<std::wstring> entry = ListEntryText(app.SelectedIndex);
    if (!entry || entry->empty()) return;

    if (!withDialog) {
        const std::wstring problem =
            SavePackedAt(BatchTargetPath(app.OutputPath, PackedName(*entry)));
        if (!problem.empty()) ReportEntryNotSaved(*entry, problem);
        return;
    }

    StopPlayback();
    LoadSource();  // the image may hold decoded samples from a repacked playback
    PackSample();  // with the table in force; no new analysis here
    if (const Refusal refusal = PackRefusal(); refusal != Refusal::None) {
        ReportEntryNotSaved(*entry, Widen(RefusalText(refusal)));
        return;
    }
    const std::optional<SaveChoice> choice =
        AskSavePath(app.MainWindow, kWaveFilter, PackedName(*entry),
                    PackedOutputFolder(app.OutputPath, app.SourceFolder));
    if (!choice) return;
    const std::wstring problem = WriteFile(choice->path, app.PackedImage);
    app.OutputPath = choice->Folder();
    if (!problem.empty()) ReportEntryNotSaved(*entry, problem);
}

void CompressAll() {
    AppState& app = App();
    StopPlayback();
    app.OutputPath = PackedOutputFolder(app.OutputPath, app.SourceFolder);
    std::optional<std::wstring> folder = AskFolder(app.MainWindow, app.OutputPath);
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
        const std::wstring entry = ListEntryText(i).value_or(L"");
        const std::wstring problem =
            SavePackedAt(BatchTargetPath(app.OutputPath, PackedName(entry)));
        if (!problem.empty()) report += L"\n" + entry + L": " + problem + L".";
    }
    if (!report.empty()) ShowWarning(app.MainWindow, L"These files were not saved:\n" + report);
}

void SaveDepacker() {
    AppState& app = App();
    const std::optional<SaveChoice> choice =
        AskSavePath(app.MainWindow, kTextFilter, L"Depacker.txt",
                    ListingFolder(app.OutputPath, app.SourceFolder, app.StartupFolder));
    if (!choice) return;
    // The folder, not the file: a following batch's browser can preselect only a folder.
    app.OutputPath = choice->Folder();

    const std::string listing = DepackerListing();
    const std::wstring problem = WriteFile(
        choice->path, {reinterpret_cast<const std::uint8_t*>(listing.data()), listing.size()});
    if (!problem.empty()) {
        ShowWarning(app.MainWindow, L"The depacker listing was not saved: " + problem + L".");
    }
}

}  // namespace corvane
