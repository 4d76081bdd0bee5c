// Loading files placed in the source list: facts, summary labels, plots and buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dispatch.h"
#include "ui_test_helper.h"

namespace corvane::uitest {
namespace {

class LoadingTest : public MainWindowTest {
  protected:
    TempFolder folder;

    std::vector<std::wstring> Facts() {
        return {ControlText(AudioFormatLabel), ControlText(ChannelsLabel),
                ControlText(BitDepthLabel),    ControlText(SampleRateLabel),
                ControlText(DataSizeLabel),    ControlText(LengthLabel)};
    }
    std::vector<std::wstring> Summary() {
        return {ControlText(FileSizeLabel), ControlText(GainSpanLabel), ControlText(PeakLabel),
                ControlText(TableLabel)};
    }
    static void ExpectPlotsWhite() {
        for (int y = 0; y < 192; ++y) {
            for (int x = 0; x < 256; ++x) ASSERT_EQ(HistogramPixel(x, y), kWhite) << x << "," << y;
        }
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 776; ++x) ASSERT_EQ(WaveformPixel(x, y), kWhite) << x << "," << y;
        }
        EXPECT_EQ(PictureBits(HistogramPicture), App().HistogramPixels);
        EXPECT_EQ(PictureBits(WaveformPicture), App().WaveformPixels);
    }
    static void ExpectButtonsEnabled(bool enabled) {
        for (int n : {PlaySourceButton, StopButton, PlayRepackedButton, CompressFileButton,
                      CompressAllButton}) {
            EXPECT_EQ(IsEnabled(n), enabled) << "control " << n;
        }
    }
};

const std::vector<std::wstring> kUnreadableFacts = {L"Audio Format: unreadable file \u2718",
                                                    L"Channels:",
                                                    L"Bit Depth:",
                                                    L"Sample Rate:",
                                                    L"Data Size:",
                                                    L"Length:"};

TEST_F(LoadingTest, SixteenBitStereoFileShowsItsFactsAndSummary) {
    // One second of 16-bit stereo silence at 44 100 Hz.
    folder.Write(L"stereo.wav", WavBytes({.channels = 2,
                                          .sampleRate = 44100,
                                          .bitsPerSample = 16,
                                          .data = std::vector<std::uint8_t>(176400, 0)}));
    FillSourceList(folder.Path(), {L"other.wav", L"stereo.wav"});
    SelectEntry(1);

    EXPECT_TRUE(App().SampleValid);
    EXPECT_TRUE(App().SourceInImage);
    EXPECT_EQ(App().SelectedIndex, 1);
    EXPECT_EQ(Facts(),
              (std::vector<std::wstring>{L"Audio Format: PCM \u2713", L"Channels: stereo \u2713",
                                         L"Bit Depth: 16 \u2713", L"Sample Rate: 44 100Hz",
                                         L"Data Size: 176 400bytes", L"Length: 1 sec."}));
    // 44 100 mono samples, every difference 0: 13 + 44 098 / 4 bytes, span 0, table for S = 0.
    EXPECT_EQ(Summary(), (std::vector<std::wstring>{L"File Size: 11 037bytes", L"Gain Span: 0 / +0",
                                                    L"44099", L"0 0 1 2 3 4 5 6 7 8 0 "}));
    EXPECT_EQ(App().WaveImage.size(), 44u + 44100u);
    ExpectButtonsEnabled(true);
}

TEST_F(LoadingTest, SmallSampleIsAnalysedAndPlotted) {
    folder.Write(L"small.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    FillSourceList(folder.Path(), {L"x.wav", L"small.wav"});
    SelectEntry(1);

    EXPECT_EQ(ControlText(LengthLabel), L"Length: 0 sec.");
    // Differences 2, -5, 5, -2, 2: only 2 occurs twice.
    EXPECT_EQ(Summary(), (std::vector<std::wstring>{L"File Size: 14bytes", L"Gain Span: 2 / +2",
                                                    L"2", L"0 0 1 2 3 4 5 6 7 8 2 "}));

    // Waveform: one dot per sample in columns 0 to 5, row 127 - value / 2; centre line row 64.
    const int rows[] = {63, 62, 65, 62, 63, 62};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(WaveformPixel(x, rows[x]), kPlotBlue) << x;
        EXPECT_EQ(WaveformPixel(x, 64), kLineOnWhite) << x;
    }
    EXPECT_EQ(WaveformPixel(6, 63), kWhite);
    EXPECT_EQ(WaveformPixel(775, 64), kLineOnWhite);
    EXPECT_EQ(WaveformPixel(0, 0), kWhite);

    // Histogram: peak 2, so only column 130 (difference +2) has a bar, rows 2 to 191.
    EXPECT_EQ(HistogramPixel(130, 1), kWhite);
    EXPECT_EQ(HistogramPixel(130, 2), kPlotBlue);
    EXPECT_EQ(HistogramPixel(130, 191), kPlotBlue);
    for (int x : {123, 126, 133}) EXPECT_EQ(HistogramPixel(x, 191), kWhite) << x;
    for (int y : {0, 100, 191}) EXPECT_EQ(HistogramPixel(128, y), kLineOnWhite) << y;

    // The pictures show exactly the buffers.
    EXPECT_EQ(PictureBits(HistogramPicture), App().HistogramPixels);
    EXPECT_EQ(PictureBits(WaveformPicture), App().WaveformPixels);
    EXPECT_EQ(App().HistogramBitmap,
              reinterpret_cast<HBITMAP>(
                  SendMessageW(Control(HistogramPicture), STM_GETIMAGE, IMAGE_BITMAP, 0)));
}

TEST_F(LoadingTest, LongSilenceDrawsDecadeLinesAndCutsTheWaveform) {
    // 1001 samples of 128: 1000 zero differences; D = 1, samples 776 on are not drawn.
    folder.Write(L"quiet.wav", WavBytes({.data = std::vector<std::uint8_t>(1001, 128)}));
    FillSourceList(folder.Path(), {L"x.wav", L"quiet.wav"});
    SelectEntry(1);

    EXPECT_EQ(ControlText(PeakLabel), L"1000");
    EXPECT_EQ(WaveformPixel(775, 63), kPlotBlue);
    EXPECT_EQ(WaveformPixel(775, 62), kWhite);
    // Decade lines for 10 and 100 on rows 128 and 65, crossed by the zero line in column 128.
    EXPECT_EQ(HistogramPixel(0, 128), kLineOnWhite);
    EXPECT_EQ(HistogramPixel(255, 65), kLineOnWhite);
    EXPECT_EQ(HistogramPixel(0, 64), kWhite);
    EXPECT_EQ(HistogramPixel(128, 128), kPlotBlue);
    EXPECT_EQ(HistogramPixel(128, 65), kPlotBlue);
    EXPECT_EQ(HistogramPixel(128, 100), kLineOnBlue);
    EXPECT_EQ(HistogramPixel(128, 1), kLineOnWhite);
}

TEST_F(LoadingTest, ReplacedBitmapsAreReleased) {
    folder.Write(L"a.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    FillSourceList(folder.Path(), {L"a.wav", L"a.wav"});
    SelectEntry(1);
    const HBITMAP histogram = App().HistogramBitmap;
    const HBITMAP waveform = App().WaveformBitmap;
    ASSERT_EQ(GetObjectType(histogram), static_cast<DWORD>(OBJ_BITMAP));
    ASSERT_EQ(GetObjectType(waveform), static_cast<DWORD>(OBJ_BITMAP));

    SelectEntry(0);
    ASSERT_NE(App().HistogramBitmap, histogram);
    ASSERT_NE(App().WaveformBitmap, waveform);
    EXPECT_EQ(GetObjectType(histogram), 0u);
    EXPECT_EQ(GetObjectType(waveform), 0u);
    EXPECT_EQ(GetObjectType(App().HistogramBitmap), static_cast<DWORD>(OBJ_BITMAP));
}

TEST_F(LoadingTest, RejectedFileClearsPlotsAndOnlyTheFirstValidAnalysisEnablesButtons) {
    folder.Write(L"good.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    folder.Write(L"bad.wav", WavBytes({.format = 3,
                                       .channels = 3,
                                       .bitsPerSample = 24,
                                       .data = std::vector<std::uint8_t>(90, 7)}));
    FillSourceList(folder.Path(), {L"good.wav", L"bad.wav"});

    SelectEntry(1);
    EXPECT_FALSE(App().SampleValid);
    EXPECT_EQ(Facts()[0], L"Audio Format: NOT PCM \u2718");
    EXPECT_EQ(Facts()[1], L"Channels: 3 \u2718");
    EXPECT_EQ(Facts()[2], L"Bit Depth: 24 \u2718");
    ExpectButtonsEnabled(false);
    ExpectPlotsWhite();
    EXPECT_EQ(ControlText(FileSizeLabel), L"File Size:");

    SelectEntry(0);
    EXPECT_TRUE(App().SampleValid);
    ExpectButtonsEnabled(true);
    const auto summary = Summary();

    SelectEntry(1);
    EXPECT_FALSE(App().SampleValid);
    ExpectButtonsEnabled(true);  // nothing disables them again
    ExpectPlotsWhite();
    EXPECT_EQ(Summary(), summary);  // the summary still describes the last valid analysis
}

TEST_F(LoadingTest, VanishedAndEmptyFilesShowAsUnreadable) {
    folder.Write(L"good.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    folder.Write(L"empty.wav", {});
    FillSourceList(folder.Path(), {L"gone.wav", L"good.wav", L"empty.wav"});
    SelectEntry(1);
    ASSERT_TRUE(App().SampleValid);
    const auto summary = Summary();

    for (int entry : {0, 2}) {
        SCOPED_TRACE(entry);
        SelectEntry(entry);
        EXPECT_FALSE(App().SampleValid);
        EXPECT_EQ(Facts(), kUnreadableFacts);
        ExpectPlotsWhite();
        EXPECT_EQ(Summary(), summary);
        ExpectButtonsEnabled(true);
        SelectEntry(1);  // back to a good file between the two
        EXPECT_TRUE(App().SampleValid);
    }
    EXPECT_FALSE(folder.Exists(L"gone.wav"));  // a vanished file is never created
}

TEST_F(LoadingTest, EmptyListNotificationStopsAndSelectsNothingOnce) {
    SendCommand(IdSourceList, LBN_SETFOCUS);
    ASSERT_EQ(SoundCalls().size(), 1u);
    EXPECT_TRUE(SoundCalls()[0].stop);
    EXPECT_EQ(App().SelectedIndex, -1);
    EXPECT_FALSE(App().SampleValid);
    EXPECT_EQ(ControlText(AudioFormatLabel), L"Audio Format:");
    EXPECT_TRUE(PictureBits(WaveformPicture).empty());
    EXPECT_FALSE(IsEnabled(PlaySourceButton));

    SendCommand(IdSourceList, LBN_KILLFOCUS);  // selection still -1: nothing happens
    EXPECT_EQ(SoundCalls().size(), 1u);
}

TEST_F(LoadingTest, NotificationsForTheLoadedEntryDoNothing) {
    folder.Write(L"a.wav", WavBytes({.data = {128, 130, 125, 130, 128, 130}}));
    FillSourceList(folder.Path(), {L"x.wav", L"a.wav"});
    SelectEntry(1);
    const auto facts = Facts();
    ClearSoundCalls();
    folder.Write(L"a.wav", WavBytes({.channels = 2, .data = {1, 2, 3, 4}}));

    for (int code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS}) SendCommand(IdSourceList, code);
    EXPECT_TRUE(SoundCalls().empty());
    EXPECT_EQ(Facts(), facts);  // not read again
}

}  // namespace
}  // namespace corvane::uitest
