// Choosing files and saving through the real dialogs, answered by the dialog watcher.
#include <gtest/gtest.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dialogs.h"
#include "app/dispatch.h"
#include "codec/depacker_listing.h"
#include "codec/encoder.h"
#include "files/utf16.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using namespace test;
using FilesTest = MainWindowTest;

// A tone whose loudness, and so its derived table, grows with `n`.
Bytes Sound(int n, std::size_t count = 4000) {
    return Wav({1, 1, 8000, 8}, Tone(count, 20 + n, 8 * n, n));
}

StepTable DerivedTable(const Bytes& wav) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

Bytes Packed(const Bytes& wav, const StepTable& table) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    return PackSamples(SamplesOf(loaded.image), table).file;
}

TEST_F(FilesTest, OpenFilesListsThemInTheDialogsOrder) {
    const Bytes a = Sound(3), c = Sound(12);
    source.Write(L"a.wav", a);
    source.Write(L"c.wav", c);
    App().StartupFolder = source.path;
    const auto seen = RunCommand(IdOpenFiles, {EnterFileName(L"\"c.wav\" \"a.wav\"")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Выберите файлы");
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].fileType, L"Wave Sound (*.wav)");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.path)) << seen[0].folder;
    EXPECT_EQ(App().SourceFolder, source.path);
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(c).image);  // the first listed: c.wav
    EXPECT_EQ(App().StepTable, DerivedTable(c));

    SelectEntry(1);
    ASSERT_EQ(RunCommand(IdOpenFiles, {CancelDialog()}).size(), 1u);  // cancel changes nothing
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(a).image);
}

// Hundreds of files at once are listed; a choice too long for the dialog's buffer is refused
// with a message, changing nothing, and never written past the buffer.
TEST_F(FilesTest, OpenFilesTakesHundredsAndRefusesWhatDoesNotFit) {
    const Bytes wav = Sound(4, 100);
    std::wstring names;  // 140 names of 80 characters: more than the 10 240 the dialog once took
    for (int n = 0; n < 140; ++n) {
        const std::wstring name =
            std::wstring(70, L'x').replace(0, 3, std::to_wstring(100 + n)) + L".wav";
        source.Write(name, wav);
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
    EXPECT_EQ(seen[1].kind, DialogKind::Message);
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
    EXPECT_EQ(seen[0].title, L"Сохранить файл");
    EXPECT_EQ(seen[0].offeredName, L"drum.C");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.path)) << seen[0].folder;
    EXPECT_EQ(seen[1].owner, seen[0].window);
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, DerivedTable(drum)));
    EXPECT_EQ(App().OutputPath, output.path);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(drum).image);  // the source, loaded again

    // A file another program holds open: reported with its path, the old bytes kept.
    const std::wstring target = output.path + L"drum.C";
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    seen = RunCommand(IdCompressFile,
                      {EnterFileName(L"drum.C"), PressButton(IDYES), PressButton(IDOK)});
    CloseHandle(holder);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(SameFolder(seen[0].folder, output.path)) << seen[0].folder;  // the last save's
    EXPECT_NE(seen[2].text.find(L"drum.wav was not saved: writing " + target + L" failed"),
              std::wstring::npos)
        << seen[2].text;
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, DerivedTable(drum)));
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
        EXPECT_EQ(seen[0].owner, App().MainWindow);
        EXPECT_EQ(seen[0].text, report);
    }
}

TEST_F(FilesTest, CompressAllPacksEveryEntryWithTheTableInForce) {
    const Bytes a = Sound(3), c = Sound(14);
    source.Write(L"a.wav", a);
    source.Write(L"bad.wav", Wav({3, 1, 8000, 32}, Bytes(400, 0)));
    source.Write(L"c.wav", c);
    source.Write(L"e.wav", a);
    ListAndSelect(source.path, {L"a.wav", L"bad.wav", L"c.wav", L"e.wav"}, 2);
    ASSERT_NE(DerivedTable(a), DerivedTable(c));  // else the table in force proves nothing
    output.Write(L"a.C", Bytes(50000, 0xAA));
    CreateDirectoryW((output.path + L"e.C").c_str(), nullptr);  // where e.C would go

    auto seen = RunCommand(IdCompressAll, {CancelDialog()});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].text.find(L"Choose Folder"), std::wstring::npos) << seen[0].text;
    EXPECT_EQ(seen[0].selection, LastName(source.path));  // the source folder, nothing saved yet
    EXPECT_EQ(output.Names(), (std::vector<std::wstring>{L"a.C", L"e.C"}));

    seen = RunCommand(IdCompressAll, {ChooseFolder(output.path), PressButton(IDOK)});
    ASSERT_EQ(seen.size(), 2u);
    const std::wstring report = seen[1].text;
    EXPECT_EQ(report.find(L"These files were not saved:\n\nbad.wav: not a PCM WAV file.\ne.wav: "
                          L"writing " +
                          output.path + L"e.C failed: "),
              0u)
        << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), L'\n'), 3) << report;
    EXPECT_EQ(output.Read(L"a.C"), Packed(a, DerivedTable(c)));  // replaced without asking
    EXPECT_EQ(output.Read(L"c.C"), Packed(c, DerivedTable(c)));
    EXPECT_EQ(App().StepTable, DerivedTable(c));
    EXPECT_EQ(App().SelectedIndex, 3);  // the last entry, as after packing each in turn

    // The browser preselects the folder of the batch, even once its times have moved.
    Sleep(2100);
    seen = RunCommand(IdCompressAll, {CancelDialog()});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].selection, LastName(output.path));
}

TEST_F(FilesTest, SaveDepackerWritesTheListing) {
    const std::string listing = DepackerListing();
    App().OutputPath = output.path;
    auto seen = RunCommand(IdSaveDepacker, {EnterFileName(L"Depacker.txt")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].offeredName, L"Depacker.txt");
    EXPECT_EQ(seen[0].fileType, L"Text (*.txt)");
    EXPECT_TRUE(SameFolder(seen[0].folder, output.path)) << seen[0].folder;
    EXPECT_EQ(output.Read(L"Depacker.txt"), Bytes(listing.begin(), listing.end()));
    // Under Wine on Linux, Z:\sys takes no new file, root or not.
    seen = RunCommand(IdSaveDepacker, {EnterFileName(L"Z:\\sys\\Depacker.txt"), PressButton(IDOK)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(
        seen[1].text.find(L"The depacker listing was not saved: writing Z:\\sys\\Depacker.txt"),
        std::wstring::npos)
        << seen[1].text;
}

}  // namespace
}  // namespace corvane::uitest
