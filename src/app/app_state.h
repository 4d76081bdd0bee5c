#pragma once
// The one record of Corvane's working state, touched only from the UI thread.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/plots.h"
#include "card/pitch.h"
#include "card/rate_choice.h"
#include "codec/encoder_choice.h"
#include "codec/packed_format.h"
#include "wave/source.h"

namespace corvane {

constexpr int kPathCapacity = 16384;  // the longest folder or path the program composes
constexpr int kStartupFolderCapacity = 2048;
constexpr int kDialogFileCapacity = 10240;  // file-name buffer of the save dialog

// Where each control sits in the layout table, numbered in creation order: the main page is 1
// to 28 and from 34 on, the About page 29 to 33. Not the command identifiers, which
// are `CommandId`s (dispatch.h).
enum class Layout : int {
    SourceList = 2,
    AudioFormatLabel = 4,
    ChannelsLabel = 5,
    BitDepthLabel = 6,
    SampleRateLabel = 7,
    DataSizeLabel = 8,
    LengthLabel = 9,
    GainSpanLabel = 10,
    FileSizeLabel = 12,
    TableLabel = 14,
    OpenFilesButton = 15,
    PlaySourceButton = 16,
    StopButton = 17,
    PlayRepackedButton = 18,
    CompressFileButton = 19,
    CompressAllButton = 20,
    SaveDepackerButton = 21,
    AboutButton = 22,
    HistogramPicture = 23,
    PeakLabel = 24,
    WaveformPicture = 28,
    AboutTitle = 29,
    AboutTextLabel = 30,
    BackButton = 31,
    DonateCaption = 32,
    DonateLinkButton = 33,
    CoderCaption = 34,
    CoderChoice = 35,
    SnrLabel = 36,
    ProgressBar = 37,
    WorkCountLabel = 38,
    CancelButton = 39,
    CardHeading = 40,
    CardNoteLabel = 41,
    CardPitchLabel = 42,
    LoopLabel = 43,
    RateCaption = 44,
    RateChoice = 45,
    RomCaption = 46,
    RomChoice = 47,
    LoopCaption = 48,
    LoopChoice = 49,
    LoopNoteLabel = 50,
    SaveBankButton = 51,
    CardSettingsCaption = 52,
    PlayNoteCaption = 53,
    PlayNoteChoice = 54,
    PlayOnCardButton = 55,
    TapeCheck = 56,
};
constexpr int kControlCount = 56;
constexpr int kAboutPageFirst = 29;
constexpr int kAboutPageLast = 33;
constexpr bool OnAboutPage(int n) { return n >= kAboutPageFirst && n <= kAboutPageLast; }

// A listed file's own choices: the rate it is converted to, what is done with its loop.
struct SampleChoice {
    RateChoice rate;  // the source's own at first
    LoopChoice loop = LoopChoice::Keep;
    bool operator==(const SampleChoice&) const = default;
};

struct AppState {
    // Sample buffers. WaveImage: 44-byte header + samples; its size is the WAV image size.
    std::vector<std::uint8_t> WaveImage;
    std::vector<std::uint8_t> PackedImage;  // the packed file: header + data; empty when none

    // The step table in force: derived when an entry is selected, used by every packing.
    corvane::StepTable StepTable{};
    Encoder Coder = Encoder::Greedy;  // the coder chosen in the window: classic at first
    // How sources are prepared: on the ROM chosen, each listed file with its own rate and loop
    // choice; files added to the list take the last choice made.
    corvane::Rom CardRom = corvane::Rom::V104;
    SampleChoice LastChoice;
    std::vector<SampleChoice> Choices;  // in the list's order

    // Flags.
    bool SampleValid = false;
    bool SourceInImage = false;
    // Why the loaded source cannot be stored as a packed file; None when it can.
    Refusal SourceRefusal = Refusal::Unreadable;
    // The loaded source's loop as prepared, why its file's loop was not taken, and whether the
    // file has one to offer the loop choice for.
    std::optional<SampleLoop> SourceLoop;
    LoopProblem SourceLoopProblem = LoopProblem::None;
    LoopKind SourceLoopKind = LoopKind::Forward;
    bool SourceHasLoop = false;

    // Source list and paths.
    int SelectedIndex = 0;
    int SourceCount = 0;
    std::wstring SourceFolder;  // ends in a backslash once files were chosen
    std::wstring OutputPath;
    std::wstring StartupFolder;

    // Drawing resources. The pixel buffers start black (all zero).
    HFONT HeadingFont = nullptr;
    HFONT TextFont = nullptr;
    HFONT SmallFont = nullptr;
    std::vector<std::uint8_t> HistogramPixels = std::vector<std::uint8_t>(kHistogramBytes);
    std::vector<std::uint8_t> WaveformPixels = std::vector<std::uint8_t>(kWaveformBytes);
    HBITMAP HistogramBitmap = nullptr;
    HBITMAP WaveformBitmap = nullptr;

    // Window handles: the main window and every control, by layout number.
    HWND MainWindow = nullptr;
    HWND SourceList = nullptr;
    std::array<HWND, kControlCount + 1> Controls{};
};

AppState& App();

// The control at a place of the layout.
inline HWND Control(Layout place) { return App().Controls[static_cast<std::size_t>(place)]; }
// The control of layout number n, 1 to 33.
inline HWND ControlNumber(int n) { return App().Controls[static_cast<std::size_t>(n)]; }

// List entry `index`'s own choices; the last choice made for an index the list does not hold.
SampleChoice ChoiceOf(int index);

// How list entry `index` (by default the selected one) is prepared, as its own choices and the
// ROM say.
Preparation HowToPrepare(int index);
Preparation HowToPrepare();

// Creates the three fonts once; they live until the process ends.
void CreateFonts();

// Back to the start-up values, keeping the fonts (for a new main window in the same process).
void ResetAppState();

}  // namespace corvane
