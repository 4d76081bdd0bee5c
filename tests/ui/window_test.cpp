// The selected sample's facts, summary and plots, and what playing it does to WaveImage (every
// rewrite of the image comes after a stop).
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "files/utf16.h"
#include "support/example.h"
#include "support/window_fixture.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using WindowTest = MainWindowTest;

std::vector<std::wstring> FactsShown() {
    std::vector<std::wstring> texts;
    for (int n = static_cast<int>(Layout::AudioFormatLabel);
         n <= static_cast<int>(Layout::LengthLabel); ++n) {
        texts.push_back(TextOf(ControlNumber(n)));
    }
    return texts;
}

std::vector<std::wstring> FactsOf(const Bytes& file) {
    std::vector<std::wstring> facts;
    for (const std::string& fact : FactLinesOf(LoadSourceBytes(file))) facts.push_back(Widen(fact));
    return facts;
}

// The summary labels and both pictures, as shown and as the core makes them of samples.
std::vector<Bytes> SummaryShown() {
    std::string labels;
    for (const Layout l :
         {Layout::FileSizeLabel, Layout::GainSpanLabel, Layout::PeakLabel, Layout::TableLabel}) {
        labels += Narrow(ControlText(l)) + "|";
    }
    return {Bytes(labels.begin(), labels.end()), PictureBits(Layout::HistogramPicture),
            PictureBits(Layout::WaveformPicture)};
}

std::vector<Bytes> SummaryOf(std::span<const std::uint8_t> samples, const StepTable& table) {
    Bytes histogram(kHistogramBytes), waveform(kWaveformBytes);
    ClearPixels(histogram);
    ClearPixels(waveform);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    DrawHistogram(stats.histogram, stats.peak, std::span<std::uint8_t, kHistogramBytes>(histogram));
    DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    const std::string labels = FileSizeText(samples.size()) + "|" +
                               GainSpanText(stats.gainSpanLow, stats.gainSpanHigh) + "|" +
                               PeakText(stats.peak) + "|" + TableText(table) + "|";
    return {Bytes(labels.begin(), labels.end()), histogram, waveform};
}

bool ButtonsEnabled() {
    return IsEnabled(Layout::PlaySourceButton) && IsEnabled(Layout::StopButton) &&
           IsEnabled(Layout::PlayRepackedButton) && IsEnabled(Layout::CompressFileButton) &&
           IsEnabled(Layout::CompressAllButton);
}

TEST_F(WindowTest, SelectingAFileShowsWhatTheCoreMakesOfIt) {
    for (const int id : {IdPlaySource, IdPlayRepacked, IdCompressFile}) {  // nothing listed yet
        EXPECT_TRUE(RunCommand(id, {CancelDialog()}).empty()) << id;
    }
    const Bytes stereo = Wav({1, 2, 44100, 16}, Tone(16000, 50, 100, 3)),
                bad = Wav({3, 3, 8000, 24}, Bytes(90, 7));
    source.Write(L"stereo.wav", stereo);
    source.Write(L"bad.wav", bad);
    source.Write(L"empty.wav", {});
    ListAndSelect(source.path, {L"bad.wav", L"stereo.wav", L"gone.wav", L"empty.wav"}, 0);
    const std::vector<Bytes> blank = SummaryShown();
    EXPECT_EQ(FactsShown(), FactsOf(bad));  // refused before any file was taken
    EXPECT_FALSE(ButtonsEnabled());

    SelectEntry(1);
    const LoadedSource loaded = LoadSourceBytes(stereo);
    const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
    EXPECT_EQ(App().StepTable, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
    EXPECT_TRUE(App().SampleValid && App().WaveImage == loaded.image);
    EXPECT_EQ(FactsShown(), FactsOf(stereo));
    const std::vector<Bytes> summary = SummaryOf(SamplesOf(loaded.image), App().StepTable);
    EXPECT_EQ(SummaryShown(), summary);
    EXPECT_TRUE(ButtonsEnabled());
    const HBITMAP replaced = App().HistogramBitmap;
    for (const int entry : {0, 2, 3}) {  // refused, vanished, empty
        SelectEntry(entry);
        EXPECT_EQ(FactsShown(), FactsOf(entry == 0 ? bad : Bytes{})) << entry;
        EXPECT_EQ(SummaryShown(), (std::vector<Bytes>{summary[0], blank[1], blank[2]})) << entry;
        EXPECT_TRUE(!App().SampleValid && ButtonsEnabled()) << entry;  // nothing disables them
    }
    EXPECT_EQ(GetObjectType(replaced), 0u);  // a replaced bitmap is released

    // Notifications that change no selection read nothing again.
    source.Write(L"empty.wav", stereo);
    sounds.clear();
    for (const int code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS})
        RunCommand(IdSourceList, {}, code);
    EXPECT_TRUE(sounds.empty());
    EXPECT_EQ(FactsShown(), FactsOf({}));
}

// The images one command played: a stop first, then the image played (when it plays).
std::vector<Bytes> Played(int command, bool plays = true) {
    sounds.clear();
    RunCommand(command);
    std::vector<Bytes> images;
    for (std::size_t n = 0; n < sounds.size(); ++n) {
        EXPECT_EQ(sounds[n].stop, n == 0);
        EXPECT_EQ(sounds[n].flags, static_cast<DWORD>(n == 0 ? SND_PURGE : SND_MEMORY | SND_ASYNC));
        images.push_back(sounds[n].image);
    }
    EXPECT_EQ(images.size(), plays ? 2u : 1u) << command;
    return images;
}

TEST_F(WindowTest, RepackedDecodesOnceAndSourceReadsTheFileAgain) {
    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    ListAndSelect(source.path, {L"example.wav", L"other.wav"}, 0);
    const Bytes loaded = App().WaveImage, sourceWaveform = App().WaveformPixels;
    App().StepTable = kExampleTable;   // as a derivation would have left it
    source.Write(L"example.wav", {});  // from here on a read would fail
    EXPECT_EQ(Played(IdPlaySource), (std::vector<Bytes>{loaded, loaded}));  // not read again

    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    Bytes repacked(loaded.begin(), loaded.begin() + 44);
    repacked.insert(repacked.end(), kExampleDecoded.begin(), kExampleDecoded.end());
    repacked.push_back(200);  // the last sample has no code and keeps its value
    EXPECT_EQ(Played(IdPlayRepacked), (std::vector<Bytes>{loaded, repacked}));
    EXPECT_EQ(App().PackedImage, kExampleFile);
    // The plots and the summary show the decoded samples; the table stays.
    EXPECT_EQ(SummaryShown(), SummaryOf(SamplesOf(repacked), kExampleTable));

    source.Write(L"example.wav", {});  // pressing again neither reads nor packs
    App().PackedImage.clear();
    EXPECT_EQ(Played(IdPlayRepacked)[1], repacked);
    EXPECT_TRUE(App().PackedImage.empty());
    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    EXPECT_EQ(Played(IdPlaySource), (std::vector<Bytes>{repacked, loaded}));  // stop, then read
    EXPECT_EQ(App().WaveformPixels, sourceWaveform);
    EXPECT_EQ(ControlText(Layout::TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");  // not derived

    // Selecting another entry stops before the image is read; a refused file is never played.
    source.Write(L"other.wav", Wav({1, 1, 8000, 12}, {1, 2, 3, 4}));
    SendMessageW(App().SourceList, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(Played(IdSourceList, false), std::vector<Bytes>{loaded});
    for (const int command : {IdPlaySource, IdPlayRepacked, IdStop}) Played(command, false);
}

}  // namespace
}  // namespace corvane::uitest
