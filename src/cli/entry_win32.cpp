// corvane-cli's entry on Windows: wide arguments, so that any file name can be given, and
// text a console shows as it is meant (UTF-8 bytes when redirected to a file or pipe).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/commands.h"
#include "files/utf16.h"

namespace corvane::cli {

namespace {

void Write(DWORD stream, FILE* file, std::string_view text) {
    HANDLE handle = GetStdHandle(stream);
    DWORD mode = 0;
    if (GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Widen(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}

}  // namespace

void Print(std::string_view text) { Write(STD_OUTPUT_HANDLE, stdout, text); }
void PrintError(std::string_view text) { Write(STD_ERROR_HANDLE, stderr, text); }

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
