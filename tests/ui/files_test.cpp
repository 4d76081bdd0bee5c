// Choosing files and saving through the real dialogs, answered by the dialog watcher.
#include <gtest/gtest.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "codec/depacker_listing.h"
#include "codec/encoder.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using namespace test;
using FilesTest = MainWindowTest;

Bytes Sound(int roughness, std::size_t count = 4000) {
    std::mt19937 random(static_cast<unsigned>(roughness));
    Bytes samples(count);
    int level = 128;
    for (auto& s : samples) {
        level = std::clamp(level + static_cast<int>(random() % (2 * roughness + 1)) - roughness, 0,
                           255);
        s = static_cast<std::uint8_t>(level);
    }
    return Wav({1, 1, 8000, 8}, samples);
}

StepTable DerivedTable(const Bytes& wav) {
    const auto stats = ComputeDifferenceStats(SamplesOf(LoadSourceBytes(wav).image));
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

std::wstring FolderName(std::wstring path) {
    if (path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
}

Bytes Packed(const Bytes& wav, const StepTable& table) {
    return PackSamples(SamplesOf(LoadSourceBytes(wav).image), table).file;
}

TEST_F(FilesTest, OpenFilesListsThemInTheDialogsOrder) {
    const Bytes a = Sound(3), c = Sound(12);
    source.Write(L"a.wav", a);
    source.Write(L"c.wav", c);
    App().StartupFolder = source.Path();
    const auto seen = RunCommand(IdOpenFiles, {EnterFileName(L"\"c.wav\" \"a.wav\"")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Выберите файлы");
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].fileType, L"Wave Sound (*.wav)");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.Path())) << seen[0].folder;
    EXPECT_EQ(App().SourceFolder, source.Path());
    EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"c.wav", L"a.wav"}));
    EXPECT_EQ(App().SelectedIndex, 0);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(c).image);
    EXPECT_EQ(App().StepTable, DerivedTable(c));

    SelectEntry(1);
    const auto cancelled = RunCommand(IdOpenFiles, {CancelDialog()});
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"c.wav", L"a.wav"}));
    EXPECT_EQ(App().SelectedIndex, 1);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(a).image);
}

TEST_F(FilesTest, CompressFileSavesTheSourcePackedWithTheTableInForce) {
    const Bytes drum = Sound(9);
    source.Write(L"drum.wav", drum);
    FillSourceList(source.Path(), {L"x.wav", L"drum.wav"});
    SelectEntry(1);
    SendCommand(IdPlayRepacked);  // the image now holds decoded samples
    output.Write(L"drum.C", Bytes(100000, 0xAA));

    const auto seen =
        RunCommand(IdCompressFile, {EnterFileName(output.Path() + L"drum.C"), PressButton(IDYES)});
    ASSERT_EQ(seen.size(), 2u);  // the save dialog, then the question before replacing
    EXPECT_EQ(seen[0].title, L"Сохранить файл");
    EXPECT_EQ(seen[0].offeredName, L"drum.C");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.Path())) << seen[0].folder;
    EXPECT_EQ(seen[1].owner, seen[0].window);
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, DerivedTable(drum)));
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{L"drum.C"});
    EXPECT_EQ(App().OutputPath, output.Path());
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(drum).image);  // the source, loaded again

    // A file another program holds open: reported with its path, the old bytes kept.
    const std::wstring target = output.Path() + L"drum.C";
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const auto failed = RunCommand(
        IdCompressFile, {EnterFileName(L"drum.C"), PressButton(IDYES), PressButton(IDOK)});
    CloseHandle(holder);
    ASSERT_EQ(failed.size(), 3u);
    EXPECT_TRUE(SameFolder(failed[0].folder, output.Path())) << failed[0].folder;
    EXPECT_EQ(failed[2].kind, DialogKind::Message);
    EXPECT_NE(failed[2].text.find(L"drum.wav was not saved: writing " + target + L" failed"),
              std::wstring::npos)
        << failed[2].text;
    EXPECT_EQ(output.Read(L"drum.C"), Packed(drum, DerivedTable(drum)));
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{L"drum.C"});
}

TEST_F(FilesTest, EntriesThatCannotBeSavedAreReportedWithoutADialog) {
    source.Write(L"good.wav", Sound(9));
    source.Write(L"bad.wav", Wav({3, 1, 8000, 32}, Bytes(400, 0)));
    source.Write(L"long.wav", Sound(5, 262150));  // 65537 data bytes
    FillSourceList(source.Path(), {L"good.wav", L"bad.wav", L"long.wav", L"gone.wav"});
    App().SelectedIndex = -1;
    SelectEntry(0);
    SendCommand(IdPlayRepacked);  // a packed file of good.wav stays in PackedImage
    const std::pair<int, const wchar_t*> cases[] = {
        {1, L"bad.wav was not saved: not a PCM WAV file."},
        {2, L"long.wav was not saved: too long: its packed data would exceed 65535 bytes."},
        {3, L"gone.wav was not saved: the file could not be read."}};
    for (const auto& [index, report] : cases) {
        SelectEntry(index);
        const auto seen = RunCommand(IdCompressFile, {PressButton(IDOK)});
        ASSERT_EQ(seen.size(), 1u) << index;
        EXPECT_EQ(seen[0].owner, App().MainWindow);
        EXPECT_EQ(seen[0].title, L"Corvane");
        EXPECT_EQ(seen[0].text, report);
    }
    EXPECT_EQ(source.Names(), (std::vector<std::wstring>{L"bad.wav", L"good.wav", L"long.wav"}));
}

TEST_F(FilesTest, CompressAllPacksEveryEntryWithTheTableInForce) {
    const Bytes a = Sound(3), c = Sound(14);
    source.Write(L"a.wav", a);
    source.Write(L"bad.wav", Wav({3, 1, 8000, 32}, Bytes(400, 0)));
    source.Write(L"c.wav", c);
    source.Write(L"e.wav", a);
    FillSourceList(source.Path(), {L"a.wav", L"bad.wav", L"c.wav", L"d.wav", L"e.wav"});
    SelectEntry(2);
    ASSERT_NE(DerivedTable(a), DerivedTable(c));  // else the table in force proves nothing
    output.Write(L"a.C", Bytes(50000, 0xAA));
    CreateDirectoryW((output.Path() + L"e.C").c_str(), nullptr);  // where e.C would go

    auto seen = RunCommand(IdCompressAll, {CancelDialog()});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, DialogKind::FolderBrowser);
    EXPECT_NE(seen[0].text.find(L"Choose Folder"), std::wstring::npos) << seen[0].text;
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].selection, FolderName(source.Path()));
    EXPECT_EQ(output.Names(), (std::vector<std::wstring>{L"a.C", L"e.C"}));
    EXPECT_EQ(App().OutputPath, source.Path());  // filled from the source folder first

    seen = RunCommand(IdCompressAll, {ChooseFolder(output.Path()), PressButton(IDOK)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, DialogKind::Message);
    EXPECT_NE(seen[1].text.find(L"bad.wav: not a PCM WAV file."), std::wstring::npos);
    EXPECT_NE(seen[1].text.find(L"d.wav: the file could not be read."), std::wstring::npos);
    EXPECT_NE(seen[1].text.find(L"e.wav: writing " + output.Path() + L"e.C failed"),
              std::wstring::npos);
    EXPECT_EQ(seen[1].text.find(L"a.wav:"), std::wstring::npos) << seen[1].text;
    EXPECT_EQ(output.Read(L"a.C"), Packed(a, DerivedTable(c)));  // replaced without asking
    EXPECT_EQ(output.Read(L"c.C"), Packed(c, DerivedTable(c)));
    EXPECT_EQ(output.Names(), (std::vector<std::wstring>{L"a.C", L"c.C", L"e.C"}));
    EXPECT_EQ(App().StepTable, DerivedTable(c));
    EXPECT_TRUE(SameFolder(App().OutputPath, output.Path())) << App().OutputPath;

    // The browser preselects the folder of the last save, even once its times have moved.
    Sleep(2100);
    seen = RunCommand(IdCompressAll, {ChooseFolder(output.Path()), PressButton(IDOK)});
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].selection, FolderName(output.Path()));
}

TEST_F(FilesTest, SaveDepackerWritesTheListing) {
    const std::string listing = DepackerListing();
    App().OutputPath = output.Path();
    output.Write(L"Depacker.txt", Bytes(10000, 'x'));
    auto seen = RunCommand(IdSaveDepacker, {EnterFileName(L"Depacker.txt"), PressButton(IDYES)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].offeredName, L"Depacker.txt");
    EXPECT_EQ(seen[0].fileType, L"Text (*.txt)");
    EXPECT_TRUE(SameFolder(seen[0].folder, output.Path())) << seen[0].folder;
    EXPECT_EQ(output.Read(L"Depacker.txt"), Bytes(listing.begin(), listing.end()));
    EXPECT_TRUE(Sounds().empty());

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
