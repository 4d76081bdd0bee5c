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

// One PlaySoundW call as the program made it.
struct SoundCall {
    bool stop = false;  // no sound name: a stop request
    DWORD flags = 0;
    bool playsWaveImage = false;  // the name was the address of WaveImage
    Bytes image;                  // WaveImage at the moment of the call
};

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return path_; }  // ends in a backslash
    void Write(const std::wstring& name, const Bytes& bytes) const;
    Bytes Read(const std::wstring& name) const;  // empty when there is no such file
    std::vector<std::wstring> Names() const;     // files and folders in it, sorted

  private:
    std::wstring path_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Sends command `id` while a watcher gives `answers` to the dialogs it shows.
    static std::vector<SeenDialog> RunCommand(int id, std::vector<Answer> answers);

    TempFolder source;
    TempFolder output;

  private:
    std::wstring startFolder_;
};

// The sound calls since the test began (or since the list was cleared).
std::vector<SoundCall>& Sounds();
// Lets the window's messages run until long work has finished.
void AwaitWork();
// Sends WM_COMMAND for control identifier `id` as the control itself would.
void SendCommand(int id, int notification = 0);
std::wstring ControlText(Layout control);
bool IsEnabled(Layout control);
// Puts names into the source list as choosing files would, without the dialog.
void FillSourceList(const std::wstring& folder, const std::vector<std::wstring>& names);
// Selects list entry `index` and sends the list's selection-change notification.
void SelectEntry(int index);
std::vector<std::wstring> ListEntries();
// The bytes of the bitmap a picture control shows now (empty when it shows none).
Bytes PictureBits(Layout picture);
// The two name the same folder, whether or not they end in a backslash.
bool SameFolder(std::wstring a, std::wstring b);

}  // namespace corvane::uitest
