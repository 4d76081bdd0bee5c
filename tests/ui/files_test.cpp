// Choosing, dropping and saving files through the real dialogs, answered by the watcher; the
// coder choice; long work on the worker thread (progress, cancel, closing).
#include <gtest/gtest.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "files/utf16.h"
#include "support/window_fixture.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using FilesTest = MainWindowTest;

// A tone whose loudness, and so its derived table, grows with `n`.
Bytes Sound(int n, std::size_t count = 4000) {
    return Wav({1, 1, 8000, 8}, Tone(count, 20 + n, 8 * n, n));
}

Bytes SamplesOfWav(const Bytes& wav) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    return {SamplesOf(loaded.image).begin(), SamplesOf(loaded.image).end()};
}

StepTable Derived(const Bytes& wav) {
    const DifferenceStats stats = ComputeDifferenceStats(SamplesOfWav(wav));
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

Bytes Packed(const Bytes& wav, const StepTable& table, Encoder coder = Encoder::Greedy) {
    return PackWithEncoder(coder, SamplesOfWav(wav), table).file;
}

TEST_F(FilesTest, OpenFilesListsThemInTheDialogsOrder) {
    const Bytes a = Sound(3), c = Sound(12);
    source.Write(L"a.wav", a);
    source.Write(L"c.wav", c);
    App().StartupFolder = source.path;
    const auto seen = RunCommand(IdOpenFiles, {EnterFileName(L"\"c.wav\" \"a.wav\"")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].title == L"Выберите файлы" && seen[0].owner == App().MainWindow);
    EXPECT_EQ(App().SourceFolder, source.path);
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(c).image);  // the first listed: c.wav
    EXPECT_EQ(App().StepTable, Derived(c));
    SelectEntry(1);
    ASSERT_EQ(RunCommand(IdOpenFiles, {CancelDialog()}).size(), 1u);  // cancel changes nothing
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(a).image);
}

// Hundreds of files at once are listed; a choice too long for the dialog's buffer is refused
// with a message, changing nothing, and never written past the buffer.
TEST_F(FilesTest, OpenFilesTakesHundredsAndRefusesWhatDoesNotFit) {
    std::wstring names;  // 140 names of 80 characters: more than the 10 240 the dialog once took
    for (int n = 0; n < 140; ++n) {
        const std::wstring name =
            std::wstring(70, L'x').replace(0, 3, std::to_wstring(100 + n)) + L".wav";
        source.Write(name, Sound(4, 100));
        names += L"\"" + name + L"\" ";
    }
    App().StartupFolder = source.path;
    ASSERT_EQ(RunCommand(IdOpenFiles, {EnterFileName(names)}).size(), 1u);
    EXPECT_EQ(App().SourceCount, 140);
    const std::size_t capacity = SetOpenDialogCapacity(4000);
    const auto seen =
        RunCommand(IdOpenFiles, {EnterFileName(names.substr(0, 60 * 77)), PressButton(IDOK)});
    SetOpenDialogCapacity(capacity);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[1].text.find(L"do not fit"), std::wstring::npos) << Narrow(seen[1].text);
    EXPECT_EQ(App().SourceCount, 140);
}

TEST_F(FilesTest, CompressFileSavesTheSourcePackedWithTheTableInForce) {
    const Bytes drum = Sound(9);
    source.Write(L"drum.wav", drum);
    source.Write(L"bad.wav", Wav({3, 1, 8000, 32}, Bytes(400, 0)));
    source.Write(L"long.wav", Sound(5, 262150));  // 65537 data bytes
    ListAndSelect(source.path, {L"drum.wav", L"bad.wav", L"long.wav", L"gone.wav"}, 0);
    RunCommand(IdPlayRepacked);  // the image now holds decoded samples
    output.Write(L"drum.C", Bytes(100000, 0xAA));
    auto seen =
        RunCommand(IdCompressFile, {EnterFileName(output.path + L"drum.C"), PressButton(IDYES)});
    ASSERT_EQ(seen.size(), 2u);  // the save dialog, then the question before replacing
    EXPECT_TRUE(seen[0].title == L"Сохранить файл" && seen[0].text == L"drum.C");
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, Derived(drum)));
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(drum).image);  // the source, loaded again

    // A file another program holds open: reported with its path, the old bytes kept; the
    // dialog opens in the folder of the last save.
    const std::wstring target = output.path + L"drum.C";
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    seen = RunCommand(IdCompressFile,
                      {EnterFileName(L"drum.C"), PressButton(IDYES), PressButton(IDOK)});
    CloseHandle(holder);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].text.find(L"drum.wav was not saved: writing " + target + L" failed"), 0u)
        << seen[2].text;
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, Derived(drum)));
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{L"drum.C"});

    // Entries that cannot be packed are reported at once, without a dialog.
    for (const auto& [index, report] :
         {std::pair{1, L"bad.wav was not saved: not a PCM WAV file."},
          std::pair{2,
                    L"long.wav was not saved: too long: its packed data would exceed 65535 bytes."},
          std::pair{3, L"gone.wav was not saved: the file could not be read."}}) {
        SelectEntry(index);
        seen = RunCommand(IdCompressFile, {PressButton(IDOK)});
        ASSERT_EQ(seen.size(), 1u) << index;
        EXPECT_TRUE(seen[0].owner == App().MainWindow && seen[0].text == report) << index;
    }
}

// Every entry is packed with the table in force when the batch starts (the table of the entry
// selected before); files of the same names are replaced without asking; what was not saved
// is listed at the end; the last entry is selected afterwards.
TEST_F(FilesTest, CompressAllPacksEveryEntryWithTheTableInForce) {
    const Bytes a = Sound(3), c = Sound(14);
    source.Write(L"a.wav", a);
    source.Write(L"bad.wav", Wav({3, 1, 8000, 32}, Bytes(400, 0)));
    source.Write(L"c.wav", c);
    source.Write(L"e.wav", a);
    ListAndSelect(source.path, {L"a.wav", L"bad.wav", L"c.wav", L"e.wav"}, 2);
    ASSERT_NE(Derived(a), Derived(c));  // else the table in force proves nothing
    output.Write(L"a.C", Bytes(50000, 0xAA));
    CreateDirectoryW((output.path + L"e.C").c_str(), nullptr);  // where e.C would go
    const auto seen = RunCommand(IdCompressAll, {ChooseFolder(output.path), PressButton(IDOK)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"Choose Folder");
    const std::wstring report = seen[1].text;
    EXPECT_EQ(report.find(
                  L"These files were not saved:\n\nbad.wav: not a PCM WAV file.\ne.wav: writing " +
                  output.path + L"e.C failed: "),
              0u)
        << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), L'\n'), 3) << report;
    EXPECT_EQ(output.Read(L"a.C"), Packed(a, Derived(c)));
    EXPECT_EQ(output.Read(L"c.C"), Packed(c, Derived(c)));
    EXPECT_EQ(App().SelectedIndex, 3);
}

void ChooseCoder(int n) {
    SendMessageW(Control(Layout::CoderChoice), CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    RunCommand(IdCoder, {}, CBN_SELCHANGE);
}

// Each coder's file and repacked sound are the core's, and the window shows their table and
// SNR; the optimal coder searches from the sample's own table, the others use the one in force.
TEST_F(FilesTest, EveryCoderSavesAndPlaysWhatTheCoreMakes) {
    const Bytes quiet = Wav({1, 1, 8000, 8}, Tone(3000, 40, 20, 2)),
                loud = Wav({1, 1, 8000, 8}, Tone(3000, 25, 110, 9));
    source.Write(L"quiet.wav", quiet);
    source.Write(L"loud.wav", loud);
    ListAndSelect(source.path, {L"quiet.wav", L"loud.wav"}, 0);
    App().SelectedIndex = 1;  // the loud file loaded, with the quiet file's table
    SendMessageW(App().SourceList, LB_SETCURSEL, 1, 0);
    const Bytes samples = SamplesOfWav(loud);
    const std::pair<int, Encoder> coders[] = {
        {0, Encoder::Greedy}, {1, Encoder::Trellis}, {2, Encoder::Optimal}};
    const auto tableFor = [&](Encoder coder) {
        return coder == Encoder::Optimal ? Derived(loud) : Derived(quiet);
    };
    // Played repacked one coder after another, nothing between: each plays and shows its own,
    // its SNR with a decimal point whatever the C locale.
    for (const auto& [n, coder] : coders) {
        ChooseCoder(n);
        Bytes repacked = samples;
        const Bytes file = RepackInPlace(coder, repacked, tableFor(coder)).file;
        sounds.clear();
        RunCommand(IdPlayRepacked);
        ASSERT_EQ(sounds.size(), 2u) << n;  // stopped, then played once the work was done
        EXPECT_EQ(Bytes(sounds[1].image.begin() + 44, sounds[1].image.end()), repacked) << n;
        EXPECT_EQ(ControlText(Layout::TableLabel), Widen(TableText(TableOf(file)))) << n;
        EXPECT_EQ(ControlText(Layout::SnrLabel), Widen(SnrText(RepackedSnrDb(samples, repacked))));
        EXPECT_EQ(ControlText(Layout::SnrLabel).find(L','), std::wstring::npos);
    }
    for (const auto& [n, coder] : coders) {
        ChooseCoder(n);
        const std::wstring name = L"c" + std::to_wstring(n) + L".C";
        ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + name)}).size(), 1u) << n;
        EXPECT_EQ(output.Read(name), Packed(loud, tableFor(coder), coder)) << n;
        EXPECT_EQ(ControlText(Layout::TableLabel), Widen(TableText(TableOf(output.Read(name)))))
            << n;
    }
}

// A batch runs on the worker: the window locks what would start more work and counts the
// entries, Esc cancels, leaving only whole files; one sample's work shows the bar alone;
// closing the window during work ends the program with 0.
TEST_F(FilesTest, LongWorkCanBeCancelledAndClosed) {
    std::vector<std::wstring> names;
    for (int n = 0; n < 6; ++n) {
        names.push_back(L"s" + std::to_wstring(n) + L".wav");
        // The first long enough that its work still runs when the window closes.
        source.Write(names.back(),
                     Wav({1, 1, 22050, 8}, Tone(n == 0 ? 250000 : 60000, 30 + n, 100, 5)));
    }
    ListAndSelect(source.path, names, 1);
    ChooseCoder(2);
    DialogWatcher watcher({ChooseFolder(output.path)});
    SendMessageW(App().MainWindow, WM_COMMAND, IdCompressAll, 0);  // returns once the batch started
    ASSERT_EQ(watcher.Finish().size(), 1u);
    ASSERT_TRUE(WorkRunning());
    EXPECT_TRUE(IsEnabled(Layout::CancelButton));
    for (const Layout locked :
         {Layout::SourceList, Layout::OpenFilesButton, Layout::CompressFileButton,
          Layout::PlayRepackedButton, Layout::CoderChoice, Layout::SaveBankButton,
          Layout::PlayOnCardButton}) {
        EXPECT_FALSE(IsEnabled(locked)) << static_cast<int>(locked);
    }
    PumpUntil([] { return !ControlText(Layout::WorkCountLabel).empty(); });
    const std::wstring count = ControlText(Layout::WorkCountLabel);
    EXPECT_TRUE(count.size() == 6 && count[0] >= L'1' && count[0] <= L'6' &&
                count.substr(1) == L" of 6")
        << Narrow(count);
    SendMessageW(App().MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    AwaitWork();
    EXPECT_EQ(ControlText(Layout::WorkCountLabel).rfind(L"Cancelled: ", 0), 0u);
    EXPECT_TRUE(IsEnabled(Layout::CompressAllButton));
    for (const std::wstring& name : output.Names()) {  // whole files only, each its source's
        const Bytes wav = source.Read(name.substr(0, name.size() - 1) + L"wav");
        EXPECT_EQ(output.Read(name), Packed(wav, Derived(wav), Encoder::Optimal));
    }

    SelectEntry(0);
    SendMessageW(App().MainWindow, WM_COMMAND, IdPlayRepacked, 0);
    PumpUntil([] { return SendMessageW(Control(Layout::ProgressBar), PBM_GETPOS, 0, 0) > 0; });
    ASSERT_TRUE(WorkRunning());
    EXPECT_EQ(ControlText(Layout::WorkCountLabel), L"");
    PostMessageW(App().MainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(WorkRunning());
}

// Drops as the shell makes them: a DROPFILES block with the paths, each ending in a zero. The
// WAV files of the first one's folder are listed; a message names what was left out.
TEST_F(FilesTest, DroppedFilesFillTheList) {
    const Bytes b = Sound(5);
    source.Write(L"b.wav", b);
    source.Write(L"A.WAV", b);
    source.Write(L"notes.txt", {'x'});
    output.Write(L"other.wav", b);
    const std::vector<std::wstring> leftOut = {output.path + L"other.wav",
                                               source.path.substr(0, source.path.size() - 1),
                                               source.path + L"notes.txt"};
    std::wstring list = source.path + L"b.wav" + L'\0';
    for (const std::wstring& path : leftOut) list += path + L'\0';
    list += source.path + L"A.WAV" + L'\0' + L'\0';
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    *files = {sizeof(DROPFILES), {}, FALSE, TRUE};
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(files + 1));
    GlobalUnlock(drop);
    DialogWatcher watcher({PressButton(IDOK)});
    SendMessageW(App().MainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    const auto told = watcher.Finish();
    EXPECT_EQ(App().SourceFolder, source.path);
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(b).image);
    EXPECT_EQ(App().StepTable, Derived(b));
    ASSERT_EQ(told.size(), 1u);
    for (const std::wstring& path : leftOut) {
        EXPECT_NE(told[0].text.find(L"\n" + path), std::wstring::npos) << told[0].text;
    }
}

}  // namespace
}  // namespace corvane::uitest
