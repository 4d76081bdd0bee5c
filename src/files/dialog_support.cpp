#include "files/dialog_support.h"

#include <windows.h>
// needs <windows.h> first
#include <commdlg.h>

#include <cwchar>

#include "app/app_state.h"

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

std::optional<SaveChoice> AskSavePath(const wchar_t* filter, const std::wstring& offeredName,
                                      const std::wstring& initialFolder) {
    std::vector<wchar_t> buffer(kDialogFileCapacity, L'\0');
    if (offeredName.size() >= buffer.size()) return std::nullopt;
    offeredName.copy(buffer.data(), offeredName.size());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = App().MainWindow;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = initialFolder.c_str();
    dialog.lpstrTitle = kSaveTitle;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;

    std::optional<std::wstring> path = TextAt(buffer, 0);
    if (!path || path->size() >= kPathCapacity || dialog.nFileOffset > path->size()) {
        return std::nullopt;
    }
    return SaveChoice{std::move(*path), dialog.nFileOffset};
}

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

std::wstring ListEntryText(int index) {
    HWND list = App().SourceList;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == LB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void ReadFoldersOnPath(const std::wstring& path) {
    std::vector<std::wstring> folders{path + L"\\"};
    for (std::size_t at = path.find(L'\\'); at != std::wstring::npos;
         at = path.find(L'\\', at + 1)) {
        folders.push_back(path.substr(0, at + 1));
    }
    for (const std::wstring& folder : folders) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
}

void ReportNotSaved(const std::wstring& text) {
    MessageBoxW(App().MainWindow, text.c_str(), L"Corvane", MB_OK | MB_ICONWARNING);
}

}  // namespace corvane
