// The card column: the rate, ROM and loop choices prepare the sample the window shows, plays
// and saves, as the core (and so corvane-cli pack --rate, --rom, --loop) prepares it.
#include <gtest/gtest.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "codec/encoder.h"
#include "files/utf16.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using namespace test;
using CardTest = MainWindowTest;

void Choose(Layout choice, int n, int id) {
    SendMessageW(Control(choice), CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    RunCommand(id, {}, CBN_SELCHANGE);
}

std::wstring ItemText(Layout choice, int n) {
    wchar_t text[64] = {};
    SendMessageW(Control(choice), CB_GETLBTEXT, static_cast<WPARAM>(n),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

Bytes PackedAs(const Bytes& wav, const Preparation& how) {
    const LoadedSource loaded = LoadSourceBytes(wav, how);
    const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
    return PackSamples(SamplesOf(loaded.image),
                       DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh))
        .file;
}

TEST_F(CardTest, RateRomAndLoopChoicesPrepareWhatIsShownPlayedAndSaved) {
    Bytes smpl(28, 0);
    for (const std::uint32_t field : {1u, 0u, 0u, 0u, 2000u, 7999u, 0u, 0u}) PutU32(smpl, field);
    Bytes data;
    for (const std::uint8_t s : Tone(9000, 31, 90, 5)) PutU16(data, (s - 128u) << 8 | s);
    const Bytes looped =
        Riff({{"fmt ", FmtPayload({1, 1, 44100, 16})}, {"data", data}, {"smpl", smpl}});
    source.Write(L"looped.wav", looped);
    source.Write(L"plain.wav", Wav({1, 1, 22050, 8}, Tone(3000, 20, 60)));
    ListAndSelect(source.path, {L"looped.wav", L"plain.wav"}, 0);
    EXPECT_EQ(ControlText(Layout::CardNoteLabel), L"Out of range: above note 71 (B-5) finetune +7");
    EXPECT_EQ(ControlText(Layout::LoopLabel), L"Loop: 2 000 to 7 999");
    EXPECT_TRUE(IsEnabled(Layout::LoopChoice));
    EXPECT_EQ(ItemText(Layout::RateChoice, 1), L"Note 60: 16 725 Hz");

    Choose(Layout::RateChoice, 1, IdRate);
    EXPECT_EQ(ControlText(Layout::CardNoteLabel), L"Note 60 (C-5) finetune +0");
    EXPECT_EQ(ControlText(Layout::CardPitchLabel), L"16 725 Hz, +0.0 cents");
    const Preparation note60{16725};
    RunCommand(IdPlaySource);
    ASSERT_FALSE(Sounds().empty());
    EXPECT_EQ(Sounds().back().image, LoadSourceBytes(looped, note60).image);  // the card's pitch
    ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + L"a.C")}).size(), 1u);
    EXPECT_EQ(output.Read(L"a.C"), PackedAs(looped, note60));

    Choose(Layout::RomChoice, 1, IdRom);  // ROM 1.05 plays note 48 at 8 297 Hz
    EXPECT_EQ(ItemText(Layout::RateChoice, 2), L"Note 48: 8 297 Hz");
    Choose(Layout::RateChoice, 2, IdRate);
    Choose(Layout::LoopChoice, 1, IdLoop);
    ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + L"b.C")}).size(), 1u);
    EXPECT_EQ(output.Read(L"b.C"), PackedAs(looped, {8297, LoopChoice::Cut}));

    SelectEntry(1);  // no loop to choose for
    EXPECT_FALSE(IsEnabled(Layout::LoopChoice));
    EXPECT_EQ(ControlText(Layout::LoopLabel), L"");
    EXPECT_EQ(ControlText(Layout::CardNoteLabel), L"Note 48 (C-4) finetune +0");
}

}  // namespace
}  // namespace corvane::uitest
