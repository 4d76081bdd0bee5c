// Selecting entries of the source list: facts, summary labels, plots and buttons.
#include <gtest/gtest.h>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "files/utf16.h"
#include "support/window_fixture.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using LoadingTest = MainWindowTest;

constexpr Layout kButtons[] = {Layout::PlaySourceButton, Layout::StopButton,
                               Layout::PlayRepackedButton, Layout::CompressFileButton,
                               Layout::CompressAllButton};

std::vector<std::wstring> Labels(std::initializer_list<Layout> labels) {
    std::vector<std::wstring> texts;
    for (const Layout label : labels) texts.push_back(ControlText(label));
    return texts;
}

std::vector<std::wstring> Wide(std::initializer_list<std::string> texts) {
    std::vector<std::wstring> wide;
    for (const std::string& text : texts) wide.push_back(Widen(text));
    return wide;
}

std::vector<std::wstring> FactLabels() {
    return Labels({Layout::AudioFormatLabel, Layout::ChannelsLabel, Layout::BitDepthLabel,
                   Layout::SampleRateLabel, Layout::DataSizeLabel, Layout::LengthLabel});
}

std::vector<std::wstring> Facts(const Bytes& file) {
    const FileFacts f = FactLinesOf(LoadSourceBytes(file));
    return Wide({f[0], f[1], f[2], f[3], f[4], f[5]});
}

std::vector<std::wstring> Summary() {
    return Labels(
        {Layout::FileSizeLabel, Layout::GainSpanLabel, Layout::PeakLabel, Layout::TableLabel});
}

bool ButtonsEnabled() { return std::all_of(std::begin(kButtons), std::end(kButtons), IsEnabled); }

bool PlotsWhite() {
    Bytes white(kHistogramBytes), whiteWave(kWaveformBytes);
    ClearPixels(white);
    ClearPixels(whiteWave);
    return App().HistogramPixels == white && App().WaveformPixels == whiteWave &&
           PictureBits(Layout::HistogramPicture) == white &&
           PictureBits(Layout::WaveformPicture) == whiteWave;
}

// A 16-bit stereo file: the labels, pictures and table are the core's for its samples.
TEST_F(LoadingTest, AFileShowsWhatTheCoreMakesOfIt) {
    Bytes data;
    for (const std::uint8_t s : Tone(8000, 50, 100, 3)) PutU16(data, (s - 128u) << 8);
    const Bytes stereo = Wav({1, 2, 44100, 16}, data);
    source.Write(L"stereo.wav", stereo);
    FillSourceList(source.Path(), {L"x.wav", L"stereo.wav"});
    SelectEntry(1);
    ASSERT_TRUE(App().SampleValid);
    EXPECT_EQ(FactLabels(), Facts(stereo));

    const LoadedSource loaded = LoadSourceBytes(stereo);
    EXPECT_EQ(App().WaveImage, loaded.image);
    const auto samples = SamplesOf(loaded.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    EXPECT_EQ(App().StepTable, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
    EXPECT_EQ(Summary(), Wide({FileSizeText(samples.size()),
                               GainSpanText(stats.gainSpanLow, stats.gainSpanHigh),
                               PeakText(stats.peak), TableText(App().StepTable)}));
    Bytes histogram(kHistogramBytes), waveform(kWaveformBytes);
    ClearPixels(histogram);
    ClearPixels(waveform);
    DrawHistogram(stats.histogram, stats.peak, std::span<std::uint8_t, kHistogramBytes>(histogram));
    DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    EXPECT_EQ(PictureBits(Layout::HistogramPicture), histogram);
    EXPECT_EQ(PictureBits(Layout::WaveformPicture), waveform);
    EXPECT_TRUE(ButtonsEnabled());

    // Selecting again releases the bitmaps the pictures showed.
    const HBITMAP shown = App().HistogramBitmap;
    ASSERT_EQ(GetObjectType(shown), static_cast<DWORD>(OBJ_BITMAP));
    SelectEntry(0);
    EXPECT_EQ(GetObjectType(shown), 0u);
}

// Refused, vanished and empty files: their facts, white plots, and nothing else changes.
TEST_F(LoadingTest, FilesThatCannotBeWorkedWith) {
    const Bytes good = Wav({1, 1, 8000, 8}, {128, 130, 125, 130, 128, 130});
    const Bytes bad = Wav({3, 3, 8000, 24}, Bytes(90, 7));
    source.Write(L"good.wav", good);
    source.Write(L"bad.wav", bad);
    source.Write(L"empty.wav", {});
    FillSourceList(source.Path(), {L"bad.wav", L"good.wav", L"gone.wav", L"empty.wav"});
    App().SelectedIndex = -1;
    SelectEntry(0);  // before any valid file: the buttons stay disabled
    EXPECT_FALSE(App().SampleValid);
    EXPECT_EQ(FactLabels(), Facts(bad));
    EXPECT_TRUE(PlotsWhite());
    EXPECT_FALSE(IsEnabled(Layout::PlaySourceButton));
    EXPECT_EQ(ControlText(Layout::FileSizeLabel), L"File Size:");

    SelectEntry(1);
    ASSERT_TRUE(App().SampleValid);
    const auto summary = Summary();
    for (const int entry : {0, 2, 3}) {
        SelectEntry(entry);
        EXPECT_FALSE(App().SampleValid) << entry;
        EXPECT_EQ(FactLabels(), Facts(entry == 0 ? bad : Bytes{})) << entry;
        EXPECT_TRUE(PlotsWhite()) << entry;
        EXPECT_EQ(Summary(), summary) << entry;  // still the last valid analysis
        EXPECT_TRUE(ButtonsEnabled()) << entry;  // nothing disables them again
        SelectEntry(1);
    }
    EXPECT_EQ(source.Names(), (std::vector<std::wstring>{L"bad.wav", L"empty.wav", L"good.wav"}));
}

TEST_F(LoadingTest, NotificationsThatChangeNoSelectionDoNothing) {
    SendCommand(IdSourceList, LBN_SETFOCUS);  // the empty list's first notification
    ASSERT_EQ(Sounds().size(), 1u);
    EXPECT_TRUE(Sounds()[0].stop);
    EXPECT_EQ(App().SelectedIndex, -1);
    EXPECT_EQ(ControlText(Layout::AudioFormatLabel), L"Audio Format:");
    SendCommand(IdSourceList, LBN_KILLFOCUS);
    EXPECT_EQ(Sounds().size(), 1u);

    source.Write(L"a.wav", Wav({1, 1, 8000, 8}, {128, 130, 125, 130, 128, 130}));
    FillSourceList(source.Path(), {L"x.wav", L"a.wav"});
    SelectEntry(1);
    const auto facts = FactLabels();
    Sounds().clear();
    source.Write(L"a.wav", Wav({1, 2, 8000, 8}, {1, 2, 3, 4}));
    for (const int code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS})
        SendCommand(IdSourceList, code);
    EXPECT_TRUE(Sounds().empty());
    EXPECT_EQ(FactLabels(), facts);  // not read again
}

}  // namespace
}  // namespace corvane::uitest
