#pragma once
// Drives Corvane's real main window inside the test process, under Wine: a fresh window and
// state record for each test, sound calls recorded instead of made, commands sent as the
// controls send them, and folders of the test's own for the files it reads and writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "support/dialog_watcher.h"
#include "support/wav.h"

namespace corvane::uitest {

using test::Bytes;

// One PlaySoundW call as the program made it: a stop, or WaveImage as it was played.
struct SoundCall {
    bool stop = false;
    DWORD flags = 0;
    Bytes image;
};
std::vector<SoundCall>& Sounds();

// A folder of its own under the temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    std::wstring path;  // ends in a backslash
    void Write(const std::wstring& name, const Bytes& bytes) const;
    Bytes Read(const std::wstring& name) const;  // empty when there is no such file
    std::vector<std::wstring> Names() const;     // files and folders in it, sorted
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    TempFolder source, output;
};

// Sends command `id` as its control would, while a watcher answers the dialogs it shows,
// and lets long work run to its end; returns the dialogs seen.
std::vector<SeenDialog> RunCommand(int id, std::vector<Answer> answers = {}, int notification = 0);
// Lets the window's messages run until long work has finished.
void AwaitWork();
std::wstring ControlText(Layout control);
bool IsEnabled(Layout control);
// Puts names into the source list as choosing files would, and selects entry `index` (-1:
// none, as the list itself reports).
void ListAndSelect(const std::wstring& folder, const std::vector<std::wstring>& names, int index);
void SelectEntry(int index);
// The bytes of the bitmap a picture control shows now (empty when it shows none).
Bytes PictureBits(Layout picture);
// The two name the same folder, whether or not they end in a backslash.
bool SameFolder(std::wstring a, std::wstring b);
// The last name on a path: the folder or file it names.
std::wstring LastName(std::wstring path);

}  // namespace corvane::uitest
