#pragma once
// Drives Corvane's real main window inside the test process: create it as the entry does,
// send it commands, read back controls, and make WAV files to load.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace corvane::uitest {

// One PlaySoundW call as the program made it.
struct SoundCall {
    bool stop = false;  // no sound name: a stop request
    DWORD flags = 0;
    bool playsWaveImage = false;      // the name was the address of WaveImage
    std::vector<std::uint8_t> image;  // WaveImage at the moment of the call
};

// A fresh main window (fresh state record) for every test; sound calls are recorded, not made.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static const std::vector<SoundCall>& SoundCalls();
    static void ClearSoundCalls();
};

// Sends WM_COMMAND for control identifier `id` as the control itself would.
void SendCommand(int id, int notification = 0);
// Processes whatever is queued for this thread.
void PumpMessages();

std::wstring ControlText(int control);
bool IsShown(int control);
bool IsEnabled(int control);
RECT ControlRect(int control);  // in the main window's client coordinates
int FontHeight(int control);    // 0 when the control has no font of its own

// Puts names into the source list as choosing files would, without the dialog.
void FillSourceList(const std::wstring& folder, const std::vector<std::wstring>& names);
// Selects list entry `index` and sends the list's selection-change notification.
void SelectEntry(int index);

// Pixel (x, y) of a plot buffer as blue, green, red, fourth byte.
struct Pixel {
    std::uint8_t blue, green, red, fourth;
    bool operator==(const Pixel&) const = default;
};
Pixel HistogramPixel(int x, int y);
Pixel WaveformPixel(int x, int y);
constexpr Pixel kWhite{255, 255, 255, 0};
constexpr Pixel kPlotBlue{215, 120, 0, 0};
constexpr Pixel kLineOnWhite{239, 239, 239, 0};
constexpr Pixel kLineOnBlue{199, 104, 16, 0};
// The bytes of the bitmap a picture control shows now (empty when it shows none).
std::vector<std::uint8_t> PictureBits(int control);

// A canonical WAV file: 44-byte header and the data bytes as given.
struct WavSpec {
    std::uint16_t format = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 8000;
    std::uint16_t bitsPerSample = 8;
    std::vector<std::uint8_t> data;
};
std::vector<std::uint8_t> WavBytes(const WavSpec& wav);

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }  // ends in a backslash
    void Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) const;
    bool Exists(const std::wstring& name) const;
    void Remove(const std::wstring& name) const;

  private:
    std::wstring path_;
};

}  // namespace corvane::uitest
