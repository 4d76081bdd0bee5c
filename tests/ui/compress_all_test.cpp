// The batch: one folder chosen in the folder browser, every listed file packed into it.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "files_fixture.h"

namespace corvane::uitest {
namespace {

class CompressAllTest : public FilesTest {
  protected:
    std::vector<std::uint8_t> a = WanderingWav(3);
    std::vector<std::uint8_t> c = WanderingWav(14);

    // a.wav, bad.wav and c.wav listed; c.wav selected, so its table is in force.
    void ListThree() {
        source.Write(L"a.wav", a);
        source.Write(L"bad.wav", FloatWav());
        source.Write(L"c.wav", c);
        FillSourceList(source.Path(), {L"a.wav", L"bad.wav", L"c.wav"});
        SelectEntry(2);
        ASSERT_NE(DerivedTable(a), DerivedTable(c));  // else the table in force proves nothing
        ClearSoundCalls();
    }
};

TEST_F(CompressAllTest, EveryGoodEntryIsPackedWithTheTableInForceAndTheRestReported) {
    ListThree();

    const auto seen = RunCommand(
        IdCompressAll, {ChooseFolder(WithoutSeparator(output.Path())), PressButton(IDOK)});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, DialogKind::FolderBrowser);
    EXPECT_EQ(seen[0].title, L"Browse for Folder");
    EXPECT_NE(seen[0].text.find(L"Choose Folder"), std::wstring::npos) << seen[0].text;
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    // With OutputPath still empty the browser opens on the source folder.
    const std::wstring sourceName =
        WithoutSeparator(source.Path())
            .substr(WithoutSeparator(source.Path()).find_last_of(L'\\') + 1);
    EXPECT_EQ(seen[0].selection, sourceName);

    EXPECT_EQ(seen[1].kind, DialogKind::Message);
    EXPECT_EQ(seen[1].owner, App().MainWindow);
    EXPECT_NE(seen[1].text.find(L"bad.wav: it is not a PCM WAV file"), std::wstring::npos)
        << seen[1].text;
    EXPECT_EQ(seen[1].text.find(L"a.wav:"), std::wstring::npos) << seen[1].text;
    EXPECT_EQ(seen[1].text.find(L"c.wav"), std::wstring::npos) << seen[1].text;

    EXPECT_EQ(NamesIn(output.Path()), (std::vector<std::wstring>{L"a.C", L"c.C"}));
    EXPECT_EQ(ReadBytes(output.Path() + L"a.C"), PackedBytes(a, DerivedTable(c)));
    EXPECT_EQ(ReadBytes(output.Path() + L"c.C"), PackedBytes(c, DerivedTable(c)));
    EXPECT_EQ(App().StepTable, DerivedTable(c));
    EXPECT_TRUE(SameFolder(App().OutputPath, output.Path())) << App().OutputPath;
    EXPECT_EQ(App().SelectedIndex, 2);
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 2);
    ASSERT_FALSE(SoundCalls().empty());
    EXPECT_TRUE(SoundCalls().front().stop);
}

TEST_F(CompressAllTest, ExistingFilesAreReplacedWithoutAskingAndFailedWritesReported) {
    ListThree();
    output.Write(L"a.C", std::vector<std::uint8_t>(50000, 0xAA));
    const std::wstring blocked = output.Path() + L"c.C";
    ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));  // a folder where c.C would go
    App().OutputPath = output.Path();  // as after a single save: the browser preselects it
    Sleep(2100);  // a moment later, so the folder's times no longer match those it was given

    const auto seen = RunCommand(IdCompressAll, {AcceptFolder(output.Path()), PressButton(IDOK)});
    RemoveDirectoryW(blocked.c_str());

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, DialogKind::Message);
    EXPECT_NE(seen[1].text.find(L"bad.wav:"), std::wstring::npos) << seen[1].text;
    EXPECT_NE(seen[1].text.find(L"c.wav: writing " + blocked + L" failed"), std::wstring::npos)
        << seen[1].text;
    EXPECT_EQ(ReadBytes(output.Path() + L"a.C"), PackedBytes(a, DerivedTable(c)));
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"a.C"});
}

TEST_F(CompressAllTest, CancellingTheBrowserWritesNothing) {
    ListThree();

    const auto seen = RunCommand(IdCompressAll, {CancelDialog()});

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].expected);
    EXPECT_TRUE(NamesIn(output.Path()).empty());
    EXPECT_EQ(NamesIn(source.Path()), (std::vector<std::wstring>{L"a.wav", L"bad.wav", L"c.wav"}));
    EXPECT_EQ(App().OutputPath, source.Path());  // filled from the source folder first
    EXPECT_EQ(App().SelectedIndex, 2);
}

TEST_F(CompressAllTest, AfterSavingTheListingTheBatchWritesBesideItAndReportsNothing) {
    source.Write(L"a.wav", a);
    source.Write(L"c.wav", c);
    FillSourceList(source.Path(), {L"a.wav", L"c.wav"});
    SelectEntry(1);
    RunCommand(IdSaveDepacker, {EnterFileName(output.Path() + L"Depacker.txt")});
    ASSERT_EQ(App().OutputPath, output.Path());

    const auto seen = RunCommand(IdCompressAll, {AcceptFolder(output.Path())});

    ASSERT_EQ(seen.size(), 1u);  // no message box when every file was written
    EXPECT_TRUE(seen[0].expected);
    EXPECT_EQ(NamesIn(output.Path()), (std::vector<std::wstring>{L"Depacker.txt", L"a.C", L"c.C"}));
    EXPECT_EQ(ReadBytes(output.Path() + L"a.C"), PackedBytes(a, DerivedTable(c)));
    EXPECT_EQ(ReadBytes(output.Path() + L"c.C"), PackedBytes(c, DerivedTable(c)));
}

}  // namespace
}  // namespace corvane::uitest
