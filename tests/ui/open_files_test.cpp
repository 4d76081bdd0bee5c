// The open dialog: the source list, the source folder and the first file's analysis.
#include <gtest/gtest.h>

#include <span>

#include "app/dispatch.h"
#include "files/dialog_support.h"
#include "files_fixture.h"
#include "wave/source.h"

namespace corvane::uitest {
namespace {

class OpenFilesTest : public FilesTest {
  protected:
    static bool PlaybackStopped() {
        for (const SoundCall& call : SoundCalls()) {
            if (call.stop) return true;
        }
        return false;
    }
};

TEST_F(OpenFilesTest, OneFileFromTheStartupFolderIsListedAndAnalysed) {
    const auto drum = WanderingWav(9);
    source.Write(L"drum.wav", drum);
    App().StartupFolder = WithoutSeparator(source.Path());

    const auto seen = RunCommand(IdOpenFiles, {EnterFileName(L"drum.wav")});

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].expected);
    EXPECT_EQ(seen[0].kind, DialogKind::File);
    EXPECT_EQ(seen[0].title, L"Выберите файлы");
    EXPECT_EQ(seen[0].owner, App().MainWindow);
    EXPECT_EQ(seen[0].fileType, L"Wave Sound (*.wav)");
    EXPECT_TRUE(SameFolder(seen[0].folder, source.Path())) << seen[0].folder;

    EXPECT_EQ(App().SourceFolder, source.Path());
    EXPECT_EQ(ListEntries(), std::vector<std::wstring>{L"drum.wav"});
    EXPECT_EQ(App().SourceCount, 1);
    EXPECT_EQ(App().SelectedIndex, 0);
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(App().SampleValid);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(drum).image);
    EXPECT_TRUE(App().TableDerived);
    EXPECT_EQ(App().StepTable, DerivedTable(drum));
    EXPECT_TRUE(IsEnabled(CompressFileButton));
    EXPECT_TRUE(PlaybackStopped());
}

TEST_F(OpenFilesTest, SeveralFilesAreListedInTheDialogsOrder) {
    const auto a = WanderingWav(3), b = WanderingWav(7), c = WanderingWav(12);
    source.Write(L"a.wav", a);
    source.Write(L"b.wav", b);
    source.Write(L"c.wav", c);
    App().StartupFolder = source.Path();

    const auto seen = RunCommand(IdOpenFiles, {EnterFileName(L"\"c.wav\" \"a.wav\" \"b.wav\"")});

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(App().SourceFolder, source.Path());
    EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"c.wav", L"a.wav", L"b.wav"}));
    EXPECT_EQ(App().SourceCount, 3);
    EXPECT_EQ(App().SelectedIndex, 0);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(c).image);
    EXPECT_EQ(App().StepTable, DerivedTable(c));
}

TEST_F(OpenFilesTest, CancelChangesNothingAndAnotherChoiceReplacesTheList) {
    source.Write(L"a.wav", WanderingWav(5));
    source.Write(L"b.wav", WanderingWav(6));
    output.Write(L"bad.wav", FloatWav());
    App().StartupFolder = source.Path();
    RunCommand(IdOpenFiles, {EnterFileName(L"\"a.wav\" \"b.wav\"")});
    SelectEntry(1);
    const auto image = App().WaveImage;
    ClearSoundCalls();

    const auto cancelled = RunCommand(IdOpenFiles, {CancelDialog()});
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_TRUE(cancelled[0].expected);
    EXPECT_EQ(App().SourceFolder, source.Path());
    EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"a.wav", L"b.wav"}));
    EXPECT_EQ(App().SourceCount, 2);
    EXPECT_EQ(App().SelectedIndex, 1);
    EXPECT_EQ(App().WaveImage, image);
    EXPECT_TRUE(SoundCalls().empty());

    // A file that fails the format checks is listed all the same.
    const auto replaced = RunCommand(IdOpenFiles, {EnterFileName(output.Path() + L"bad.wav")});
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(App().SourceFolder, output.Path());
    EXPECT_EQ(ListEntries(), std::vector<std::wstring>{L"bad.wav"});
    EXPECT_EQ(App().SourceCount, 1);
    EXPECT_EQ(App().SelectedIndex, 0);
    EXPECT_FALSE(App().SampleValid);
}

// The dialog's buffer as it would return it.
std::vector<wchar_t> Buffer(std::wstring_view texts, std::size_t size = 64) {
    std::vector<wchar_t> buffer(size, L'\0');
    std::copy(texts.begin(), texts.end(), buffer.begin());
    return buffer;
}

TEST(OpenResultTest, FolderAndNamesAreReadWithinTheBuffer) {
    using namespace std::string_view_literals;
    auto one = ParseOpenResult(Buffer(L"D:\\snd\\drum.wav"sv), 7);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->folder, L"D:\\snd\\");
    EXPECT_EQ(one->names, std::vector<std::wstring>{L"drum.wav"});

    auto several = ParseOpenResult(Buffer(L"D:\\snd\0a.wav\0b.wav\0"sv), 7);
    ASSERT_TRUE(several);
    EXPECT_EQ(several->folder, L"D:\\snd\\");
    EXPECT_EQ(several->names, (std::vector<std::wstring>{L"a.wav", L"b.wav"}));

    // A drive root keeps its one backslash.
    auto rootOne = ParseOpenResult(Buffer(L"C:\\drum.wav"sv), 3);
    ASSERT_TRUE(rootOne);
    EXPECT_EQ(rootOne->folder, L"C:\\");
    auto rootSeveral = ParseOpenResult(Buffer(L"C:\\\0a.wav\0b.wav\0"sv), 4);
    ASSERT_TRUE(rootSeveral);
    EXPECT_EQ(rootSeveral->folder, L"C:\\");
    EXPECT_EQ(rootSeveral->names, (std::vector<std::wstring>{L"a.wav", L"b.wav"}));

    // Texts that run to the buffer's end, or an offset past the first text, are refused.
    EXPECT_FALSE(ParseOpenResult(Buffer(L"D:\\snd\\drum.wav"sv, 15), 7));
    EXPECT_FALSE(ParseOpenResult(Buffer(L"D:\\snd\0a.wav\0bbbbb"sv, 18), 7));
    EXPECT_FALSE(ParseOpenResult(Buffer(L"D:\\snd\0a.wav\0"sv), 9));
    EXPECT_FALSE(ParseOpenResult(Buffer(L"D:\\snd\\"sv), 7));
}

}  // namespace
}  // namespace corvane::uitest
