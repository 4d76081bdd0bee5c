#include "files/file_io.h"

#include <vector>

#include "files/file_io_platform.h"

namespace corvane {

bool WriteFilesReplacing(std::span<const FileToWrite> files, std::string& error) {
    std::vector<std::filesystem::path> temporaries;
    const auto removeFrom = [&temporaries](std::size_t first) {
        for (std::size_t i = first; i < temporaries.size(); ++i) RemoveTemporary(temporaries[i]);
    };
    for (const FileToWrite& file : files) {
        auto temporary = WriteTemporaryBeside(file.path, file.bytes, error);
        if (!temporary) {
            removeFrom(0);
            return false;
        }
        temporaries.push_back(std::move(*temporary));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!ReplaceWithTemporary(temporaries[i], files[i].path, error)) {
            removeFrom(i);
            return false;
        }
    }
    return true;
}

bool WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                        std::string& error) {
    const FileToWrite file{path, bytes};
    return WriteFilesReplacing({&file, 1}, error);
}

}  // namespace corvane
