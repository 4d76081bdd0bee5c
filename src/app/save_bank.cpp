#include "app/save_bank.h"

#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/bank_report.h"
#include "app/dialogs.h"
#include "app/source_ops.h"
#include "app/work.h"
#include "card/bank.h"
#include "card/bank_list.h"
#include "card/bank_tape.h"
#include "files/file_io.h"
#include "files/utf16.h"

namespace corvane {
namespace {

constexpr wchar_t kAssemblerFilter[] = L"Z80 source (*.asm)\0*.asm\0";

// The worker's own copies of what it reads, and what it makes.
struct BankJob {
    std::wstring sourceFolder;
    std::vector<std::wstring> entries;
    std::vector<BankEntry> choices;  // each entry's rate, loop and coder
    Rom rom = Rom::V104;
    bool tape = false;  // NAME.tap too
    std::vector<BankSample> samples;
    std::vector<BankEntry> packed;  // the choices of `samples`, for the bank's list
    std::vector<LeftOutFile> leftOut;
};

void PackEntries(BankJob& job, WorkProgress& progress) {
    for (int i = 0; i < static_cast<int>(job.entries.size()); ++i) {
        if (progress.encoding.Stopped()) return;
        progress.item = i;
        progress.encoding.permille = 0;
        const std::wstring& entry = job.entries[static_cast<std::size_t>(i)];
        const BankEntry& choice = job.choices[static_cast<std::size_t>(i)];
        try {
            Preparation how = PreparationFor(choice.rate, job.rom, choice.loop);
            how.wideFormats = true;    // 24- and 32-bit sources too, at any rate
            how.refuseTooLong = true;  // not converted only to be refused
            std::string error;
            auto bytes = ReadWholeFile(job.sourceFolder + entry, error);
            const LoadedSource loaded = bytes && !bytes->empty()
                                            ? LoadSourceInPlace(std::move(*bytes), how)
                                            : LoadedSource{};
            if (const Refusal refusal = BankRefusal(loaded); refusal != Refusal::None) {
                job.leftOut.push_back({entry, refusal});
                continue;
            }
            job.samples.push_back(
                PackForBank(Narrow(entry), loaded, choice.encoder, job.rom, &progress.encoding));
            job.samples.back().path = Narrow(job.sourceFolder + entry);
            job.packed.push_back(choice);
        } catch (const std::bad_alloc&) {
            job.leftOut.push_back({entry, Refusal::OutOfMemory});
        }
    }
}

// A source as the bank's list names it: from the list's folder, or whole on another drive.
std::string ListedPath(const std::wstring& source, const std::wstring& listFolder) {
    const std::filesystem::path path(source);
    const std::filesystem::path relative =
        path.lexically_relative(std::filesystem::path(listFolder).parent_path());
    return Narrow(relative.empty() ? source : relative.generic_wstring());
}

// NAME.txt: the list that makes the same bank, with the command that does it.
std::string BankListOf(const BankJob& job, const Bank& bank, const std::wstring& folder) {
    std::vector<BankEntry> entries = job.packed;
    for (BankEntry& entry : entries) {
        entry.file = ListedPath(job.sourceFolder + Widen(entry.file), folder);
    }
    const std::string about = "Bank " + bank.name + " as Corvane saved it.";
    return BankListText(entries, {about + " The same bank again, in this folder:",
                                  BankListCommand(bank.name, job.rom, bank.memory,
                                                  {bank.firstPage, bank.budget.reserved})});
}

// The report's "Save": asks for the bank's folder and name over the report, writes every file
// of the bank and its list or none; false when it was not saved (the report stays).
bool WriteBank(HWND report, const Bank& bank, const BankJob& job) {
    AppState& app = App();
    const std::optional<SaveChoice> choice =
        AskSavePath(report, kAssemblerFilter, L"bank.asm",
                    PackedOutputFolder(app.OutputPath, app.SourceFolder));
    if (!choice) return false;
    app.OutputPath = choice->Folder();
    std::wstring path = choice->path;
    if (path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".asm") == 0) {
        path.resize(path.size() - 4);  // the name is the bank's; its files add their endings
    }
    // The bank's labels and files take the name chosen.
    const Bank named =
        LayOutBank(bank.samples, bank.memory, Narrow(path.substr(choice->nameOffset)),
                   {bank.firstPage, bank.budget.reserved});
    const std::vector<BankFile> made = BankFiles(named);
    std::vector<FileToWrite> files;  // spans of `made`
    for (const BankFile& file : made) files.push_back({path + Widen(file.ending), file.bytes});
    const std::string list = BankListOf(job, named, choice->Folder());
    files.push_back(
        {path + L".txt", {reinterpret_cast<const std::uint8_t*>(list.data()), list.size()}});
    const std::vector<std::uint8_t> tape = job.tape ? BankTape(named) : std::vector<std::uint8_t>{};
    if (job.tape) files.push_back({path + L".tap", tape});
    std::string error;
    if (!WriteFilesReplacing(files, error)) {
        ShowWarning(report, L"The bank was not saved: writing it failed: " + Widen(error) + L".");
        return false;
    }
    return true;
}

}  // namespace

void SaveBank() {
    AppState& app = App();
    if (app.SourceCount == 0) return;
    auto job = std::make_shared<BankJob>();
    job->sourceFolder = app.SourceFolder;
    job->rom = app.CardRom;
    job->tape = SendMessageW(Control(Layout::TapeCheck), BM_GETCHECK, 0, 0) == BST_CHECKED;
    for (int i = 0; i < app.SourceCount; ++i) {
        job->entries.push_back(ListEntryText(i).value_or(L""));
        const SampleChoice choice = ChoiceOf(i);
        BankEntry entry;
        entry.file = Narrow(job->entries.back());
        entry.rate = choice.rate;
        entry.loop = choice.loop;
        entry.encoder = app.Coder;
        job->choices.push_back(entry);
    }
    StartWork(
        app.SourceCount, [job](WorkProgress& progress) { PackEntries(*job, progress); },
        [job](bool cancelled) {
            if (cancelled) {
                ShowWorkCount(L"Cancelled: the bank was not saved");
                return;
            }
            const auto write = [job](HWND report, const Bank& bank) {
                return WriteBank(report, bank, *job);
            };
            if (ShowBankReport(App().MainWindow, job->samples, job->leftOut, write)) {
                ShowWorkCount(L"Bank saved");
            }
        });
}

}  // namespace corvane
