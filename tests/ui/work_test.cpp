// The coder choice, long work on the worker thread (progress, cancel, closing), and files
// dropped onto the window.
#include "app/work.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "files/utf16.h"
#include "support/window_fixture.h"
#include "text/summary.h"

namespace corvane::uitest {
namespace {

using namespace test;
using WorkTest = MainWindowTest;

void ChooseCoder(int n) {
    SendMessageW(Control(Layout::CoderChoice), CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    RunCommand(IdCoder, {}, CBN_SELCHANGE);
}

Bytes SamplesOfWav(const Bytes& wav) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    return {SamplesOf(loaded.image).begin(), SamplesOf(loaded.image).end()};
}

StepTable Derived(const Bytes& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

// Runs the window's messages until `done` holds or the work ends.
template <typename Done>
void PumpUntil(Done done) {
    MSG message;
    while (WorkRunning() && !done()) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        } else {
            Sleep(5);
        }
    }
}

// Each coder's file from the window is the core's, and the window says what it bought.
TEST_F(WorkTest, EveryCoderSavesAndPlaysWhatTheCoreMakes) {
    source.Write(L"quiet.wav", Wav({1, 1, 8000, 8}, Tone(3000, 40, 20, 2)));
    const Bytes loud = Wav({1, 1, 8000, 8}, Tone(3000, 25, 110, 9));
    source.Write(L"loud.wav", loud);
    ListAndSelect(source.path, {L"quiet.wav", L"loud.wav"}, 0);
    const StepTable inForce = App().StepTable;  // the quiet file's, kept for the loud one
    App().SelectedIndex = 1;
    SendMessageW(App().SourceList, LB_SETCURSEL, 1, 0);
    const Bytes samples = SamplesOfWav(loud);
    const std::pair<int, Encoder> coders[] = {
        {0, Encoder::Greedy}, {1, Encoder::Trellis}, {2, Encoder::Optimal}};
    const auto tableFor = [&](Encoder coder) {
        return coder == Encoder::Optimal ? Derived(samples) : inForce;
    };
    // Played repacked one coder after the other, nothing between: each plays and shows its own.
    for (const auto& [n, coder] : coders) {
        ChooseCoder(n);
        Bytes repacked = samples;
        const Bytes file = RepackInPlace(coder, repacked, tableFor(coder)).file;
        Sounds().clear();
        RunCommand(IdPlayRepacked);
        ASSERT_EQ(Sounds().size(), 2u) << n;  // stopped, then played once the work was done
        EXPECT_EQ(Bytes(Sounds()[1].image.begin() + 44, Sounds()[1].image.end()), repacked) << n;
        EXPECT_EQ(ControlText(Layout::TableLabel), Widen(TableText(TableOf(file)))) << n;
        const std::wstring snr = ControlText(Layout::SnrLabel);
        EXPECT_EQ(snr, Widen(SnrText(RepackedSnrDb(samples, repacked)))) << n;
        EXPECT_EQ(snr.find(L','), std::wstring::npos) << Narrow(snr);  // whatever the C locale
    }
    for (const auto& [n, coder] : coders) {
        ChooseCoder(n);
        const Bytes expected = PackWithEncoder(coder, samples, tableFor(coder)).file;
        const std::wstring name = L"c" + std::to_wstring(n) + L".C";
        ASSERT_EQ(RunCommand(IdCompressFile, {EnterFileName(output.path + name)}).size(), 1u) << n;
        EXPECT_EQ(output.Read(name), expected) << n;
        EXPECT_EQ(ControlText(Layout::TableLabel), Widen(TableText(TableOf(expected)))) << n;
    }
}

// A batch runs on the worker: the window locks what would start more work, Esc cancels,
// leaving only whole files; closing the window during work ends the program with 0.
TEST_F(WorkTest, LongWorkCanBeCancelledAndClosed) {
    std::vector<std::wstring> names;
    for (int n = 0; n < 6; ++n) {
        names.push_back(L"s" + std::to_wstring(n) + L".wav");
        // The first long enough that its work is still running when the window closes.
        const std::size_t length = n == 0 ? 250000 : 60000;
        source.Write(names.back(), Wav({1, 1, 22050, 8}, Tone(length, 30 + n, 100, 5)));
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
          Layout::PlayRepackedButton, Layout::CoderChoice}) {
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
        const Bytes samples = SamplesOfWav(source.Read(name.substr(0, name.size() - 1) + L"wav"));
        EXPECT_EQ(output.Read(name),
                  PackWithEncoder(Encoder::Optimal, samples, Derived(samples)).file);
    }

    SelectEntry(0);
    SendMessageW(App().MainWindow, WM_COMMAND, IdPlayRepacked, 0);
    PumpUntil([] { return SendMessageW(Control(Layout::ProgressBar), PBM_GETPOS, 0, 0) > 0; });
    ASSERT_TRUE(WorkRunning());
    EXPECT_EQ(ControlText(Layout::WorkCountLabel), L"");  // one sample: the bar alone
    PostMessageW(App().MainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(WorkRunning());
}

// Drops as the shell makes them: a DROPFILES block with the paths, each ending in a zero.
TEST_F(WorkTest, DroppedFilesFillTheList) {
    const Bytes b = Wav({1, 1, 8000, 8}, Tone(2000, 20, 50));
    source.Write(L"b.wav", b);
    source.Write(L"A.WAV", b);
    source.Write(L"notes.txt", {'x'});
    output.Write(L"other.wav", b);
    const std::wstring folder = source.path.substr(0, source.path.size() - 1);
    const std::vector<std::wstring> leftOut = {output.path + L"other.wav", folder,
                                               source.path + L"notes.txt"};
    std::wstring list = source.path + L"b.wav" + L'\0' + leftOut[0] + L'\0' + leftOut[1] + L'\0' +
                        leftOut[2] + L'\0' + source.path + L"A.WAV" + L'\0' + L'\0';
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
    EXPECT_EQ(SendMessageW(App().SourceList, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(App().WaveImage, LoadSourceBytes(b).image);
    EXPECT_EQ(App().StepTable, Derived(SamplesOfWav(b)));
    ASSERT_EQ(told.size(), 1u);
    for (const std::wstring& path : leftOut) {
        EXPECT_NE(told[0].text.find(L"\n" + path), std::wstring::npos) << told[0].text;
    }
}

}  // namespace
}  // namespace corvane::uitest
