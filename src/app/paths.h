#pragma once
// Where the file commands read and write: the dialogs' initial folders, the batch's target
// paths, the open dialog's result. Plain functions of the paths the state record holds, with
// no platform call, so they are tested on every platform.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// The files an open dialog returned: their folder (with one trailing backslash) and names.
struct SourceSelection {
    std::wstring folder;
    std::vector<std::wstring> names;
};

// Reads the open dialog's buffer: one full path, or a folder and names, each ending in a
// zero, the names starting at `nameOffset`. Nothing when a text runs past the buffer.
std::optional<SourceSelection> ParseOpenResult(std::span<const wchar_t> buffer,
                                               std::size_t nameOffset);

// The open dialog starts in the start-up folder only for the first choice of a run; later
// it starts wherever it remembers (nullptr: no initial folder).
const std::wstring* OpenDialogFolder(const std::wstring& sourceFolder,
                                     const std::wstring& startupFolder);
// The single save and the batch start in the last output folder, else the source folder.
const std::wstring& PackedOutputFolder(const std::wstring& outputPath,
                                       const std::wstring& sourceFolder);
// The listing's save starts in the last output folder, the source folder, or the start-up one.
const std::wstring& ListingFolder(const std::wstring& outputPath, const std::wstring& sourceFolder,
                                  const std::wstring& startupFolder);

// The batch's file `name` in `folder`: one backslash between them (a drive root has it).
std::wstring BatchTargetPath(const std::wstring& folder, const std::wstring& name);

// Files dragged onto the window: the WAV files in the folder of the first of them are taken,
// in the order they came; folders, other files and files of other folders are left out.
struct DroppedItem {
    std::wstring path;
    bool folder = false;
};
struct DroppedFiles {
    SourceSelection taken;  // no names when no WAV file came
    std::vector<std::wstring> leftOut;
};
DroppedFiles SortDroppedFiles(const std::vector<DroppedItem>& items);

// `path` itself and every folder above it, each ending in a backslash.
std::vector<std::wstring> FoldersOnPath(const std::wstring& path);

}  // namespace corvane
