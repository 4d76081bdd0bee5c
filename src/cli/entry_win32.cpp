// corvane-cli's entry on Windows: wide arguments, so that any file name can be given, and
// text a console shows as it is meant (UTF-8 bytes when redirected to a file or pipe).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <optional>

#include "cli/commands.h"
#include "files/file_io.h"
#include "files/utf16.h"

namespace corvane::cli {

namespace {

// On a console, the text as the console's own wide text; nothing when `stream` is no console.
std::optional<bool> WriteToConsole(DWORD stream, std::string_view text) {
    HANDLE handle = GetStdHandle(stream);
    DWORD mode = 0;
    if (GetFileType(handle) != FILE_TYPE_CHAR || !GetConsoleMode(handle, &mode)) return {};
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           0;
}

}  // namespace

bool Print(std::string_view text, std::string& error) {
    if (const auto written = WriteToConsole(STD_OUTPUT_HANDLE, text)) {
        if (!*written) error = "the console refused the text";
        return *written;
    }
    return WriteStandardOutput({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                               error);
}

void PrintError(std::string_view text) {
    if (WriteToConsole(STD_ERROR_HANDLE, text)) return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace corvane::cli

int wmain(int argc, wchar_t** argv) {
    // Packed files and WAVs pass through standard input and output unchanged, and text
    // ends its lines as on every other platform.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    corvane::cli::Args args;
    for (int i = 1; i < argc; ++i) args.push_back(corvane::Narrow(argv[i]));
    return corvane::cli::RunCommandLine(std::move(args));
}
