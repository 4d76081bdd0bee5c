#include "app/file_commands.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/paths.h"
#include "app/playback.h"
#include "app/source_ops.h"
#include "app/work.h"
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
std::wstring SaveFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    if (path.size() >= kPathCapacity) return L"the path " + path + L" is too long";
    std::string error;
    if (WriteFileReplacing(path, bytes, error)) return {};
    return L"writing " + path + L" failed: " + Widen(error);
}

std::wstring PackedName(const std::wstring& entry) { return Widen(PackedFileName(Narrow(entry))); }

void ReportEntryNotSaved(const std::wstring& entry, const std::wstring& problem) {
    ShowWarning(App().MainWindow, entry + L" was not saved: " + problem + L".");
}

// Fills the source list as choosing files does, then loads and analyses the first of them.
void TakeSourceFiles(SourceSelection selection) {
    AppState& app = App();
    StopPlayback();  // loading the first file below rewrites WaveImage
    ClearPlots();
    SendMessageW(app.SourceList, LB_RESETCONTENT, 0, 0);
    app.SourceFolder = std::move(selection.folder);
    app.SourceCount = 0;
    for (const std::wstring& name : selection.names) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ++app.SourceCount;
    }
    app.Choices.assign(static_cast<std::size_t>(app.SourceCount), app.LastChoice);
    SendMessageW(app.SourceList, LB_SETCURSEL, 0, 0);
    app.SelectedIndex = 0;
    LoadSource([] { AnalyseSample(true); });
}

// The entry just loaded and packed, saved through the save dialog.
void SaveWhatWasPacked(const std::wstring& entry) {
    AppState& app = App();
    if (const Refusal refusal = PackRefusal(); refusal != Refusal::None) {
        ReportEntryNotSaved(entry, Widen(RefusalText(refusal)));
        return;
    }
    ShowPackedTable();
    const std::optional<SaveChoice> choice =
        AskSavePath(app.MainWindow, kWaveFilter, PackedName(entry),
                    PackedOutputFolder(app.OutputPath, app.SourceFolder));
    if (!choice) return;
    const std::wstring problem = SaveFile(choice->path, app.PackedImage);
    app.OutputPath = choice->Folder();
    if (!problem.empty()) ReportEntryNotSaved(entry, problem);
}

// A batch: its worker's own copies of what it reads, and what it makes.
struct Batch {
    std::wstring sourceFolder, outputFolder;
    std::vector<std::wstring> entries;
    StepTable table{};
    Encoder coder = Encoder::Greedy;
    std::vector<Preparation> how;  // each entry's, as its rate and loop choice say
    int reached = -1;              // the last entry started
    int saved = 0;                 // files written
    std::wstring report;           // entries not saved, and why
    std::optional<std::vector<std::uint8_t>> lastPacked;
};

// Packs one entry of the batch into its folder; empty, or why it was not saved.
std::wstring SaveBatchEntry(Batch& batch, int index, Progress& progress) {
    const std::wstring& entry = batch.entries[static_cast<std::size_t>(index)];
    std::string error;
    auto bytes = ReadWholeFile(batch.sourceFolder + entry, error);
    const LoadedSource loaded =
        bytes && !bytes->empty()
            ? LoadSourceInPlace(std::move(*bytes), batch.how[static_cast<std::size_t>(index)])
            : LoadedSource{};
    if (const Refusal refusal = StoreRefusal(loaded); refusal != Refusal::None) {
        return Widen(RefusalText(refusal));
    }
    const auto samples = SamplesOf(loaded.image);
    StepTable table = batch.table;  // the table in force, but for the optimal coder's own
    if (batch.coder == Encoder::Optimal) {
        const DifferenceStats stats = ComputeDifferenceStats(samples);
        table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    }
    PackedSample packed = PackWithEncoder(batch.coder, samples, table, nullptr, &progress);
    if (progress.Stopped()) return {};
    if (packed.file.empty()) return Widen(RefusalText(Refusal::OutOfMemory));
    const std::wstring problem =
        SaveFile(BatchTargetPath(batch.outputFolder, PackedName(entry)), packed.file);
    batch.lastPacked = std::move(packed.file);
    if (problem.empty()) ++batch.saved;
    return problem;
}

void RunBatch(Batch& batch, WorkProgress& progress) {
    for (int i = 0; i < static_cast<int>(batch.entries.size()); ++i) {
        if (progress.encoding.Stopped()) return;
        progress.item = i;
        progress.encoding.permille = 0;
        batch.reached = i;
        const std::wstring& entry = batch.entries[static_cast<std::size_t>(i)];
        std::wstring problem;
        try {
            problem = SaveBatchEntry(batch, i, progress.encoding);
        } catch (const std::bad_alloc&) {
            problem = Widen(RefusalText(Refusal::OutOfMemory));
        }
        if (!problem.empty()) batch.report += L"\n" + entry + L": " + problem + L".";
    }
}

// Back on the window's thread: the last entry reached is selected and shown, as after packing
// each entry in turn, and what was not saved is reported.
void FinishBatch(const Batch& batch, bool cancelled) {
    AppState& app = App();
    if (batch.reached >= 0) {
        app.SelectedIndex = batch.reached;
        SendMessageW(app.SourceList, LB_SETCURSEL, static_cast<WPARAM>(batch.reached), 0);
        LoadSource([packed = batch.lastPacked] {
            AnalyseSample(false);
            if (packed) App().PackedImage = *packed;
        });
    }
    if (cancelled) {
        ShowWorkCount(L"Cancelled: " + std::to_wstring(batch.saved) + L" of " +
                      std::to_wstring(batch.entries.size()) + L" saved");
    }
    if (!batch.report.empty())
        ShowWarning(app.MainWindow, L"These files were not saved:\n" + batch.report);
}

}  // namespace

void ChooseSourceFiles() {
    AppState& app = App();
    bool tooMany = false;
    std::optional<SourceSelection> selection = AskSourceFiles(
        app.MainWindow, OpenDialogFolder(app.SourceFolder, app.StartupFolder), tooMany);
    if (tooMany) {
        ShowWarning(app.MainWindow,
                    L"The names of the files chosen do not fit in one choice. Nothing was "
                    L"opened: choose fewer files at a time.");
    }
    if (!selection || selection->folder.size() >= kPathCapacity) return;
    TakeSourceFiles(std::move(*selection));
}

void TakeDroppedFiles(HDROP drop) {
    std::vector<DroppedItem> items(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    for (UINT i = 0; i < items.size(); ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        const DWORD attributes = GetFileAttributesW(path.c_str());
        items[i] = {path, attributes != INVALID_FILE_ATTRIBUTES &&
                              (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
    }
    DragFinish(drop);
    if (WorkRunning()) return;
    DroppedFiles dropped = SortDroppedFiles(items);
    if (!dropped.taken.names.empty() && dropped.taken.folder.size() < kPathCapacity) {
        TakeSourceFiles(std::move(dropped.taken));
    }
    if (!dropped.leftOut.empty()) {
        std::wstring names;
        for (const std::wstring& path : dropped.leftOut) names += L"\n" + path;
        ShowWarning(
            App().MainWindow,
            L"Only WAV files from the folder of the first one are listed. Left out:\n" + names);
    }
}

void SavePacked() {
    AppState& app = App();
    const std::optional<std::wstring> entry = ListEntryText(app.SelectedIndex);
    if (!entry || entry->empty()) return;
    StopPlayback();
    const bool decoded = !app.SourceInImage;  // samples of a repacked playback, and their plots
    LoadSource([decoded, entry = *entry] {
        if (decoded) AnalyseSample(false);
        PackSample([entry] { SaveWhatWasPacked(entry); });
    });
}

void CompressAll() {
    AppState& app = App();
    StopPlayback();
    app.OutputPath = PackedOutputFolder(app.OutputPath, app.SourceFolder);
    std::optional<std::wstring> folder = AskFolder(app.MainWindow, app.OutputPath);
    if (!folder) return;
    app.OutputPath = std::move(*folder);

    // Every entry is packed with the table in force now, the one derived for the entry
    // selected before (the optimal coder searches each entry's own).
    auto batch = std::make_shared<Batch>();
    batch->sourceFolder = app.SourceFolder;
    batch->outputFolder = app.OutputPath;
    batch->table = app.StepTable;
    batch->coder = app.Coder;
    for (int i = 0; i < app.SourceCount; ++i) {
        batch->entries.push_back(ListEntryText(i).value_or(L""));
        batch->how.push_back(HowToPrepare(i));
    }
    StartWork(
        app.SourceCount, [batch](WorkProgress& progress) { RunBatch(*batch, progress); },
        [batch](bool cancelled) { FinishBatch(*batch, cancelled); });
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
    const std::wstring problem = SaveFile(
        choice->path, {reinterpret_cast<const std::uint8_t*>(listing.data()), listing.size()});
    if (!problem.empty()) {
        ShowWarning(app.MainWindow, L"The depacker listing was not saved: " + problem + L".");
    }
}

}  // namespace corvane
