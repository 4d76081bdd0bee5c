// The selected sample: its facts, summary and plots, and what playing it does to WaveImage
// (every rewrite of the image comes after a stop).
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "files/utf16.h"
#include "support/example.h"
#include "support/window_fixture.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using SampleTest = MainWindowTest;

constexpr Layout kFacts[] = {Layout::AudioFormatLabel, Layout::ChannelsLabel, Layout::BitDepthLabel,
                             Layout::SampleRateLabel,  Layout::DataSizeLabel, Layout::LengthLabel};
constexpr Layout kSummary[] = {Layout::FileSizeLabel, Layout::GainSpanLabel, Layout::PeakLabel,
                               Layout::TableLabel};
constexpr Layout kButtons[] = {Layout::PlaySourceButton, Layout::StopButton,
                               Layout::PlayRepackedButton, Layout::CompressFileButton,
                               Layout::CompressAllButton};

template <std::size_t n>
std::vector<std::wstring> Texts(const Layout (&labels)[n]) {
    std::vector<std::wstring> texts;
    for (const Layout label : labels) texts.push_back(ControlText(label));
    return texts;
}

std::vector<std::wstring> FactsOf(const Bytes& file) {
    std::vector<std::wstring> facts;
    for (const std::string& fact : FactLinesOf(LoadSourceBytes(file))) facts.push_back(Widen(fact));
    return facts;
}

bool ButtonsEnabled() { return std::all_of(std::begin(kButtons), std::end(kButtons), IsEnabled); }

// The pixels both pictures show: the core's drawing of these samples (none: plain white).
std::pair<Bytes, Bytes> Pictures(std::span<const std::uint8_t> samples, bool drawn) {
    Bytes histogram(kHistogramBytes), waveform(kWaveformBytes);
    ClearPixels(histogram);
    ClearPixels(waveform);
    if (drawn) {
        const DifferenceStats stats = ComputeDifferenceStats(samples);
        DrawHistogram(stats.histogram, stats.peak,
                      std::span<std::uint8_t, kHistogramBytes>(histogram));
        DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    }
    return {histogram, waveform};
}

std::pair<Bytes, Bytes> PicturesShown() {
    return {PictureBits(Layout::HistogramPicture), PictureBits(Layout::WaveformPicture)};
}

TEST_F(SampleTest, SelectingAFileShowsWhatTheCoreMakesOfIt) {
    Bytes data;
    for (const std::uint8_t s : Tone(8000, 50, 100, 3)) PutU16(data, (s - 128u) << 8);
    const Bytes stereo = Wav({1, 2, 44100, 16}, data), bad = Wav({3, 3, 8000, 24}, Bytes(90, 7));
    source.Write(L"stereo.wav", stereo);
    source.Write(L"bad.wav", bad);
    source.Write(L"empty.wav", {});
    ListAndSelect(source.path, {L"bad.wav", L"stereo.wav", L"gone.wav", L"empty.wav"}, 0);
    EXPECT_EQ(Texts(kFacts), FactsOf(bad));  // refused before any file was taken
    EXPECT_EQ(PicturesShown(), Pictures({}, false));
    EXPECT_FALSE(ButtonsEnabled());
    EXPECT_EQ(ControlText(Layout::FileSizeLabel), L"File Size:");

    SelectEntry(1);
    const LoadedSource loaded = LoadSourceBytes(stereo);
    const auto samples = SamplesOf(loaded.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    ASSERT_TRUE(App().SampleValid);
    EXPECT_EQ(App().WaveImage, loaded.image);
    EXPECT_EQ(App().StepTable, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
    EXPECT_EQ(Texts(kFacts), FactsOf(stereo));
    const std::vector<std::wstring> summary = {
        Widen(FileSizeText(samples.size())),
        Widen(GainSpanText(stats.gainSpanLow, stats.gainSpanHigh)), Widen(PeakText(stats.peak)),
        Widen(TableText(App().StepTable))};
    EXPECT_EQ(Texts(kSummary), summary);
    EXPECT_EQ(PicturesShown(), Pictures(samples, true));
    EXPECT_TRUE(ButtonsEnabled());

    const HBITMAP shown = App().HistogramBitmap;
    for (const int entry : {0, 2, 3}) {  // refused, vanished, empty
        SelectEntry(entry);
        EXPECT_FALSE(App().SampleValid) << entry;
        EXPECT_EQ(Texts(kFacts), FactsOf(entry == 0 ? bad : Bytes{})) << entry;
        EXPECT_EQ(PicturesShown(), Pictures({}, false)) << entry;
        EXPECT_EQ(Texts(kSummary), summary) << entry;  // still the last valid analysis
        EXPECT_TRUE(ButtonsEnabled()) << entry;        // nothing disables them again
    }
    EXPECT_EQ(GetObjectType(shown), 0u);  // a replaced bitmap is released
    EXPECT_EQ(source.Names(), (std::vector<std::wstring>{L"bad.wav", L"empty.wav", L"stereo.wav"}));

    // Notifications that change no selection read nothing again.
    const auto facts = Texts(kFacts);
    source.Write(L"empty.wav", stereo);
    Sounds().clear();
    for (const int code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS})
        RunCommand(IdSourceList, {}, code);
    EXPECT_TRUE(Sounds().empty());
    EXPECT_EQ(Texts(kFacts), facts);
}

class PlaybackTest : public MainWindowTest {
  protected:
    Bytes loaded;  // the example's image as loaded
    void SetUp() override {
        MainWindowTest::SetUp();
        source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
        ListAndSelect(source.path, {L"example.wav", L"other.wav"}, 0);
        loaded = App().WaveImage;
        App().StepTable = kExampleTable;  // as a derivation would have left it
        Sounds().clear();
    }
    // The calls of one command: a stop, then the image played (when `plays`); returns what
    // the stop and the play saw.
    static std::pair<Bytes, Bytes> StopThenPlay(int command, bool plays = true) {
        Sounds().clear();
        RunCommand(command);
        EXPECT_EQ(Sounds().size(), plays ? 2u : 1u) << command;
        if (Sounds().size() != (plays ? 2u : 1u)) return {};
        EXPECT_TRUE(Sounds()[0].stop);
        EXPECT_EQ(Sounds()[0].flags, static_cast<DWORD>(SND_PURGE));
        if (!plays) return {Sounds()[0].image, {}};
        EXPECT_EQ(Sounds()[1].flags, static_cast<DWORD>(SND_MEMORY | SND_ASYNC));
        return {Sounds()[0].image, Sounds()[1].image};
    }
};

TEST_F(PlaybackTest, RepackedDecodesOnceAndSourceReadsTheFileAgain) {
    source.Write(L"example.wav", {});                      // from here on a read would fail
    EXPECT_EQ(StopThenPlay(IdPlaySource).second, loaded);  // the same image, not read again
    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));

    const Bytes sourceWaveform = App().WaveformPixels;
    Bytes repacked(loaded.begin(), loaded.begin() + 44);
    repacked.insert(repacked.end(), kExampleDecoded.begin(), kExampleDecoded.end());
    repacked.push_back(200);  // the last sample has no code and keeps its value
    EXPECT_EQ(StopThenPlay(IdPlayRepacked), std::pair(loaded, repacked));
    EXPECT_EQ(App().PackedImage, kExampleFile);
    // The plots and the summary show the decoded samples; the table stays.
    EXPECT_EQ(ControlText(Layout::GainSpanLabel), L"Gain Span: -11 / +-11");
    EXPECT_EQ(ControlText(Layout::TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");
    EXPECT_NE(App().WaveformPixels, sourceWaveform);

    source.Write(L"example.wav", {});  // pressing again neither reads nor packs
    App().PackedImage.clear();
    EXPECT_EQ(StopThenPlay(IdPlayRepacked).second, repacked);
    EXPECT_TRUE(App().PackedImage.empty());

    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    EXPECT_EQ(StopThenPlay(IdPlaySource), std::pair(repacked, loaded));  // stopped, then read
    EXPECT_EQ(App().WaveformPixels, sourceWaveform);
    EXPECT_EQ(ControlText(Layout::TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");  // not derived

    // Selecting another entry stops before the image is read; a refused file is never played;
    // the About page leaves playback alone.
    source.Write(L"other.wav", Wav({1, 1, 8000, 12}, {1, 2, 3, 4}));
    Sounds().clear();
    SelectEntry(1);
    ASSERT_EQ(Sounds().size(), 1u);
    EXPECT_EQ(Sounds()[0].image, loaded);
    for (const int command : {IdPlaySource, IdPlayRepacked, IdStop}) StopThenPlay(command, false);
    Sounds().clear();
    RunCommand(IdAbout);
    RunCommand(IdBack);
    EXPECT_TRUE(Sounds().empty());
}

TEST_F(PlaybackTest, TinyAndOverlongSourcesPlayRepackedWithinTheirImage) {
    Bytes cut = Wav({1, 1, 8000, 8}, {});
    cut.resize(36);  // cut off after bits per sample: no data size, no samples
    Bytes longSource(262146);
    for (std::size_t i = 0; i < longSource.size(); ++i)
        longSource[i] = static_cast<std::uint8_t>(96 + i % 64);
    source.Write(L"cut.wav", cut);
    source.Write(L"one.wav", Wav({1, 1, 8000, 8}, {77}));
    source.Write(L"long.wav", Wav({1, 1, 8000, 8}, longSource));
    ListAndSelect(source.path, {L"cut.wav", L"one.wav", L"long.wav"}, 0);
    EXPECT_EQ(StopThenPlay(IdPlayRepacked).second.size(), 44u);
    EXPECT_EQ(App().PackedImage.size(), 13u);
    SelectEntry(1);
    EXPECT_EQ(StopThenPlay(IdPlayRepacked).second.back(), 128);

    SelectEntry(2);
    EXPECT_EQ(ControlText(Layout::FileSizeLabel), L"File Size: 65 549bytes \u2718");
    const Bytes played = StopThenPlay(IdPlayRepacked).second;
    ASSERT_EQ(played.size(), 44 + longSource.size());
    EXPECT_EQ(played[44], 128);
    EXPECT_EQ(played.back(), longSource.back());  // the one sample past the last full byte
    EXPECT_NE(Bytes(played.begin() + 44, played.end()), longSource);
}

}  // namespace
}  // namespace corvane::uitest
