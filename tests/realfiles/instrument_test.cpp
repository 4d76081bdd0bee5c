// A loop written by libsndfile (its instrument chunk, which it stores as "smpl") is the loop
// Corvane reads: libsndfile's loop end is one past the last frame, the chunk's is the last.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "wave/source.h"

namespace corvane {
namespace {

TEST(RealFiles, LoopOfLibsndfilesInstrumentChunk) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "corvane-instrument.wav";
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    SF_INSTRUMENT instrument{};
    instrument.basenote = 60;
    instrument.loop_count = 1;
    instrument.loops[0] = {SF_LOOP_FORWARD, 1200, 4800, 0};
    ASSERT_EQ(sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument), SF_TRUE);
    std::vector<short> samples(6000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<short>(i * 7);
    ASSERT_EQ(sf_write_short(file, samples.data(), 6000), 6000);
    sf_close(file);

    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);
    const LoadedSource loaded = LoadSourceBytes(bytes);
    ASSERT_TRUE(loaded.Valid());
    EXPECT_EQ(SamplesOf(loaded.image).size(), 6000u);
    EXPECT_EQ(loaded.loop, (SampleLoop{1200, 4799}));
    EXPECT_EQ(loaded.loopProblem, LoopProblem::None);
}

}  // namespace
}  // namespace corvane
