// Reading and writing whole files on the platform the suite runs on: natively, and under Wine
// for the Windows build. (corvane-cli's cases write through the same code, and fail to.)
#include "files/file_io.h"

#include <gtest/gtest.h>

#include <random>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(FileIo, WritesReplaceWholeFilesAndFailuresLeaveNothing) {
    const fs::path dir =
        fs::temp_directory_path() / ("corvane-io-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "busy.C");  // a target that cannot be replaced
    std::string error;
    for (const Bytes& bytes : {Bytes(5000, 0xEE), Bytes{1}, Bytes{}}) {  // each replaces the last
        ASSERT_TRUE(WriteFileReplacing(dir / "drum.C", bytes, error)) << error;
        EXPECT_EQ(ReadWholeFile(dir / "drum.C", error), bytes);
    }
    EXPECT_FALSE(WriteFileReplacing(dir / "busy.C", Bytes{1}, error) || error.empty());
    EXPECT_FALSE(ReadWholeFile(dir / "busy.C", error));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);  // no temporary file stayed
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
