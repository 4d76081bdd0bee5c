#include "files/atomic_write.h"

#include <windows.h>

namespace corvane {

namespace {

// The folder part of `path`, with its trailing separator; empty for a bare name.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// Creates a file of a name not yet taken in `folder`; INVALID_HANDLE_VALUE when none can be.
HANDLE CreateTemporaryFile(const std::wstring& folder, std::wstring& tempPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + L"~corvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++counter) + L".tmp";
        HANDLE file = CreateFileW(tempPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    return FlushFileBuffers(file) != FALSE;
}

}  // namespace

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result =
        length > 0 ? std::wstring(text, length) : L"system error " + std::to_wstring(code);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' ||
                               result.back() == L' ' || result.back() == L'.')) {
        result.pop_back();
    }
    return result;
}

bool WriteFileReplacing(const std::wstring& path, std::span<const std::uint8_t> bytes,
                        std::wstring& error) {
    std::wstring tempPath;
    HANDLE file = CreateTemporaryFile(FolderOf(path), tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemErrorText(GetLastError());
        return false;
    }
    const bool written = WriteAll(file, bytes);
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    if (written && MoveFileExW(tempPath.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    error = SystemErrorText(written ? GetLastError() : writeError);
    DeleteFileW(tempPath.c_str());
    return false;
}

}  // namespace corvane
