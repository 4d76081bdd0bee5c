#pragma once
// What the open and save commands share: dialog texts, the save dialog, list entries and
// the message box that reports a file not written.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

inline constexpr wchar_t kOpenTitle[] = L"Выберите файлы";
inline constexpr wchar_t kSaveTitle[] = L"Сохранить файл";
// Filters: pairs of description and pattern, the literal's own zero ending the list.
inline constexpr wchar_t kWaveFilter[] = L"Wave Sound (*.wav)\0*.wav\0";
inline constexpr wchar_t kTextFilter[] = L"Text (*.txt)\0*.txt\0";

// The chosen path of a save dialog and where its file name starts.
struct SaveChoice {
    std::wstring path;
    std::size_t nameOffset = 0;
    std::wstring Folder() const { return path.substr(0, nameOffset); }  // with its separator
};

// The save dialog, offering `offeredName` in `initialFolder`. Nothing when it is cancelled,
// fails, or the name does not fit the dialog's buffer.
std::optional<SaveChoice> AskSavePath(const wchar_t* filter, const std::wstring& offeredName,
                                      const std::wstring& initialFolder);

// The files an open dialog returned: their folder (with one trailing backslash) and names.
struct SourceSelection {
    std::wstring folder;
    std::vector<std::wstring> names;
};

// Reads the open dialog's buffer: one full path, or a folder and names, each ending in a
// zero, the names starting at `nameOffset`. Nothing when a text runs past the buffer.
std::optional<SourceSelection> ParseOpenResult(std::span<const wchar_t> buffer,
                                               std::size_t nameOffset);

// The text of source list entry `index`; empty when there is none.
std::wstring ListEntryText(int index);

// Wine's folder browser finds the folder to preselect by comparing item ids that hold
// access times. Reading each folder on the path first keeps those times from changing
// while the browser fills its tree; otherwise it selects nothing and OK means the Desktop.
void ReadFoldersOnPath(const std::wstring& path);

// Tells the user, in a message box over the main window, what was not saved.
void ReportNotSaved(const std::wstring& text);

}  // namespace corvane
