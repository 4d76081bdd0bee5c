#include "app/source_ops.h"

#include <windows.h>

#include <memory>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/main_window.h"
#include "app/work.h"
#include "codec/encoder_choice.h"
#include "files/file_io.h"
#include "files/utf16.h"
#include "text/card_text.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane {

namespace {

constexpr Layout kFactLabels[] = {Layout::AudioFormatLabel, Layout::ChannelsLabel,
                                  Layout::BitDepthLabel,    Layout::SampleRateLabel,
                                  Layout::DataSizeLabel,    Layout::LengthLabel};

void ShowFacts(const FileFacts& facts) {
    for (std::size_t i = 0; i < facts.size(); ++i) SetLabel(kFactLabels[i], facts[i]);
}

std::span<std::uint8_t, kHistogramBytes> HistogramSurface() {
    return std::span<std::uint8_t, kHistogramBytes>(App().HistogramPixels.data(), kHistogramBytes);
}

std::span<std::uint8_t, kWaveformBytes> WaveformSurface() {
    return std::span<std::uint8_t, kWaveformBytes>(App().WaveformPixels.data(), kWaveformBytes);
}

// The samples of the loaded image, read-only.
std::span<const std::uint8_t> LoadedSamples() {
    return SamplesOf(std::span<const std::uint8_t>(App().WaveImage));
}

// The file read and prepared; unreadable when it cannot be read or held, or is empty.
LoadedSource ReadSource(const std::wstring& path, const Preparation& how, Progress* progress) {
    try {
        std::string error;
        auto bytes = ReadWholeFile(path, error);
        if (!bytes || bytes->empty()) return {};
        // No second copy of a long file, unless it is converted to another rate.
        return LoadSourceInPlace(std::move(*bytes), how, progress);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Takes a loaded source into the state record and shows its facts.
void TakeSource(LoadedSource loaded) {
    AppState& app = App();
    app.SourceRefusal = StoreRefusal(loaded);
    ShowFacts(FactLinesOf(loaded));
    if (loaded.refusal == Refusal::Unreadable) {
        app.WaveImage.clear();
        ClearPlots();
        return;
    }
    app.WaveImage = std::move(loaded.image);
    app.SampleValid = loaded.Valid();
    app.SourceInImage = true;
    app.SourceLoop = loaded.loop;
    app.SourceLoopProblem = loaded.loopProblem;
    app.SourceLoopKind = loaded.loopKind;
    app.SourceHasLoop = loaded.hasLoop;
    if (!app.SampleValid) ClearPlots();
    ShowCardFacts();
}

}  // namespace

std::optional<std::wstring> ListEntryText(int index) {
    if (index < 0) return std::nullopt;
    HWND list = App().SourceList;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void SetLabel(Layout label, const std::string& text) {
    SetWindowTextW(Control(label), Widen(text).c_str());
    InvalidateRect(Control(label), nullptr, TRUE);  // the labels the window draws itself too
}

void ShowCardFacts() {
    const AppState& app = App();
    EnableWindow(Control(Layout::LoopChoice), app.SourceHasLoop && !WorkRunning());
    const std::uint32_t rate = WaveHeader::From(app.WaveImage).SampleRate();
    const CardTexts texts =
        CardTextsOf(app.CardRom, rate, app.SourceLoop, app.SourceLoopProblem, app.SourceLoopKind);
    const bool shown = app.SampleValid;
    // Out of the card's range: what to do about it.
    const bool outside = NearestNote(app.CardRom, rate).range != PitchMatch::Range::Within;
    SetLabel(Layout::CardNoteLabel, shown ? texts.note : "");
    SetLabel(Layout::CardPitchLabel,
             !shown ? "" : texts.pitch + (outside ? "; " + OutOfRangeAdvice(false) : ""));
    // The core drops an ignored loop; the line still says the file had one.
    const bool ignored = app.SourceHasLoop && !app.SourceLoop;
    SetLabel(Layout::LoopLabel, !shown ? "" : ignored ? kIgnoredLoopText : texts.loop);
    SetLabel(Layout::LoopNoteLabel, shown ? texts.loopNote : "");
}

void LoadSource(std::function<void()> then) {
    AppState& app = App();
    app.SampleValid = false;
    app.SourceRefusal = Refusal::Unreadable;
    app.SourceLoop.reset();
    app.SourceLoopProblem = LoopProblem::None;
    app.SourceLoopKind = LoopKind::Forward;
    app.SourceHasLoop = false;
    ShowSampleChoice(ChoiceOf(app.SelectedIndex));
    ShowCardFacts();
    // No selection, or an index the list does not hold: nothing to load, nothing changes.
    const std::optional<std::wstring> entry = ListEntryText(app.SelectedIndex);
    if (!entry) return then();
    const std::wstring path = app.SourceFolder + *entry;
    const Preparation how = HowToPrepare();
    if (how.rate == 0 && !how.rateFor) {  // quick: no conversion
        TakeSource(ReadSource(path, how, nullptr));
        return then();
    }
    auto loaded = std::make_shared<LoadedSource>();
    StartWork(
        0,
        [loaded, path, how](WorkProgress& progress) {
            *loaded = ReadSource(path, how, &progress.encoding);
        },
        [loaded, then](bool cancelled) {
            if (cancelled) {  // nothing loaded: "▶  PLAY SOURCE" loads it again
                App().SourceInImage = false;
                ShowFacts({});
                ClearPlots();
                ShowWorkCount(L"Cancelled");
                return;
            }
            TakeSource(std::move(*loaded));
            then();
        });
}

void AttachPlot(Plot plot) {
    AppState& app = App();
    const bool histogram = plot == Plot::Histogram;
    HBITMAP& kept = histogram ? app.HistogramBitmap : app.WaveformBitmap;
    HBITMAP bitmap =
        histogram
            ? CreateBitmap(kHistogramWidth, kHistogramHeight, 1, 32, app.HistogramPixels.data())
            : CreateBitmap(kWaveformWidth, kWaveformHeight, 1, 32, app.WaveformPixels.data());
    HBITMAP replaced = kept;
    kept = bitmap;
    auto previous = reinterpret_cast<HBITMAP>(
        SendMessageW(Control(histogram ? Layout::HistogramPicture : Layout::WaveformPicture),
                     STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (replaced != nullptr) DeleteObject(replaced);
    // A picture may hand back a copy it made of the replaced bitmap.
    if (previous != nullptr && previous != replaced && previous != bitmap) DeleteObject(previous);
}

void ClearPlots() {
    AppState& app = App();
    ClearPixels(app.HistogramPixels);
    AttachPlot(Plot::Histogram);
    ClearPixels(app.WaveformPixels);
    AttachPlot(Plot::Waveform);
}

void AnalyseSample(bool deriveTable) {
    AppState& app = App();
    if (!app.SampleValid) return;
    const std::span<const std::uint8_t> samples = LoadedSamples();

    ClearPlots();
    DrawWaveform(samples, WaveformSurface());
    AttachPlot(Plot::Waveform);

    const DifferenceStats stats = ComputeDifferenceStats(samples);
    DrawHistogram(stats.histogram, stats.peak, HistogramSurface());
    AttachPlot(Plot::Histogram);

    if (deriveTable) app.StepTable = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);

    SetLabel(Layout::FileSizeLabel, FileSizeText(samples.size()));
    SetLabel(Layout::GainSpanLabel, GainSpanText(stats.gainSpanLow, stats.gainSpanHigh));
    SetLabel(Layout::PeakLabel, PeakText(stats.peak));
    SetLabel(Layout::TableLabel, TableText(app.StepTable));
    ShowCardFacts();

    for (const Layout button :
         {Layout::PlaySourceButton, Layout::PlayRepackedButton, Layout::StopButton,
          Layout::CompressFileButton, Layout::CompressAllButton, Layout::SaveBankButton,
          Layout::PlayOnCardButton}) {
        EnableWindow(Control(button), TRUE);
    }
}

namespace {

// One packing: the worker's own copies of what it reads, and what it makes.
struct Repacking {
    Encoder coder = Encoder::Greedy;
    StepTable table{};
    std::vector<std::uint8_t> source;
    std::vector<std::uint8_t> repacked;  // the source rebuilt from the packed file
    PackedSample packed;                 // empty when stopped or out of memory
    double snrDb = 0;
};

void Run(Repacking& job, Progress* progress) {
    try {
        job.repacked = job.source;
        job.packed = RepackInPlace(job.coder, job.repacked, job.table, progress);
        job.snrDb = RepackedSnrDb(job.source, job.repacked);
    } catch (const std::bad_alloc&) {
        job.packed = {};
    }
}

// Packs the loaded samples: now for the classic coder, else as long work. `then` runs on the
// window's thread with the result, unless the work was cancelled.
void Repack(std::function<void(const Repacking&)> then) {
    AppState& app = App();
    auto job = std::make_shared<Repacking>();
    try {
        job->coder = app.Coder;
        job->source.assign(LoadedSamples().begin(), LoadedSamples().end());
        job->table = app.StepTable;
        if (job->coder == Encoder::Optimal) {  // the search starts from the sample's own table
            const DifferenceStats stats = ComputeDifferenceStats(job->source);
            job->table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        }
    } catch (const std::bad_alloc&) {
        job->packed = {};
        then(*job);
        return;
    }
    if (job->coder == Encoder::Greedy) {
        Run(*job, nullptr);
        then(*job);
        return;
    }
    StartWork(
        0, [job](WorkProgress& progress) { Run(*job, &progress.encoding); },
        [job, then](bool cancelled) {
            if (cancelled) {
                ShowWorkCount(L"Cancelled");
            } else {
                then(*job);
            }
        });
}

void ShowSnr(const Repacking& job) {
    if (!job.packed.file.empty()) SetLabel(Layout::SnrLabel, SnrText(job.snrDb));
}

}  // namespace

void PackSample(std::function<void()> then) {
    if (!App().SampleValid) return then();
    Repack([then](const Repacking& job) {
        App().PackedImage = job.packed.file;
        ShowSnr(job);
        then();
    });
}

void RepackSample(std::function<void()> then) {
    if (!App().SampleValid) return then();
    Repack([then](const Repacking& job) {
        AppState& app = App();
        app.PackedImage = job.packed.file;
        if (!job.packed.file.empty()) {
            std::copy(job.repacked.begin(), job.repacked.end(),
                      MutableSamplesOf(app.WaveImage).begin());
            app.SourceInImage = false;
        }
        ShowSnr(job);
        then();
    });
}

void ShowPackedTable() {
    if (App().PackedImage.empty()) return;
    SetLabel(Layout::TableLabel, TableText(TableOf(App().PackedImage)));
}

}  // namespace corvane
