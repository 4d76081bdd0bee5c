// The card column: the rate, ROM and loop choices prepare the sample the window shows, plays
// and saves, as the core (and so corvane-cli pack --rate, --rom, --loop) prepares it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/card_playback.h"
#include "app/dispatch.h"
#include "app/work.h"
#include "card/bank.h"
#include "card/bank_tape.h"
#include "card/card_sound.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "files/utf16.h"
#include "support/window_fixture.h"
#include "text/digit_groups.h"

namespace corvane::uitest {
namespace {

using namespace test;
using CardTest = MainWindowTest;

std::wstring ItemText(Layout choice, int n) {
    wchar_t text[64] = {};
    SendMessageW(Control(choice), CB_GETLBTEXT, static_cast<WPARAM>(n),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

// Runs corvane-cli.exe of this build with `arguments`; its exit code.
DWORD RunCli(const std::wstring& arguments) {
    std::wstring exe = L"Z:" + Widen(CORVANE_CLI_EXE);  // the build machine's path, under Wine
    std::replace(exe.begin(), exe.end(), L'/', L'\\');
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return GetLastError();
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

Bytes PackedAs(const Bytes& wav, const Preparation& how) {
    const LoadedSource loaded = LoadSourceBytes(wav, how);
    const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
    return PackSamples(SamplesOf(loaded.image),
                       DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh))
        .file;
}

TEST_F(CardTest, RateRomAndLoopChoicesPrepareWhatIsShownPlayedAndSaved) {
    const Bytes looped = LoopedWav(9000, 2000, 7999);
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
    ASSERT_FALSE(sounds.empty());
    EXPECT_EQ(sounds.back().image, LoadSourceBytes(looped, note60).image);  // the card's pitch
    ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + L"a.C")}).size(), 1u);
    EXPECT_EQ(output.Read(L"a.C"), PackedAs(looped, note60));

    Choose(Layout::RomChoice, 1, IdRom);  // ROM 1.05 plays note 48 at 8 297 Hz
    EXPECT_EQ(ItemText(Layout::RateChoice, 2), L"Note 48: 8 297 Hz");
    Choose(Layout::RateChoice, 2, IdRate);
    Choose(Layout::LoopChoice, 1, IdLoop);
    ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + L"b.C")}).size(), 1u);
    EXPECT_EQ(output.Read(L"b.C"), PackedAs(looped, {8297, LoopChoice::Cut}));
    ASSERT_EQ(RunCli(L"pack \"" + source.path + L"looped.wav\" -o \"" + output.path +
                     L"cli.C\" --rate=note:48 --rom=1.05 --loop=cut"),
              0u);
    EXPECT_EQ(output.Read(L"cli.C"), output.Read(L"b.C"));  // the window's file is the CLI's
    Choose(Layout::LoopChoice, 2, IdLoop);
    EXPECT_EQ(ControlText(Layout::LoopLabel), L"Loop: the file's loop is ignored");

    SelectEntry(1);  // no loop to choose for; its own rate choice, the source's
    EXPECT_FALSE(IsEnabled(Layout::LoopChoice));
    EXPECT_EQ(ControlText(Layout::LoopLabel), L"");
    EXPECT_EQ(ControlText(Layout::CardNoteLabel), L"Note 65 (F-5) finetune -1");
}

// Converting a long file to a note's rate is long work, with progress; the converted sample
// is taken once it is done. Cancelled, nothing is taken, and "▶  PLAY SOURCE" loads it again.
TEST_F(CardTest, ConvertingALongFileRunsOnTheWorker) {
    const Bytes minute = Wav({1, 2, 44100, 16}, Tone(4 * 44100 * 60, 37, 100));
    source.Write(L"long.wav", minute);
    source.Write(L"short.wav", Wav({1, 1, 8000, 8}, Tone(3000, 20, 60)));
    Choose(Layout::RateChoice, 1, IdRate);  // for the files listed next
    ListAndSelect(source.path, {L"short.wav", L"long.wav"}, 0);
    const Bytes converted = LoadSourceBytes(minute, {16725}).image;
    for (const bool cancel : {false, true}) {
        SelectEntry(0);
        SendMessageW(App().SourceList, LB_SETCURSEL, 1, 0);
        SendMessageW(App().MainWindow, WM_COMMAND, MAKEWPARAM(IdSourceList, LBN_SELCHANGE), 0);
        ASSERT_TRUE(WorkRunning());
        if (cancel) SendMessageW(App().MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);  // at once: 0.1 s
        PumpUntil([] { return SendMessageW(Control(Layout::ProgressBar), PBM_GETPOS, 0, 0) > 0; });
        AwaitWork();
        EXPECT_TRUE(cancel ? !App().SampleValid
                           : App().SampleValid && App().WaveImage == converted);
    }
    EXPECT_EQ(ControlText(Layout::WorkCountLabel), L"Cancelled");
    sounds.clear();
    RunCommand(IdPlaySource);
    EXPECT_TRUE(sounds.size() == 2 && sounds[1].image == converted);
}

// Saving a sample keeps the card column as it was, and brings back the source's plots after a
// repacked playback, so a coder chosen next has nothing stale to leave on screen.
TEST_F(CardTest, CompressFileKeepsTheCardColumnAndShowsTheSource) {
    source.Write(L"looped.wav", LoopedWav(9000, 2000, 7999));
    ListAndSelect(source.path, {L"looped.wav"}, 0);
    const std::wstring note = ControlText(Layout::CardNoteLabel),
                       gain = ControlText(Layout::GainSpanLabel);
    const Bytes waveform = PictureBits(Layout::WaveformPicture);
    RunCommand(IdPlayRepacked);
    ASSERT_TRUE(PictureBits(Layout::WaveformPicture) != waveform);
    ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + L"a.C")}).size(), 1u);
    Choose(Layout::CoderChoice, 1, IdCoder);
    EXPECT_TRUE(PictureBits(Layout::WaveformPicture) == waveform);
    EXPECT_EQ(ControlText(Layout::GainSpanLabel) + ControlText(Layout::CardNoteLabel), gain + note);
    EXPECT_EQ(ControlText(Layout::LoopLabel), L"Loop: 2 000 to 7 999");
    EXPECT_TRUE(IsEnabled(Layout::LoopChoice));
}

// The card's sound as the window queues it, into an output that is full after `room` samples.
struct Queued : SoundOutput {
    inline static std::vector<std::int16_t> samples;
    inline static std::size_t room = 0;
    inline static std::atomic<std::size_t> count{0};
    inline static std::atomic<bool> drained{false}, halted{false};
    bool Queue(std::span<const std::int16_t> chunk) override {
        samples.insert(samples.end(), chunk.begin(), chunk.end());
        for (count = samples.size(); count >= room && !halted;) Sleep(2);
        return !halted;
    }
    void Drain() override { drained = true; }
    void Halt() override { halted = true; }
};

// What the card model renders of a WAV packed for a bank, at its note (or `note`, with its
// finetune), for `steps` (0: the sample once).
std::vector<std::int16_t> CardSoundOf(const Bytes& wav, std::optional<int> note,
                                      std::size_t steps) {
    const BankSample sample = PackForBank("", LoadSourceBytes(wav, {}), Encoder::Greedy, Rom::V104);
    const std::vector<std::uint8_t> stored = StoredSamplesOf(*ParsePackedFile(sample.file));
    const CardNote played{note.value_or(sample.pitch.note.note), sample.pitch.note.finetune};
    CardChannel channel{stored, StepPeriodOf(Rom::V104, played), 64, sample.loop};
    std::vector<std::int16_t> out(steps +
                                  (steps ? 0 : StepsToPlayOnce(stored.size(), channel.period)));
    RenderCard({&channel, 1}, out);
    return out;
}

// "▶  PLAY ON CARD" queues what the card model renders of the sample as COMPRESS FILE packs
// it, at the note the Card column shows or the one chosen: once, or its loop until STOP.
TEST_F(CardTest, PlayOnCardQueuesTheCardsSound) {
    SetSoundOutputMaker([]() -> std::unique_ptr<SoundOutput> {
        Queued::samples.clear();
        Queued::count = 0;
        Queued::drained = Queued::halted = false;
        return std::make_unique<Queued>();
    });
    const Bytes plain = Wav({1, 1, 11025, 8}, Tone(3000, 20, 60)),
                looped = LoopedWav(9000, 2000, 7999);  // out of range: the card's default note
    source.Write(L"plain.wav", plain);
    source.Write(L"looped.wav", looped);
    ListAndSelect(source.path, {L"plain.wav", L"looped.wav"}, 0);
    Queued::room = 1 << 20;
    RunCommand(IdPlayOnCard);
    for (int n = 0; n < 2000 && !Queued::drained; ++n) Sleep(5);
    EXPECT_EQ(Queued::samples, CardSoundOf(plain, {}, 0));

    SelectEntry(1);
    Choose(Layout::PlayNoteChoice, 73, IdPlayNote);
    Queued::room = 3 * CardSoundOf(looped, 72, 0).size();
    RunCommand(IdPlayOnCard);
    for (int n = 0; n < 2000 && Queued::count < Queued::room; ++n) Sleep(5);
    Sleep(50);
    EXPECT_FALSE(Queued::drained || Queued::halted);  // still playing, past the sample's end
    RunCommand(IdStop);
    EXPECT_TRUE(Queued::halted);
    EXPECT_EQ(Queued::samples, CardSoundOf(looped, 72, Queued::samples.size()));
    SetSoundOutputMaker(nullptr);
}

// What SAVE BANK's report shows: each row's cells, the card memory bar's range and position,
// whether it can be saved, the files left out.
struct ReportSeen {
    std::vector<std::vector<std::wstring>> rows;
    LRESULT capacity = 0, needed = 0;
    bool savable = false;
    std::vector<std::wstring> leftOut;
};

ReportSeen ReadReport(HWND report) {
    ReportSeen seen;
    const HWND list = FindDescendant(report, WC_LISTVIEWW),
               left = FindDescendant(report, L"ListBox");
    for (int row = 0; row < SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); ++row) {
        seen.rows.emplace_back();
        for (int column = 0; column < 5; ++column) {
            wchar_t text[128] = {};
            ListView_GetItemText(list, row, column, text, 128);
            seen.rows.back().push_back(text);
        }
    }
    for (int n = 0; n < SendMessageW(left, LB_GETCOUNT, 0, 0); ++n) {
        wchar_t text[256] = {};
        SendMessageW(left, LB_GETTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(text));
        seen.leftOut.push_back(text);
    }
    const HWND bar = FindDescendant(report, PROGRESS_CLASSW);
    seen.capacity = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
    seen.needed = SendMessageW(bar, PBM_GETPOS, 0, 0);
    seen.savable = IsWindowEnabled(GetDlgItem(report, IDOK)) != FALSE;
    return seen;
}

Bank BankOf(const std::vector<std::pair<const char*, Bytes>>& files, const Preparation& how,
            CardMemory card, const char* bankName = "kit") {
    std::vector<BankSample> samples;
    for (const auto& [name, wav] : files) {
        samples.push_back(PackForBank(name, LoadSourceBytes(wav, how), Encoder::Greedy, Rom::V104));
    }
    return LayOutBank(std::move(samples), card, bankName);
}

// SAVE BANK packs every listed file as the core does and reports it: a row a sample, the card
// memory as a bar of the card chosen, the files left out and why. Cancelled there, nothing is
// written; saved, its folder and name are asked and the files written. A bank the 112k card
// cannot take can be saved for the 466k one.
TEST_F(CardTest, SaveBankReportsAndWritesWhatTheCoreLaysOut) {
    const Bytes kick = Wav({1, 1, 22050, 8}, Tone(6000, 30, 100, 3));
    const Bytes voice = Wav({1, 2, 11025, 16}, Pcm16(std::vector<int>(9000, 2000)));
    source.Write(L"kick.wav", kick);
    source.Write(L"bad.wav", Wav({3, 1, 8000, 16}, Bytes(400, 0)));  // 16-bit floats: never read
    source.Write(L"voice.wav", voice);
    Choose(Layout::RateChoice, 1, IdRate);  // for the files listed next
    ListAndSelect(source.path, {L"kick.wav", L"bad.wav", L"voice.wav"}, 0);
    ASSERT_EQ(RunCommand(IdSaveBank, {CancelDialog()}).size(), 1u);
    EXPECT_TRUE(output.Names().empty());
    ReportSeen seen;
    const auto dialogs =
        RunCommand(IdSaveBank, {ActThenPress([&](HWND r) { seen = ReadReport(r); }, IDOK),
                                EnterFileName(output.path + L"kit.asm")});
    ASSERT_EQ(dialogs.size(), 2u);
    const Bank bank =
        BankOf({{"kick.wav", kick}, {"voice.wav", voice}}, {16725}, CardMemory::Basic);
    ASSERT_EQ(seen.rows.size(), 2u);
    for (std::size_t n = 0; n < 2; ++n) {  // the core's numbers
        const BankSample& sample = bank.samples[n];
        const std::size_t size = sample.file.size();
        EXPECT_EQ(seen.rows[n][0] + L"|" + seen.rows[n][1] + L"|" + seen.rows[n][2],
                  Widen(sample.name + "|" + FormatDigitGroups(4 * (size - kPackedHeaderSize)) +
                        "|" + FormatDigitGroups(size)));
        EXPECT_EQ(seen.rows[n][3].find(std::to_wstring(sample.pitch.note.note) + L" ("), 0u);
    }
    EXPECT_EQ(seen.capacity, 112 * 1024);
    EXPECT_EQ(seen.needed, static_cast<LRESULT>(bank.budget.needed));
    EXPECT_EQ(seen.leftOut, std::vector<std::wstring>{L"bad.wav: not a PCM WAV file."});
    const std::string listing = BankListing(bank);
    EXPECT_EQ(output.Read(L"kit.asm"), Bytes(listing.begin(), listing.end()));
    EXPECT_EQ(output.Read(L"kit.0.bin"), PageImages(bank)[0]);
    EXPECT_EQ(output.Names(), (std::vector<std::wstring>{L"kit.0.bin", L"kit.asm", L"kit.txt"}));
    EXPECT_EQ(ControlText(Layout::WorkCountLabel), L"Bank saved");  // the report closed itself

    // 120 000 samples: more than the 112k card holds.
    const Bytes half = Wav({1, 1, 8000, 8}, Tone(60000, 23, 90, 4));
    source.Write(L"a.wav", half);
    Choose(Layout::RateChoice, 0, IdRate);
    ListAndSelect(source.path, {L"a.wav", L"a.wav"}, 0);
    SendMessageW(Control(Layout::TapeCheck), BM_SETCHECK, BST_CHECKED, 0);  // and its tape
    ReportSeen basic;
    RunCommand(
        IdSaveBank,
        {ActThenPress(
             [&](HWND r) {
                 basic = ReadReport(r);
                 SendMessageW(FindDescendant(r, L"ComboBox"), CB_SETCURSEL, 1, 0);  // the 466k card
                 SendMessageW(
                     r, WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(FindDescendant(r, L"ComboBox")), CBN_SELCHANGE), 0);
                 seen = ReadReport(r);
             },
             IDOK),
         EnterFileName(output.path + L"big")});
    EXPECT_FALSE(basic.savable);
    EXPECT_EQ(basic.needed, basic.capacity);  // the bar full
    EXPECT_TRUE(seen.savable);
    EXPECT_EQ(seen.capacity, 466 * 1024);
    const Bank bigBank = BankOf({{"a.wav", half}, {"a.wav", half}}, {}, CardMemory::Extended, "big");
    const std::string big = BankListing(bigBank);
    EXPECT_EQ(output.Read(L"big.asm"), Bytes(big.begin(), big.end()));
    EXPECT_EQ(output.Read(L"big.tap"), BankTape(bigBank));
    EXPECT_EQ(output.Names().size(), 8u);  // big.asm, .0.bin, .1.bin, .tap, .txt beside the kit

    // Cancelled while the optimal coder works: nothing written.
    Choose(Layout::CoderChoice, 2, IdCoder);
    source.Write(L"long.wav", Wav({1, 1, 22050, 8}, Tone(200000, 41, 90, 7)));
    ListAndSelect(source.path, {L"long.wav", L"kick.wav"}, 0);
    SendMessageW(App().MainWindow, WM_COMMAND, IdSaveBank, 0);  // returns once the work started
    SendMessageW(App().MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(RunCommand(0).empty());  // no report
    EXPECT_EQ(ControlText(Layout::WorkCountLabel), L"Cancelled: the bank was not saved");
}

// Each listed file keeps its own rate and loop choice: selecting it shows its own, choosing
// changes only its own, and SAVE BANK packs each with its own. The list saved beside the bank
// makes the same bank with corvane-cli, by the command it names.
TEST_F(CardTest, EachFileKeepsItsChoicesAndTheBankListMakesTheSameBank) {
    const Bytes looped = LoopedWav(9000, 2000, 7999),
                high = Wav({1, 1, 44100, 8}, Tone(3000, 20, 60));
    source.Write(L"looped.wav", looped);
    source.Write(L"high pitch.wav", high);
    ListAndSelect(source.path, {L"looped.wav", L"high pitch.wav"}, 1);
    EXPECT_EQ(ControlText(Layout::CardPitchLabel),
              L"33 218 Hz at most; convert it to play at its own pitch: Rate: Nearest, or Note 60");
    Choose(Layout::RateChoice, 3, IdRate);  // nearest
    EXPECT_EQ(ControlText(Layout::CardNoteLabel), L"Note 71 (B-5) finetune +7");
    const auto chosen = [](Layout list) { return SendMessageW(Control(list), CB_GETCURSEL, 0, 0); };
    SelectEntry(0);  // listed before that choice: the source's rate
    EXPECT_EQ(chosen(Layout::RateChoice), 0);
    Choose(Layout::RomChoice, 1, IdRom);
    Choose(Layout::RateChoice, 2, IdRate);  // note 48
    Choose(Layout::LoopChoice, 1, IdLoop);  // cut after
    SelectEntry(1);
    EXPECT_EQ(chosen(Layout::RateChoice) * 10 + chosen(Layout::LoopChoice), 30);
    RunCommand(IdCompressAll, {ChooseFolder(output.path)});  // each with its own: their lengths
    EXPECT_EQ(output.Read(L"looped.C").size(), PackedAs(looped, {8297, LoopChoice::Cut}).size());
    EXPECT_EQ(output.Read(L"high pitch.C").size(),
              PackedAs(high, PreparationFor({RateChoice::Kind::Nearest}, Rom::V105, {})).size());
    RunCommand(IdSaveBank, {ActThenPress([](HWND) {}, IDOK), EnterFileName(output.path + L"kit")});
    const Bytes bytes = output.Read(L"kit.txt");
    const std::string list(bytes.begin(), bytes.end());
    for (const char* line : {"# corvane-cli bank --list kit.txt -o kit --rom=1.05 --card=112k\n",
                             "looped.wav --rate=note:48 --loop=cut --encoder=greedy\n",
                             "high pitch.wav\" --rate=nearest --loop=keep --encoder=greedy\n"})
        EXPECT_NE(list.find(line), std::string::npos) << list;
    ASSERT_EQ(RunCli(L"bank --list \"" + output.path + L"kit.txt\" -o \"" + source.path +
                     L"kit\" --rom=1.05 --card=112k"),
              0u);
    for (const wchar_t* name : {L"kit.asm", L"kit.0.bin"})
        EXPECT_TRUE(!output.Read(name).empty() && output.Read(name) == source.Read(name));
}

}  // namespace
}  // namespace corvane::uitest
