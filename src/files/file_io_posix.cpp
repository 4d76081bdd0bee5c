#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <system_error>

#include "files/file_io.h"
#include "files/file_io_platform.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

std::string SystemText(int code) { return std::generic_category().message(code); }

// A name in the target's folder that no other writer, thread or process, picks as well.
fs::path TemporaryPathBeside(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
    return path.parent_path() /
           ("~corvane-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp");
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be opened or synced costs nothing.
void SyncFolderOf(const fs::path& path) {
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = SystemText(errno);
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = SystemText(errno);
    } else if (S_ISDIR(info.st_mode)) {
        error = "it is a folder";
    } else if (static_cast<std::uintmax_t>(info.st_size) > kLargestFile) {
        error = "it is larger than 2 GB";
    } else {
        try {
            bytes.emplace(static_cast<std::size_t>(info.st_size));
            std::size_t got = 0;
            while (got < bytes->size()) {
                const ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            if (got != bytes->size()) {
                error = "it could not be read to its end";
                bytes.reset();
            }
        } catch (const std::bad_alloc&) {
            error = "there is not enough memory to hold it";
            bytes.reset();
        }
    }
    ::close(fd);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = SystemText(errno);
            return std::nullopt;
        }
        if (n == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > kLargestFile) {
            error = "it is larger than 2 GB";
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

bool WriteStandardOutput(std::span<const std::uint8_t> bytes, std::string& error) {
    if (WriteAll(STDOUT_FILENO, bytes)) return true;
    error = SystemText(errno);
    return false;
}

std::optional<fs::path> WriteTemporaryBeside(const fs::path& path,
                                             std::span<const std::uint8_t> bytes,
                                             std::string& error) {
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryPathBeside(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = SystemText(errno);
        return std::nullopt;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok) return temporary;
    ::unlink(temporary.c_str());
    error = SystemText(failure);
    return std::nullopt;
}

bool ReplaceWithTemporary(const fs::path& temporary, const fs::path& path, std::string& error) {
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemText(errno);
        return false;
    }
    SyncFolderOf(path);
    return true;
}

void RemoveTemporary(const fs::path& temporary) { ::unlink(temporary.c_str()); }

}  // namespace corvane
