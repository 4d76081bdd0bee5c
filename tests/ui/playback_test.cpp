// Play source / play repacked: what WaveImage holds, when it is rewritten, and that every
// rewrite is preceded by a stop.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include "app/dispatch.h"
#include "support/example.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using namespace test;

Bytes SamplesIn(const Bytes& image) { return {image.begin() + 44, image.end()}; }

class PlaybackTest : public MainWindowTest {
  protected:
    Bytes loadedImage;

    void SetUp() override {
        MainWindowTest::SetUp();
        source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
        FillSourceList(source.Path(), {L"x.wav", L"example.wav"});
        SelectEntry(1);
        ASSERT_TRUE(App().SampleValid);
        loadedImage = App().WaveImage;
        App().StepTable = kExampleTable;  // as a derivation would have left it
        Sounds().clear();
    }

    // The calls of one command: a stop, then (when `plays`) the image played.
    static void ExpectStopThenPlay(bool plays) {
        ASSERT_EQ(Sounds().size(), plays ? 2u : 1u);
        EXPECT_TRUE(Sounds()[0].stop);
        EXPECT_EQ(Sounds()[0].flags, static_cast<DWORD>(SND_PURGE));
        if (plays) {
            EXPECT_EQ(Sounds()[1].flags, static_cast<DWORD>(SND_MEMORY | SND_ASYNC));
            EXPECT_TRUE(Sounds()[1].playsWaveImage);
        }
        Sounds().erase(Sounds().begin());  // what stays is the play call, if any
    }
};

TEST_F(PlaybackTest, RepackedDecodesOnceAndSourceReadsTheFileAgain) {
    SendCommand(IdPlaySource, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(Sounds()[0].image, loadedImage);
    source.Write(L"example.wav", {});  // from here on a read would fail
    Sounds().clear();
    SendCommand(IdPlaySource, BN_CLICKED);  // the same image again, not read again
    ExpectStopThenPlay(true);
    EXPECT_EQ(Sounds()[0].image, loadedImage);
    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));

    const Bytes sourceWaveform = App().WaveformPixels;
    Sounds().clear();
    SendCommand(IdPlayRepacked, BN_CLICKED);
    ASSERT_EQ(Sounds().size(), 2u);
    EXPECT_EQ(Sounds()[0].image, loadedImage);  // stopped before the image was rewritten
    ExpectStopThenPlay(true);
    Bytes repacked = kExampleDecoded;
    repacked.push_back(200);  // the last sample has no code and keeps its value
    EXPECT_EQ(SamplesIn(Sounds()[0].image), repacked);
    EXPECT_EQ(App().PackedImage, kExampleFile);
    EXPECT_TRUE(std::equal(loadedImage.begin(), loadedImage.begin() + 44, App().WaveImage.begin()));
    // The plots and the summary now show the decoded samples; the table stays.
    EXPECT_EQ(ControlText(Layout::GainSpanLabel), L"Gain Span: -11 / +-11");
    EXPECT_EQ(ControlText(Layout::TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");
    EXPECT_NE(App().WaveformPixels, sourceWaveform);

    source.Write(L"example.wav", {});  // pressing again neither reads nor packs
    App().PackedImage.clear();
    Sounds().clear();
    SendCommand(IdPlayRepacked, BN_CLICKED);
    ExpectStopThenPlay(true);
    EXPECT_EQ(SamplesIn(Sounds()[0].image), repacked);
    EXPECT_TRUE(App().PackedImage.empty());

    source.Write(L"example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    Sounds().clear();
    SendCommand(IdPlaySource, BN_CLICKED);
    ASSERT_EQ(Sounds().size(), 2u);
    EXPECT_EQ(SamplesIn(Sounds()[0].image), repacked);  // stopped before reloading
    ExpectStopThenPlay(true);
    EXPECT_EQ(Sounds()[0].image, loadedImage);
    EXPECT_EQ(App().WaveformPixels, sourceWaveform);
    EXPECT_EQ(ControlText(Layout::TableLabel), L"0 0 1 2 3 4 5 7 11 20 45 ");  // not derived
}

TEST_F(PlaybackTest, OtherCommandsOnlyStopOrLeavePlaybackAlone) {
    source.Write(L"bad.wav", Wav({1, 1, 8000, 12}, {1, 2, 3, 4}));
    source.Write(L"other.wav", Wav({1, 1, 8000, 8}, {1, 2, 3, 4, 5, 6, 7, 8}));
    FillSourceList(source.Path(), {L"other.wav", L"example.wav", L"bad.wav"});
    SelectEntry(0);  // another entry: stopped before reloading
    ASSERT_EQ(Sounds().size(), 1u);
    EXPECT_EQ(Sounds()[0].image, loadedImage);
    EXPECT_EQ(SamplesIn(App().WaveImage), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));

    SelectEntry(2);  // a refused file is never played
    for (const int command : {IdPlaySource, IdPlayRepacked, IdStop}) {
        Sounds().clear();
        SendCommand(command, BN_CLICKED);
        ExpectStopThenPlay(false);
    }
    Sounds().clear();
    SendCommand(IdAbout, BN_CLICKED);
    SendCommand(IdBack, BN_CLICKED);
    EXPECT_TRUE(Sounds().empty());
}

TEST_F(PlaybackTest, TinyAndOverlongSourcesPlayRepackedWithinTheirImage) {
    Bytes cut = Wav({1, 1, 8000, 8}, {});
    cut.resize(36);  // cut off after bits per sample: no data size, no samples
    Bytes longSource(262146);
    for (std::size_t i = 0; i < longSource.size(); ++i) {
        longSource[i] = static_cast<std::uint8_t>(128 + (i % 64) - 32);
    }
    source.Write(L"cut.wav", cut);
    source.Write(L"one.wav", Wav({1, 1, 8000, 8}, {77}));
    source.Write(L"long.wav", Wav({1, 1, 8000, 8}, longSource));
    FillSourceList(source.Path(), {L"cut.wav", L"example.wav", L"one.wav", L"long.wav"});

    SelectEntry(0);
    ASSERT_TRUE(App().SampleValid);
    SendCommand(IdPlayRepacked, BN_CLICKED);
    EXPECT_EQ(App().WaveImage.size(), 44u);
    EXPECT_EQ(App().PackedImage.size(), 13u);
    SelectEntry(2);
    SendCommand(IdPlayRepacked, BN_CLICKED);
    EXPECT_EQ(SamplesIn(App().WaveImage), Bytes{128});

    SelectEntry(3);
    EXPECT_EQ(ControlText(Layout::FileSizeLabel), L"File Size: 65 549bytes \u2718");
    Sounds().clear();
    SendCommand(IdPlayRepacked, BN_CLICKED);
    ExpectStopThenPlay(true);
    const Bytes played = SamplesIn(Sounds()[0].image);
    ASSERT_EQ(played.size(), longSource.size());
    EXPECT_EQ(played[0], 128);
    EXPECT_EQ(played.back(), longSource.back());  // the one sample past the last full byte
    EXPECT_NE(played, longSource);
}

}  // namespace
}  // namespace corvane::uitest
