// The coder choice, long work on the worker thread (progress, cancel, closing), and files
// dropped onto the window.
#include "app/work.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "codec/encoder_choice.h"
#include "files/utf16.h"
#include "support/window_fixture.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using WorkTest = MainWindowTest;

void ChooseCoder(int n) {
    SendMessageW(Control(Layout::CoderChoice), CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    SendCommand(IdCoder, CBN_SELCHANGE);
}

// The samples of a WAV file as the window loads them, their derived table.
Bytes SamplesOfWav(const Bytes& wav) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    return {SamplesOf(loaded.image).begin(), SamplesOf(loaded.image).end()};
}
StepTable Derived(const Bytes& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

// Each coder's file from the window is the core's, and the window says what it bought.
TEST_F(WorkTest, EveryCoderSavesAndPlaysWhatTheCoreMakes) {
    const Bytes quiet = Wav({1, 1, 8000, 8}, Tone(3000, 40, 20, 2)),
                loud = Wav({1, 1, 8000, 8}, Tone(3000, 25, 110, 9));
    source.Write(L"quiet.wav", quiet);
    source.Write(L"loud.wav", loud);
    FillSourceList(source.Path(), {L"quiet.wav", L"loud.wav"});
    App().SelectedIndex = -1;
    SelectEntry(0);
    const StepTable inForce = App().StepTable;  // the quiet file's, kept for the loud one
    FillSourceList(source.Path(), {L"loud.wav"});
    App().SelectedIndex = 0;
    const Bytes samples = SamplesOfWav(loud);
    for (const auto& [n, coder] : {std::pair{0, Encoder::Greedy}, std::pair{1, Encoder::Trellis},
                                   std::pair{2, Encoder::Optimal}}) {
        ChooseCoder(n);
        const StepTable table = coder == Encoder::Optimal ? Derived(samples) : inForce;
        const PackedSample expected = PackWithEncoder(coder, samples, table);
        const std::wstring name = L"c" + std::to_wstring(n) + L".C";
        const auto seen = RunCommand(IdCompressFile, {EnterFileName(output.Path() + name)});
        ASSERT_EQ(seen.size(), 1u) << n;
        EXPECT_EQ(output.Read(name), expected.file) << n;
        EXPECT_EQ(ControlText(Layout::TableLabel), Widen(TableText(TableOf(expected.file)))) << n;

        Bytes repacked = samples;
        RepackInPlace(coder, repacked, table);
        Sounds().clear();
        RunCommand(IdPlayRepacked, {});
        ASSERT_EQ(Sounds().size(), 2u) << n;  // stopped, then played once the work was done
        EXPECT_EQ(Bytes(Sounds()[1].image.begin() + 44, Sounds()[1].image.end()), repacked) << n;
        EXPECT_EQ(ControlText(Layout::SnrLabel), Widen(SnrText(RepackedSnrDb(samples, repacked))));
        SendCommand(IdPlaySource);  // back to the source for the next coder
    }
}

// A batch runs on the worker: the window stays usable, shows where it is, and cancelling
// leaves only whole files; closing the window during work ends the program with 0.
TEST_F(WorkTest, LongWorkCanBeFollowedCancelledAndClosed) {
    std::vector<std::wstring> names;
    for (int n = 0; n < 6; ++n) {
        names.push_back(L"s" + std::to_wstring(n) + L".wav");
        source.Write(names.back(), Wav({1, 1, 22050, 8}, Tone(60000, 30 + n, 100, 5)));
    }
    FillSourceList(source.Path(), names);
    SelectEntry(1);
    ChooseCoder(2);
    DialogWatcher watcher({ChooseFolder(output.Path())});
    SendCommand(IdCompressAll);  // returns once the browser is answered and the batch started
    ASSERT_EQ(watcher.Finish().size(), 1u);
    ASSERT_TRUE(WorkRunning());
    EXPECT_TRUE(IsEnabled(Layout::CancelButton));
    for (const Layout locked : {Layout::SourceList, Layout::OpenFilesButton,
                                Layout::CompressFileButton, Layout::CoderChoice}) {
        EXPECT_FALSE(IsEnabled(locked)) << static_cast<int>(locked);
    }
    SendCommand(IdPlayRepacked);  // refused while the batch runs
    EXPECT_TRUE(Sounds().empty() || Sounds().back().stop);
    SendMessageW(App().MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);  // Esc cancels
    AwaitWork();
    EXPECT_NE(ControlText(Layout::WorkCountLabel).find(L"Cancelled: "), std::wstring::npos);
    EXPECT_TRUE(IsEnabled(Layout::CompressAllButton));
    for (const std::wstring& name : output.Names()) {  // whole files only, of their sources
        const Bytes samples = SamplesOfWav(source.Read(name.substr(0, name.size() - 1) + L"wav"));
        EXPECT_EQ(output.Read(name),
                  PackWithEncoder(Encoder::Optimal, samples, Derived(samples)).file);
    }

    SelectEntry(0);
    SendCommand(IdPlayRepacked);
    ASSERT_TRUE(WorkRunning());
    PostMessageW(App().MainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(WorkRunning());
}

// Drops as the shell makes them: a DROPFILES block with the paths, each ending in a zero.
void Drop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(files + 1));
    GlobalUnlock(block);
    SendMessageW(App().MainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

TEST_F(WorkTest, DroppedFilesFillTheList) {
    const Bytes b = Wav({1, 1, 8000, 8}, Tone(2000, 20, 50));
    source.Write(L"b.wav", b);
    source.Write(L"A.WAV", Wav({1, 1, 8000, 8}, Tone(2000, 30, 90)));
    source.Write(L"notes.txt", {'x'});
    output.Write(L"other.wav", b);
    const std::wstring folder = source.Path().substr(0, source.Path().size() - 1);

    DialogWatcher watcher({PressButton(IDOK)});
    Drop({source.Path() + L"b.wav", output.Path() + L"other.wav", folder,
          source.Path() + L"notes.txt", source.Path() + L"A.WAV"});
    const auto told = watcher.Finish();
    EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"b.wav", L"A.WAV"}));
    EXPECT_EQ(App().SourceFolder, source.Path());
    EXPECT_EQ(App().SelectedIndex, 0);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(b).image);
    EXPECT_EQ(App().StepTable, Derived(SamplesOfWav(b)));
    ASSERT_EQ(told.size(), 1u);
    for (const std::wstring& leftOut :
         {output.Path() + L"other.wav", folder, source.Path() + L"notes.txt"}) {
        EXPECT_NE(told[0].text.find(leftOut), std::wstring::npos) << told[0].text;
    }
}

}  // namespace
}  // namespace corvane::uitest
