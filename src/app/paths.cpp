#include "app/paths.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace corvane {

namespace {

// The zero-ended text at `at`, or nothing when no zero follows inside the buffer.
std::optional<std::wstring> TextAt(std::span<const wchar_t> buffer, std::size_t at) {
    if (at >= buffer.size()) return std::nullopt;
    const std::size_t length = wcsnlen(buffer.data() + at, buffer.size() - at);
    if (at + length == buffer.size()) return std::nullopt;
    return std::wstring(buffer.data() + at, length);
}

}  // namespace

std::optional<SourceSelection> ParseOpenResult(std::span<const wchar_t> buffer,
                                               std::size_t nameOffset) {
    // The first text is the full path of one file, or the folder of several.
    const std::optional<std::wstring> first = TextAt(buffer, 0);
    if (!first || nameOffset == 0 || nameOffset > first->size() + 1) return std::nullopt;
    // Cutting the text with one backslash added at the offset leaves the folder with one
    // trailing backslash; a drive root already ends in one.
    std::wstring folder = *first;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    SourceSelection selection;
    selection.folder = folder.substr(0, nameOffset);
    for (std::size_t at = nameOffset; at < buffer.size() && buffer[at] != L'\0';) {
        std::optional<std::wstring> name = TextAt(buffer, at);
        if (!name) return std::nullopt;
        at += name->size() + 1;
        selection.names.push_back(std::move(*name));
    }
    if (selection.names.empty()) return std::nullopt;
    return selection;
}

const std::wstring* OpenDialogFolder(const std::wstring& sourceFolder,
                                     const std::wstring& startupFolder) {
    return sourceFolder.empty() ? &startupFolder : nullptr;
}

const std::wstring& PackedOutputFolder(const std::wstring& outputPath,
                                       const std::wstring& sourceFolder) {
    return outputPath.empty() ? sourceFolder : outputPath;
}

const std::wstring& ListingFolder(const std::wstring& outputPath, const std::wstring& sourceFolder,
                                  const std::wstring& startupFolder) {
    return !outputPath.empty() ? outputPath : !sourceFolder.empty() ? sourceFolder : startupFolder;
}

std::wstring BatchTargetPath(const std::wstring& folder, const std::wstring& name) {
    const bool separated = !folder.empty() && folder.back() == L'\\';  // a drive root
    return folder + (separated ? L"" : L"\\") + name;
}

namespace {

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

bool IsWaveFile(const DroppedItem& item) {
    return !item.folder && item.path.size() > 4 &&
           Lower(item.path.substr(item.path.size() - 4)) == L".wav";
}

// The folder part of a path, with its backslash.
std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

}  // namespace

DroppedFiles SortDroppedFiles(const std::vector<DroppedItem>& items) {
    DroppedFiles dropped;
    const auto first = std::find_if(items.begin(), items.end(), IsWaveFile);
    if (first != items.end()) dropped.taken.folder = FolderOf(first->path);
    for (const DroppedItem& item : items) {
        if (IsWaveFile(item) && Lower(FolderOf(item.path)) == Lower(dropped.taken.folder)) {
            dropped.taken.names.push_back(item.path.substr(dropped.taken.folder.size()));
        } else {
            dropped.leftOut.push_back(item.path);
        }
    }
    return dropped;
}

std::vector<std::wstring> FoldersOnPath(const std::wstring& path) {
    std::vector<std::wstring> folders{path + L"\\"};
    for (std::size_t at = path.find(L'\\'); at != std::wstring::npos;
         at = path.find(L'\\', at + 1)) {
        folders.push_back(path.substr(0, at + 1));
    }
    return folders;
}

}  // namespace corvane
