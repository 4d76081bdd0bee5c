// Saving the Z80 depacker listing.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "codec/depacker_listing.h"
#include "files_fixture.h"

namespace corvane::uitest {
namespace {

class SaveDepackerTest : public FilesTest {
  protected:
    static std::vector<std::uint8_t> Listing() {
        const std::string text = DepackerListing();
        return {text.begin(), text.end()};
    }
};

TEST_F(SaveDepackerTest, TheListingIsSavedByteExactFromTheFolderInOrder) {
    TempFolder startup;
    App().StartupFolder = WithoutSeparator(startup.Path());
    const auto packed = App().PackedImage;

    // Nothing chosen yet: the start-up folder. A name without ".txt" stays as typed.
    auto seen = RunCommand(IdSaveDepacker, {EnterFileName(L"listing")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Сохранить файл");
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].offeredName, L"Depacker.txt");
    EXPECT_EQ(seen[0].fileType, L"Text (*.txt)");
    EXPECT_TRUE(SameFolder(seen[0].folder, startup.Path())) << seen[0].folder;
    EXPECT_EQ(NamesIn(startup.Path()), std::vector<std::wstring>{L"listing"});
    EXPECT_EQ(ReadBytes(startup.Path() + L"listing"), Listing());
    EXPECT_EQ(App().OutputPath, startup.Path());

    // Files chosen, nothing saved yet: the source folder.
    App().OutputPath.clear();
    source.Write(L"a.wav", WanderingWav(4));
    FillSourceList(source.Path(), {L"a.wav"});
    seen = RunCommand(IdSaveDepacker, {EnterFileName(output.Path() + L"Depacker.txt")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(SameFolder(seen[0].folder, source.Path())) << seen[0].folder;
    EXPECT_EQ(App().OutputPath, output.Path());

    // After a save: its folder, "Depacker.txt" offered again, a longer file replaced.
    output.Write(L"Depacker.txt", std::vector<std::uint8_t>(10000, 'x'));
    seen = RunCommand(IdSaveDepacker, {EnterFileName(L"Depacker.txt"), PressButton(IDYES)});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(SameFolder(seen[0].folder, output.Path())) << seen[0].folder;
    EXPECT_EQ(seen[0].offeredName, L"Depacker.txt");
    EXPECT_EQ(seen[1].owner, seen[0].window);
    EXPECT_EQ(ReadBytes(output.Path() + L"Depacker.txt"), Listing());
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"Depacker.txt"});

    // Neither playback nor the packed sample is touched.
    EXPECT_TRUE(SoundCalls().empty());
    EXPECT_EQ(App().PackedImage, packed);
}

TEST_F(SaveDepackerTest, CancelChangesNothingAndAFailedWriteIsReported) {
    App().OutputPath = output.Path();
    auto seen = RunCommand(IdSaveDepacker, {CancelDialog()});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(NamesIn(output.Path()).empty());
    EXPECT_EQ(App().OutputPath, output.Path());

    const std::vector<std::uint8_t> old(20, 'o');
    output.Write(L"Depacker.txt", old);
    const std::wstring target = output.Path() + L"Depacker.txt";
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    seen = RunCommand(IdSaveDepacker,
                      {EnterFileName(L"Depacker.txt"), PressButton(IDYES), PressButton(IDOK)});
    CloseHandle(holder);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].owner, App().MainWindow);
    EXPECT_NE(seen[2].text.find(L"The depacker listing was not saved: writing " + target),
              std::wstring::npos)
        << seen[2].text;
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(NamesIn(output.Path()), std::vector<std::wstring>{L"Depacker.txt"});
}

}  // namespace
}  // namespace corvane::uitest
