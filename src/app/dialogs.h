#pragma once
// The platform's dialogs as the file commands use them. Each takes its owner window and texts
// as parameters and returns what the user chose, or nothing when the dialog was cancelled.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "app/paths.h"

namespace corvane {

inline constexpr wchar_t kOpenTitle[] = L"Выберите файлы";
inline constexpr wchar_t kSaveTitle[] = L"Сохранить файл";
// Filters: pairs of description and pattern, the literal's own zero ending the list.
inline constexpr wchar_t kWaveFilter[] = L"Wave Sound (*.wav)\0*.wav\0";
inline constexpr wchar_t kTextFilter[] = L"Text (*.txt)\0*.txt\0";

// The multi-select open dialog for WAV files, starting in `initialFolder` when given. Nothing
// when it is cancelled, or when the names chosen do not fit its buffer: `tooMany` then says so.
std::optional<SourceSelection> AskSourceFiles(HWND owner, const std::wstring* initialFolder,
                                              bool& tooMany);
// Characters of names the open dialog can return: room for tens of thousands of files. Returns
// the capacity it replaces (tests choose a small one).
inline constexpr std::size_t kOpenDialogCapacity = 1 << 20;
std::size_t SetOpenDialogCapacity(std::size_t capacity);

// The chosen path of a save dialog and where its file name starts.
struct SaveChoice {
    std::wstring path;
    std::size_t nameOffset = 0;
    std::wstring Folder() const { return path.substr(0, nameOffset); }  // with its separator
};

// The save dialog, offering `offeredName` in `initialFolder`. Nothing when it is cancelled,
// fails, or the name does not fit the dialog's buffer.
std::optional<SaveChoice> AskSavePath(HWND owner, const wchar_t* filter,
                                      const std::wstring& offeredName,
                                      const std::wstring& initialFolder);

// The folder browser "Choose Folder", preselecting `preselect`; the chosen folder's path.
std::optional<std::wstring> AskFolder(HWND owner, const std::wstring& preselect);

// Wine's folder browser finds the folder to preselect by comparing item ids that hold
// access times. Reading each folder on the path first keeps those times from changing
// while the browser fills its tree; otherwise it selects nothing and OK means the Desktop.
void ReadFoldersOnPath(const std::wstring& path);

// A message box over `owner` telling what was not done, or what was.
void ShowWarning(HWND owner, const std::wstring& text);
void ShowInformation(HWND owner, const std::wstring& text);

}  // namespace corvane
