// Where the window's file commands read and write.
#include "app/paths.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace std::string_view_literals;

// The open dialog's buffer as it returns it: texts, each ending in a zero, then zeros.
std::vector<wchar_t> Buffer(std::wstring_view texts, std::size_t size = 64) {
    std::vector<wchar_t> buffer(size, L'\0');
    std::copy(texts.begin(), texts.end(), buffer.begin());
    return buffer;
}

TEST(Paths, OpenDialogResultIsReadWithinTheBuffer) {
    const struct {
        std::vector<wchar_t> buffer;
        std::size_t offset;
        const wchar_t* folder;  // nullptr: refused
        std::vector<std::wstring> names;
    } cases[] = {
        {Buffer(L"D:\\snd\\drum.wav"sv), 7, L"D:\\snd\\", {L"drum.wav"}},
        {Buffer(L"D:\\snd\0a.wav\0b.wav\0"sv), 7, L"D:\\snd\\", {L"a.wav", L"b.wav"}},
        {Buffer(L"C:\\\0a.wav\0"sv), 4, L"C:\\", {L"a.wav"}},  // a drive root keeps one
        // A last name whose zero is the buffer's last element, nothing read past it.
        {Buffer(L"D:\\snd\0a.wav\0"sv, 13), 7, L"D:\\snd\\", {L"a.wav"}},
        // Texts that run to the buffer's end, an offset past the first text, no name.
        {Buffer(L"D:\\snd\\drum.wav"sv, 15), 7, nullptr, {}},
        {Buffer(L"D:\\snd\0a.wav\0bbbbb"sv, 18), 7, nullptr, {}},
        {Buffer(L"D:\\snd\0a.wav\0"sv), 8, nullptr, {}},
        {Buffer(L"D:\\snd\\"sv), 7, nullptr, {}},
        {Buffer(L"D:\\snd\\a.wav"sv), 0, nullptr, {}},
    };
    for (const auto& c : cases) {
        const auto selection = ParseOpenResult(c.buffer, c.offset);
        ASSERT_EQ(selection.has_value(), c.folder != nullptr) << c.buffer.data();
        if (selection) {
            EXPECT_EQ(selection->folder, c.folder);
            EXPECT_EQ(selection->names, c.names);
        }
    }
}

TEST(Paths, InitialFoldersBatchTargetsAndDrops) {
    const std::wstring none, source = L"D:\\snd\\", output = L"E:\\out\\", startup = L"C:\\run";
    EXPECT_EQ(OpenDialogFolder(none, startup), &startup);  // only the first choice of a run
    EXPECT_EQ(OpenDialogFolder(source, startup), nullptr);
    EXPECT_EQ(PackedOutputFolder(none, source), source);
    EXPECT_EQ(PackedOutputFolder(output, source), output);
    EXPECT_EQ(ListingFolder(output, source, startup), output);
    EXPECT_EQ(ListingFolder(none, source, startup), source);
    EXPECT_EQ(ListingFolder(none, none, startup), startup);
    EXPECT_EQ(BatchTargetPath(L"E:\\out", L"a.C"), L"E:\\out\\a.C");
    EXPECT_EQ(BatchTargetPath(L"E:\\", L"a.C"), L"E:\\a.C");
    EXPECT_EQ(FoldersOnPath(L"E:\\out\\deep"),
              (std::vector<std::wstring>{L"E:\\out\\deep\\", L"E:\\", L"E:\\out\\"}));
    const DroppedFiles dropped = SortDroppedFiles({{L"D:\\notes.txt"},
                                                   {L"D:\\s\\b.wav"},
                                                   {L"E:\\c.wav"},
                                                   {L"D:\\s\\x.wav", true},
                                                   {L"d:\\S\\A.WAV"}});
    EXPECT_EQ(dropped.taken.folder, L"D:\\s\\");
    EXPECT_EQ(dropped.taken.names, (std::vector<std::wstring>{L"b.wav", L"A.WAV"}));
    EXPECT_EQ(dropped.leftOut,
              (std::vector<std::wstring>{L"D:\\notes.txt", L"E:\\c.wav", L"D:\\s\\x.wav"}));
}

}  // namespace
}  // namespace corvane
