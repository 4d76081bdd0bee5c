// Reading and writing whole files, on the platform the suite runs on.
#include "files/file_io.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <thread>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class FileIo : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() /
                   ("corvane-io-" + std::to_string(std::random_device{}()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Bytes Read(const fs::path& path) {
        std::string error;
        return ReadWholeFile(path, error).value_or(Bytes{0xBA, 0xD0});
    }
    std::vector<fs::path> Entries() {
        return {fs::directory_iterator(dir), fs::directory_iterator()};
    }
};

TEST_F(FileIo, WritesReplaceWholeFilesAndFailuresLeaveNothing) {
    const fs::path target = dir / "drum.C";
    std::string error;
    ASSERT_TRUE(WriteFileReplacing(target, Bytes(5000, 0xEE), error)) << error;
    ASSERT_TRUE(WriteFileReplacing(target, Bytes{1, 2, 3}, error)) << error;
    EXPECT_EQ(Read(target), (Bytes{1, 2, 3}));  // the longer file is gone, not overwritten
    ASSERT_TRUE(WriteFileReplacing(target, {}, error)) << error;
    EXPECT_EQ(Read(target), Bytes{});

    fs::create_directories(dir / "busy.C");  // a target that cannot be replaced
    EXPECT_FALSE(WriteFileReplacing(dir / "busy.C", Bytes{1}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "busy.C"));
    EXPECT_FALSE(WriteFileReplacing(dir / "no" / "such" / "x.C", Bytes{1}, error));
    EXPECT_EQ(Entries().size(), 2u);  // no temporary file stayed behind
}

TEST_F(FileIo, WritersAtOnceEachLeaveACompleteFile) {
    std::vector<std::thread> writers;
    for (int w = 0; w < 8; ++w) {
        writers.emplace_back([this, w] {
            std::string error;
            for (int round = 0; round < 20; ++round) {
                const Bytes bytes(1000 + 100 * w, static_cast<std::uint8_t>(w));
                EXPECT_TRUE(WriteFileReplacing(dir / "shared.C", bytes, error)) << error;
                EXPECT_TRUE(WriteFileReplacing(dir / (std::to_string(w) + ".C"), bytes, error));
            }
        });
    }
    for (auto& writer : writers) writer.join();
    const Bytes shared = Read(dir / "shared.C");
    ASSERT_FALSE(shared.empty());
    const int w = shared[0];
    EXPECT_EQ(shared, Bytes(1000 + 100 * w, static_cast<std::uint8_t>(w)));  // one writer's whole
    EXPECT_EQ(Entries().size(), 9u);
}

TEST_F(FileIo, ReadingTellsWhyNot) {
    std::ofstream(dir / "a.wav", std::ios::binary) << "RIFF";
    std::string error;
    EXPECT_EQ(ReadWholeFile(dir / "a.wav", error), (Bytes{'R', 'I', 'F', 'F'}));
    for (const fs::path& bad : {dir / "missing.wav", dir}) {
        error.clear();
        EXPECT_FALSE(ReadWholeFile(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(fs::exists(dir / "missing.wav"));  // reading never creates a file
}

}  // namespace
}  // namespace corvane
