#include "app/dialogs.h"

#include <windows.h>
// needs <windows.h> first
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "app/app_state.h"

namespace corvane {

namespace {

std::size_t openDialogCapacity = kOpenDialogCapacity;

// The folder browser's callback: preselects the folder given as `data`.
int CALLBACK BrowseInitCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

std::size_t SetOpenDialogCapacity(std::size_t capacity) {
    return std::exchange(openDialogCapacity, capacity);
}

std::optional<SourceSelection> AskSourceFiles(HWND owner, const std::wstring* initialFolder,
                                              bool& tooMany) {
    // Windows refuses a choice that does not fit (FNERR_BUFFERTOOSMALL); Wine writes it past
    // the buffer's end, into a guard area that must then still hold its marks.
    constexpr std::size_t kGuard = 8192;
    constexpr wchar_t kMark = 0xFFFF;  // a non-character, never in a file name
    std::vector<wchar_t> buffer(openDialogCapacity + kGuard, kMark);
    std::fill_n(buffer.begin(), openDialogCapacity, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);  // the 64-bit size: a 32-bit one shows no dialog
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kWaveFilter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(openDialogCapacity);
    dialog.lpstrTitle = kOpenTitle;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
    if (initialFolder != nullptr) dialog.lpstrInitialDir = initialFolder->c_str();
    const bool chosen = GetOpenFileNameW(&dialog) != 0;
    tooMany = chosen ? std::any_of(buffer.begin() + static_cast<std::ptrdiff_t>(openDialogCapacity),
                                   buffer.end(), [](wchar_t c) { return c != kMark; })
                     : CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    if (!chosen || tooMany) return std::nullopt;
    return ParseOpenResult(std::span(buffer).first(openDialogCapacity), dialog.nFileOffset);
}

std::optional<SaveChoice> AskSavePath(HWND owner, const wchar_t* filter,
                                      const std::wstring& offeredName,
                                      const std::wstring& initialFolder) {
    std::vector<wchar_t> buffer(kDialogFileCapacity, L'\0');
    if (offeredName.size() >= buffer.size()) return std::nullopt;
    offeredName.copy(buffer.data(), offeredName.size());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = initialFolder.c_str();
    dialog.lpstrTitle = kSaveTitle;
    // The flags the program has always passed. A save dialog ignores OFN_FILEMUSTEXIST (a
    // new name is taken) and OFN_ALLOWMULTISELECT (one name comes back); OFN_OVERWRITEPROMPT
    // asks before an existing file is replaced.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;

    const std::wstring path(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    if (path.size() >= buffer.size() || path.size() >= kPathCapacity ||
        dialog.nFileOffset > path.size()) {
        return std::nullopt;
    }
    return SaveChoice{path, dialog.nFileOffset};
}

std::optional<std::wstring> AskFolder(HWND owner, const std::wstring& preselect) {
    wchar_t title[] = L"Choose Folder";
    wchar_t displayName[MAX_PATH] = {};  // the browser's own: the preselection stays as it was
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    browse.lpfn = BrowseInitCallback;
    browse.lParam = reinterpret_cast<LPARAM>(preselect.c_str());

    ReadFoldersOnPath(preselect);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<std::wstring> folder;
    if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse)) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, path)) folder = path;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return folder;
}

void ReadFoldersOnPath(const std::wstring& path) {
    for (const std::wstring& folder : FoldersOnPath(path)) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
}

void ShowWarning(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), L"Corvane", MB_OK | MB_ICONWARNING);
}

void ShowInformation(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), L"Corvane", MB_OK | MB_ICONINFORMATION);
}

}  // namespace corvane
