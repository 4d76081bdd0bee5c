// The single save of a packed file through the save dialog.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "files_fixture.h"
#include "wave/source.h"

namespace corvane::uitest {
namespace {

class SavePackedTest : public FilesTest {
  protected:
    std::vector<std::uint8_t> drum = WanderingWav(9);

    // drum.wav listed second and selected, so its table is the one in force.
    void SelectDrum() {
        source.Write(L"snare.wav", WanderingWav(4));
        source.Write(L"drum.wav", drum);
        FillSourceList(source.Path(), {L"snare.wav", L"drum.wav"});
        SelectEntry(1);
        ASSERT_TRUE(App().SampleValid);
    }
};

TEST_F(SavePackedTest, SaveOffersThePackedNameAndWritesTheCoresBytes) {
    SelectDrum();
    SendCommand(IdPlayRepacked);  // the image now holds decoded samples
    ClearSoundCalls();

    const auto seen = RunCommand(IdCompressFile, {EnterFileName(output.Path() + L"drum.C")});

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].expected);
    EXPECT_EQ(seen[0].kind, DialogKind::File);
    EXPECT_EQ(seen[0].title, L"Сохранить файл");
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].offeredName, L"drum.C");
    EXPECT_EQ(seen[0].fileType, L"Wave Sound (*.wav)");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.Path())) << seen[0].folder;
    ASSERT_FALSE(SoundCalls().empty());
    EXPECT_TRUE(SoundCalls().front().stop);

    // The source's samples, packed with the table derived when drum.wav was selected.
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"drum.C"});
    EXPECT_EQ(ReadBytes(output.Path() + L"drum.C"), PackedBytes(drum, DerivedTable(drum)));
    EXPECT_EQ(App().OutputPath, output.Path());
    EXPECT_TRUE(App().SourceInImage);  // loaded again: the source, not the decoded samples
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(drum).image);

    // The next dialog opens in that folder and takes a name that does not exist yet.
    const auto next = RunCommand(IdCompressFile, {EnterFileName(L"new name.C")});
    ASSERT_EQ(next.size(), 1u);
    EXPECT_TRUE(SameFolder(next[0].folder, output.Path())) << next[0].folder;
    EXPECT_EQ(next[0].offeredName, L"drum.C");
    EXPECT_EQ(ReadBytes(output.Path() + L"new name.C"), PackedBytes(drum, DerivedTable(drum)));
    EXPECT_EQ(App().OutputPath, output.Path());
}

TEST_F(SavePackedTest, ReplacingALongerFileAsksFirstAndLeavesOnlyTheNewBytes) {
    SelectDrum();
    output.Write(L"drum.C", std::vector<std::uint8_t>(100000, 0xAA));

    const auto seen =
        RunCommand(IdCompressFile, {EnterFileName(output.Path() + L"drum.C"), PressButton(IDYES)});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, DialogKind::Message);
    EXPECT_EQ(seen[1].owner, seen[0].window);  // the overwrite question
    EXPECT_EQ(ReadBytes(output.Path() + L"drum.C"), PackedBytes(drum, DerivedTable(drum)));
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"drum.C"});
}

TEST_F(SavePackedTest, CancelWritesNothingAndKeepsTheOutputPath) {
    SelectDrum();
    App().OutputPath = output.Path();

    const auto seen = RunCommand(IdCompressFile, {CancelDialog()});

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].expected);
    EXPECT_TRUE(NamesIn(output.Path()).empty());
    EXPECT_EQ(App().OutputPath, output.Path());
}

TEST_F(SavePackedTest, EntriesThatCannotBePackedAreReportedWithoutADialog) {
    source.Write(L"good.wav", drum);
    source.Write(L"bad.wav", FloatWav());
    // 262150 samples make 65537 data bytes, more than the length field holds.
    source.Write(L"long.wav", WanderingWav(5, 262150));
    FillSourceList(source.Path(), {L"good.wav", L"bad.wav", L"long.wav", L"gone.wav"});
    App().SelectedIndex = -1;
    SelectEntry(0);  // a packed file of good.wav is in PackedImage from here on
    SendCommand(IdPlayRepacked);
    const struct {
        int index;
        const wchar_t* entry;
        const wchar_t* reason;
    } cases[] = {{1, L"bad.wav", L"not a PCM WAV file"},
                 {2, L"long.wav", L"65535 bytes"},
                 {3, L"gone.wav", L"could not be read"}};
    for (const auto& c : cases) {
        SelectEntry(c.index);
        const auto seen = RunCommand(IdCompressFile, {PressButton(IDOK)});
        ASSERT_EQ(seen.size(), 1u) << c.entry;
        EXPECT_EQ(seen[0].kind, DialogKind::Message) << c.entry;
        EXPECT_EQ(seen[0].owner, App().MainWindow);
        EXPECT_EQ(seen[0].title, L"Corvane");
        EXPECT_NE(seen[0].text.find(std::wstring(c.entry) + L" was not saved"), std::wstring::npos)
            << seen[0].text;
        EXPECT_NE(seen[0].text.find(c.reason), std::wstring::npos) << seen[0].text;
    }
    EXPECT_EQ(NamesIn(source.Path()),
              (std::vector<std::wstring>{L"bad.wav", L"good.wav", L"long.wav"}));
}

TEST_F(SavePackedTest, AFailedWriteIsReportedAndKeepsTheFileThatWasThere) {
    SelectDrum();
    const std::vector<std::uint8_t> old(300, 0x55);
    output.Write(L"drum.C", old);
    const std::wstring target = output.Path() + L"drum.C";
    // Another program has the file open and does not let it be replaced.
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const auto seen =
        RunCommand(IdCompressFile, {EnterFileName(target), PressButton(IDYES), PressButton(IDOK)});
    CloseHandle(holder);

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].kind, DialogKind::Message);
    EXPECT_EQ(seen[2].owner, App().MainWindow);
    EXPECT_NE(seen[2].text.find(L"drum.wav was not saved"), std::wstring::npos) << seen[2].text;
    EXPECT_NE(seen[2].text.find(target), std::wstring::npos) << seen[2].text;
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"drum.C"});
    EXPECT_EQ(App().OutputPath, output.Path());
}

// Under Wine on Linux, Z:\sys is a folder where nobody, root included, may create a file.
TEST_F(SavePackedTest, ASaveIntoAFolderThatTakesNoFilesIsReported) {
    const std::wstring folder = L"Z:\\sys\\";
    HANDLE probe = CreateFileW((folder + L"probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE ||
        GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
        GTEST_SKIP() << "no folder here refuses new files";
    }
    SelectDrum();

    const auto seen =
        RunCommand(IdCompressFile, {EnterFileName(folder + L"drum.C"), PressButton(IDOK)});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, DialogKind::Message);
    EXPECT_NE(seen[1].text.find(folder + L"drum.C"), std::wstring::npos) << seen[1].text;
    EXPECT_EQ(GetFileAttributesW((folder + L"drum.C").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace corvane::uitest
