#include "app/source_ops.h"

#include <windows.h>

#include <climits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/summary.h"
#include "app/app_state.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "wave/source.h"

namespace corvane {

namespace {

constexpr int kFactLabels[] = {AudioFormatLabel, ChannelsLabel, BitDepthLabel,
                               SampleRateLabel,  DataSizeLabel, LengthLabel};

// The largest file a load takes in: the image size is a 32-bit signed count.
constexpr LONGLONG kLargestSource = INT_MAX;

void SetLabel(int control, const std::wstring& text) {
    SetWindowTextW(Control(control), text.c_str());
}

void ShowFacts(const FileFacts& facts) {
    for (std::size_t i = 0; i < facts.size(); ++i) SetLabel(kFactLabels[i], facts[i]);
}

// The text of list entry `index`; nothing when the list has no such entry.
std::optional<std::wstring> EntryText(int index) {
    const LRESULT length = SendMessageW(App().SourceList, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(App().SourceList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

// The whole file, or nothing when it cannot be opened, read or held. Never creates a file.
bool ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestSource) {
        try {
            bytes.resize(static_cast<std::size_t>(size.QuadPart));
            DWORD read = 0;
            ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                 read == bytes.size();
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    CloseHandle(file);
    return ok;
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

}  // namespace

bool LoadSource() {
    AppState& app = App();
    app.SampleValid = false;
    // No selection, or an index the list does not hold: nothing to load, nothing changes.
    const std::optional<std::wstring> entry =
        app.SelectedIndex == -1 ? std::nullopt : EntryText(app.SelectedIndex);
    if (!entry) return false;

    const std::wstring path = app.SourceFolder + *entry;
    std::vector<std::uint8_t> file;
    LoadedSource loaded;
    bool read = ReadWholeFile(path, file);
    if (read) {
        try {
            loaded = LoadSourceInPlace(std::move(file));  // no second copy of a long file
        } catch (const std::bad_alloc&) {
            read = false;
        }
    }
    if (!read) {
        app.WaveImage.clear();
        ShowFacts(UnreadableFileFacts());
        ClearPlots();
        return false;
    }

    app.WaveImage = std::move(loaded.image);
    app.BytesPerSample = loaded.bytesPerSample;
    app.SampleValid = loaded.valid;
    app.SourceInImage = true;
    ShowFacts(loaded.facts);
    if (!app.SampleValid) ClearPlots();
    return app.SampleValid;
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
        SendMessageW(Control(histogram ? HistogramPicture : WaveformPicture), STM_SETIMAGE,
                     IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
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
    app.HistogramPeak = stats.peak;
    app.GainSpanLow = stats.gainSpanLow;
    app.GainSpanHigh = stats.gainSpanHigh;
    DrawHistogram(stats.histogram, stats.peak, HistogramSurface());
    AttachPlot(Plot::Histogram);

    if (deriveTable) {
        app.StepTable = DeriveStepTable(app.GainSpanLow, app.GainSpanHigh);
        app.TableDerived = true;
    }

    SetLabel(FileSizeLabel, FileSizeText(samples.size()));
    SetLabel(GainSpanLabel, GainSpanText(app.GainSpanLow, app.GainSpanHigh));
    SetLabel(PeakLabel, PeakText(app.HistogramPeak));
    SetLabel(TableLabel, TableText(app.StepTable));

    for (int button : {PlaySourceButton, PlayRepackedButton, StopButton, CompressFileButton,
                       CompressAllButton}) {
        EnableWindow(Control(button), TRUE);
    }
}

void PackSample() {
    AppState& app = App();
    if (!app.SampleValid) return;
    try {
        PackedSample packed = PackSamples(LoadedSamples(), app.StepTable);
        app.PackedImage = std::move(packed.file);
        app.PackedStorable = packed.storable;
    } catch (const std::bad_alloc&) {
        app.PackedImage.clear();  // no packed file: nothing to decode or save
        app.PackedStorable = false;
    }
}

void UnpackSample() {
    AppState& app = App();
    if (!app.SampleValid || app.PackedImage.size() < kPackedHeaderSize) return;
    app.SourceInImage = false;
    const auto data = std::span<const std::uint8_t>(app.PackedImage).subspan(kPackedHeaderSize);
    DecodeInto(data, app.StepTable, MutableSamplesOf(app.WaveImage));
}

}  // namespace corvane
