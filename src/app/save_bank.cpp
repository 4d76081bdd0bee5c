#include "app/save_bank.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/source_ops.h"
#include "app/work.h"
#include "card/bank.h"
#include "files/file_io.h"
#include "files/utf16.h"
#include "text/bank_text.h"
#include "text/facts.h"

namespace corvane {
namespace {

constexpr wchar_t kAssemblerFilter[] = L"Z80 source (*.asm)\0*.asm\0";
constexpr CardMemory kWindowCardMemory = CardMemory::Basic;  // the card as it shipped

// The worker's own copies of what it reads, and what it makes.
struct BankJob {
    std::wstring sourceFolder;
    std::vector<std::wstring> entries;
    Encoder coder = Encoder::Greedy;
    Preparation how;
    Rom rom = Rom::V104;
    std::vector<BankSample> samples;
    std::wstring leftOut;  // entries refused, and why
};

void PackEntries(BankJob& job, WorkProgress& progress) {
    for (int i = 0; i < static_cast<int>(job.entries.size()); ++i) {
        if (progress.encoding.Stopped()) return;
        progress.item = i;
        progress.encoding.permille = 0;
        const std::wstring& entry = job.entries[static_cast<std::size_t>(i)];
        try {
            std::string error;
            auto bytes = ReadWholeFile(job.sourceFolder + entry, error);
            const LoadedSource loaded = bytes && !bytes->empty()
                                            ? LoadSourceInPlace(std::move(*bytes), job.how)
                                            : LoadedSource{};
            if (const Refusal refusal = BankRefusal(loaded); refusal != Refusal::None) {
                job.leftOut += L"\n" + entry + L": " + Widen(RefusalText(refusal)) + L".";
                continue;
            }
            job.samples.push_back(
                PackForBank(Narrow(entry), loaded, job.coder, job.rom, &progress.encoding));
        } catch (const std::bad_alloc&) {
            job.leftOut += L"\n" + entry + L": " + Widen(RefusalText(Refusal::OutOfMemory)) + L".";
        }
    }
}

// Back on the window's thread: the bank laid out, written when the card takes it, reported.
void FinishBank(BankJob& job, const std::wstring& path, const std::wstring& name) {
    std::wstring report;
    bool saved = false;
    if (job.samples.empty()) {
        report = L"No file could go into the bank; nothing was saved.";
    } else {
        const Bank bank = LayOutBank(std::move(job.samples), kWindowCardMemory, Narrow(name));
        for (const std::string& line : BudgetLines(bank, kWindowCardMemory)) {
            report += Widen(line) + L"\n";
        }
        std::string problem;
        if (const auto tooBig = BankTooBigOf(bank, kWindowCardMemory)) {
            problem = tooBig->text;
        } else {
            const auto made = BankFiles(bank);
            std::vector<FileToWrite> files;
            for (const BankFile& file : made)
                files.push_back({path + Widen(file.ending), file.bytes});
            std::string error;
            saved = WriteFilesReplacing(files, error);
            if (!saved) problem = "writing it failed: " + error;
        }
        report += problem.empty() ? L"\nSaved as " + path + L".asm and its pages."
                                  : L"\nThe bank was not saved: " + Widen(problem) + L".";
    }
    if (!job.leftOut.empty()) report += L"\n\nLeft out:" + job.leftOut;
    (saved ? ShowInformation : ShowWarning)(App().MainWindow, report);
}

}  // namespace

void SaveBank() {
    AppState& app = App();
    if (app.SourceCount == 0) return;
    const std::optional<SaveChoice> choice =
        AskSavePath(app.MainWindow, kAssemblerFilter, L"bank.asm",
                    PackedOutputFolder(app.OutputPath, app.SourceFolder));
    if (!choice) return;
    app.OutputPath = choice->Folder();
    std::wstring path = choice->path;
    if (path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".asm") == 0) {
        path.resize(path.size() - 4);  // the name is the bank's; its files add their endings
    }
    const std::wstring name = path.substr(choice->nameOffset);

    auto job = std::make_shared<BankJob>();
    job->sourceFolder = app.SourceFolder;
    job->coder = app.Coder;
    job->how = HowToPrepare();
    job->rom = app.CardRom;
    for (int i = 0; i < app.SourceCount; ++i)
        job->entries.push_back(ListEntryText(i).value_or(L""));
    StartWork(
        app.SourceCount, [job](WorkProgress& progress) { PackEntries(*job, progress); },
        [job, path, name](bool cancelled) {
            if (cancelled) {
                ShowWorkCount(L"Cancelled: the bank was not saved");
                return;
            }
            FinishBank(*job, path, name);
        });
}

}  // namespace corvane
