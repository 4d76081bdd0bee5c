// Play source / play repacked: what WaveImage holds, when it is rewritten, and that every
// rewrite is preceded by a stop.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <string>
#include <vector>

#include "app/dispatch.h"
#include "ui_test_helper.h"

namespace corvane::uitest {
namespace {

// The worked example of the packed format: its source, table, file and decoded samples.
const std::vector<std::uint8_t> kSource = {128, 140, 160, 170, 165, 150, 120,
                                           100, 90,  95,  110, 128, 128, 200};
const StepTable kExampleTable = {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
const std::vector<std::uint8_t> kPackedFile = {0x03, 0x00, 0,  0,  1,  2,    3,    4,
                                               5,    7,    11, 20, 45, 0x55, 0x7F, 0x90};
const std::vector<std::uint8_t> kRepacked = {128, 129, 131, 134, 138, 143, 136,
                                             125, 105, 94,  114, 125, 132, 200};

std::vector<std::uint8_t> SamplesIn(const std::vector<std::uint8_t>& image) {
    return {image.begin() + 44, image.end()};
}

class PlaybackTest : public MainWindowTest {
  protected:
    TempFolder folder;
    std::vector<std::uint8_t> loadedImage;

    void SetUp() override {
        MainWindowTest::SetUp();
        folder.Write(L"example.wav", WavBytes({.data = kSource}));
        FillSourceList(folder.Path(), {L"x.wav", L"example.wav"});
        SelectEntry(1);
        ASSERT_TRUE(App().SampleValid);
        loadedImage = App().WaveImage;
        ASSERT_EQ(SamplesIn(loadedImage), kSource);
        ClearSoundCalls();
    }

    // The calls of one command: a stop, then (when `plays`) the image played.
    static void ExpectStopThenPlay(bool plays) {
        ASSERT_EQ(SoundCalls().size(), plays ? 2u : 1u);
        EXPECT_TRUE(SoundCalls()[0].stop);
        EXPECT_EQ(SoundCalls()[0].flags, static_cast<DWORD>(SND_PURGE));
        if (plays) {
            EXPECT_FALSE(SoundCalls()[1].stop);
            EXPECT_EQ(SoundCalls()[1].flags, static_cast<DWORD>(SND_MEMORY | SND_ASYNC));
            EXPECT_TRUE(SoundCalls()[1].playsWaveImage);
        }
    }
};

TEST_F(PlaybackTest, PlaySourceTwiceRestartsTheSameImageWithoutReading) {
    SendCommand(IdPlaySource, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SoundCalls()[1].image, loadedImage);

    folder.Remove(L"example.wav");  // a second read would now fail
    ClearSoundCalls();
    SendCommand(IdPlaySource, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SoundCalls()[1].image, loadedImage);
    EXPECT_TRUE(App().SampleValid);
}

TEST_F(PlaybackTest, PlayRepackedDecodesOnceAndPlaySourceReadsTheFileAgain) {
    const auto sourceWaveform = App().WaveformPixels;
    const std::wstring sourceGainSpan = ControlText(GainSpanLabel);
    App().StepTable = kExampleTable;  // the table in force, as a derivation would leave it

    SendCommand(IdPlayRepacked, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SoundCalls()[0].image, loadedImage);  // stopped before the image was rewritten
    EXPECT_EQ(App().PackedImage, kPackedFile);
    EXPECT_EQ(SamplesIn(SoundCalls()[1].image), kRepacked);
    EXPECT_EQ(std::vector<std::uint8_t>(App().WaveImage.begin(), App().WaveImage.begin() + 44),
              std::vector<std::uint8_t>(loadedImage.begin(), loadedImage.begin() + 44));
    EXPECT_FALSE(App().SourceInImage);
    // The summary now describes the decoded samples (only -11 occurs twice); the table stays.
    EXPECT_EQ(ControlText(GainSpanLabel), L"Gain Span: -11 / +-11");
    EXPECT_EQ(ControlText(TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");
    EXPECT_NE(App().WaveformPixels, sourceWaveform);

    folder.Remove(L"example.wav");  // pressing again must neither read nor encode
    App().PackedImage.clear();
    ClearSoundCalls();
    SendCommand(IdPlayRepacked, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SamplesIn(SoundCalls()[1].image), kRepacked);
    EXPECT_TRUE(App().PackedImage.empty());

    folder.Write(L"example.wav", WavBytes({.data = kSource}));
    ClearSoundCalls();
    SendCommand(IdPlaySource, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SamplesIn(SoundCalls()[0].image), kRepacked);  // stopped before reloading
    EXPECT_EQ(SoundCalls()[1].image, loadedImage);
    EXPECT_TRUE(App().SourceInImage);
    EXPECT_EQ(App().WaveformPixels, sourceWaveform);
    EXPECT_EQ(ControlText(GainSpanLabel), sourceGainSpan);
    EXPECT_EQ(ControlText(TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");  // no new derivation
}

TEST_F(PlaybackTest, SelectingAnotherEntryStopsBeforeReloading) {
    folder.Write(L"other.wav", WavBytes({.data = {1, 2, 3, 4, 5, 6, 7, 8}}));
    FillSourceList(folder.Path(), {L"other.wav", L"example.wav"});
    SendMessageW(App().SourceList, LB_SETCURSEL, 1, 0);
    SendCommand(IdPlaySource, BN_CLICKED);
    ClearSoundCalls();

    SelectEntry(0);
    ExpectStopThenPlay(false);
    EXPECT_EQ(SoundCalls()[0].image, loadedImage);
    EXPECT_EQ(SamplesIn(App().WaveImage), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PlaybackTest, InvalidFileIsNeverPlayed) {
    folder.Write(L"bad.wav", WavBytes({.bitsPerSample = 12, .data = {1, 2, 3, 4}}));
    FillSourceList(folder.Path(), {L"bad.wav", L"example.wav"});
    SelectEntry(0);
    ASSERT_FALSE(App().SampleValid);

    for (int command : {IdPlaySource, IdPlayRepacked, IdPlaySource}) {
        ClearSoundCalls();
        SendCommand(command, BN_CLICKED);
        ExpectStopThenPlay(false);
    }
}

TEST_F(PlaybackTest, StopOnlyStops) {
    SendCommand(IdStop, BN_CLICKED);
    ExpectStopThenPlay(false);
    EXPECT_EQ(App().WaveImage, loadedImage);
    EXPECT_TRUE(App().SourceInImage);
}

TEST_F(PlaybackTest, AboutPageLeavesPlaybackAlone) {
    SendCommand(IdPlaySource, BN_CLICKED);
    ClearSoundCalls();
    SendCommand(IdAbout, BN_CLICKED);
    SendCommand(IdBack, BN_CLICKED);
    EXPECT_TRUE(SoundCalls().empty());
}

TEST_F(PlaybackTest, TinyAndOverlongSourcesPlayRepackedWithinTheirImage) {
    // A header cut off after bits per sample (no data size, no samples), one sample, and a
    // source too long for the packed format's length field.
    std::vector<std::uint8_t> cut = WavBytes({.data = {}});
    cut.resize(36);
    const std::vector<std::uint8_t> one = WavBytes({.data = {77}});
    std::vector<std::uint8_t> longSource(262146);
    for (std::size_t i = 0; i < longSource.size(); ++i) {
        longSource[i] = static_cast<std::uint8_t>(128 + (i % 64) - 32);
    }
    folder.Write(L"cut.wav", cut);
    folder.Write(L"one.wav", one);
    folder.Write(L"long.wav", WavBytes({.data = longSource}));
    FillSourceList(folder.Path(), {L"cut.wav", L"example.wav", L"one.wav", L"long.wav"});

    SelectEntry(0);  // entry 1 is the one loaded
    ASSERT_TRUE(App().SampleValid);
    EXPECT_EQ(App().WaveImage.size(), 44u);
    EXPECT_EQ(ControlText(FileSizeLabel), L"File Size: 13bytes");
    SendCommand(IdPlayRepacked, BN_CLICKED);
    EXPECT_EQ(App().WaveImage.size(), 44u);
    EXPECT_EQ(App().PackedImage.size(), 13u);

    SelectEntry(2);
    ASSERT_TRUE(App().SampleValid);
    SendCommand(IdPlayRepacked, BN_CLICKED);
    EXPECT_EQ(SamplesIn(App().WaveImage), std::vector<std::uint8_t>{128});

    SelectEntry(3);
    ASSERT_TRUE(App().SampleValid);
    // 13 + (262 146 - 2) / 4 bytes: one data byte more than the length field holds.
    EXPECT_EQ(ControlText(FileSizeLabel), L"File Size: 65 549bytes \u2718");
    ClearSoundCalls();
    SendCommand(IdPlayRepacked, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_FALSE(App().PackedStorable);
    const std::vector<std::uint8_t> played = SamplesIn(SoundCalls()[1].image);
    ASSERT_EQ(played.size(), longSource.size());
    EXPECT_EQ(played[0], 128);
    EXPECT_EQ(played.back(), longSource.back());  // the one sample past the last full byte
    EXPECT_NE(played, longSource);
}

}  // namespace
}  // namespace corvane::uitest
