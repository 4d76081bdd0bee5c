// corvane-cli's entry on POSIX systems: arguments and output are UTF-8 already.
#include <csignal>
#include <cstdio>

#include "cli/commands.h"
#include "files/file_io.h"

namespace corvane::cli {

bool Print(std::string_view text, std::string& error) {
    return WriteStandardOutput({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                               error);
}

void PrintError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace corvane::cli

int main(int argc, char** argv) {
    // A reader that goes away early makes a write fail (and corvane-cli say so) rather than
    // end the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return corvane::cli::RunCommandLine({argv + 1, argv + argc});
}
