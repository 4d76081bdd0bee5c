#include <windows.h>

#include <atomic>
#include <new>

#include "files/file_io.h"
#include "files/file_io_platform.h"
#include "files/utf16.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

// The system's words for an error code, without the trailing line break and full stop.
std::string SystemText(DWORD code) {
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
    return Narrow(result);
}

// Creates a file of a name no other writer, thread or process, picks in the target's folder.
HANDLE CreateTemporaryBeside(const fs::path& path, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path.parent_path() / (L"~corvane-" + std::to_wstring(GetCurrentProcessId()) +
                                          L"-" + std::to_wstring(++counter) + L".tmp");
        HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
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

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path, std::string& error) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemText(GetLastError());
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        error = SystemText(GetLastError());
    } else if (static_cast<std::uintmax_t>(size.QuadPart) > kLargestFile) {
        error = "it is larger than 2 GB";
    } else {
        try {
            bytes.emplace(static_cast<std::size_t>(size.QuadPart));
            DWORD read = 0;
            if (!bytes->empty() && (!ReadFile(file, bytes->data(),
                                              static_cast<DWORD>(bytes->size()), &read, nullptr) ||
                                    read != bytes->size())) {
                error = "it could not be read to its end";
                bytes.reset();
            }
        } catch (const std::bad_alloc&) {
            error = "there is not enough memory to hold it";
            bytes.reset();
        }
    }
    CloseHandle(file);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::string& error) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(input, chunk, sizeof chunk, &read, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE) return bytes;  // the writer closed its end
            error = SystemText(code);
            return std::nullopt;
        }
        if (read == 0) return bytes;
        if (bytes.size() + read > kLargestFile) {
            error = "it is larger than 2 GB";
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
}

bool WriteStandardOutput(std::span<const std::uint8_t> bytes, std::string& error) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = bytes.size() > 0x10000 ? 0x10000 : static_cast<DWORD>(bytes.size());
        if (!WriteFile(output, bytes.data(), chunk, &written, nullptr) || written == 0) {
            error = SystemText(GetLastError());
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

std::optional<fs::path> WriteTemporaryBeside(const fs::path& path,
                                             std::span<const std::uint8_t> bytes,
                                             std::string& error) {
    fs::path temporary;
    HANDLE file = CreateTemporaryBeside(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemText(GetLastError());
        return std::nullopt;
    }
    const bool written = WriteAll(file, bytes);
    const DWORD failure = GetLastError();
    CloseHandle(file);
    if (written) return temporary;
    error = SystemText(failure);
    DeleteFileW(temporary.c_str());
    return std::nullopt;
}

// Another writer replacing the same target at this moment makes the move fail for a while; a
// program holding the target open without delete sharing makes it fail for good.
bool ReplaceWithTemporary(const fs::path& temporary, const fs::path& path, std::string& error) {
    DWORD failure = ERROR_GEN_FAILURE;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(temporary.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        failure = GetLastError();
        if (failure != ERROR_ACCESS_DENIED && failure != ERROR_SHARING_VIOLATION) break;
        Sleep(25);
    }
    error = SystemText(failure);
    return false;
}

void RemoveTemporary(const fs::path& temporary) { DeleteFileW(temporary.c_str()); }

}  // namespace corvane
