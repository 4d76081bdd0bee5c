// Preparing a source: 24- and 32-bit integer and 32-bit float samples, however the header
// states them, read only through a conversion, to the same level as any other source.
#include <gtest/gtest.h>

#include "support/wav.h"
#include "text/facts.h"
#include "wave/source.h"

namespace corvane {
namespace {

using namespace test;

// A WAVE_FORMAT_EXTENSIBLE "fmt " payload: its extension's valid bits and sub-format code.
Bytes Extensible(unsigned bits, unsigned valid, std::uint8_t code) {
    Bytes b = FmtPayload({0xFFFE, 1, 8000, bits});
    b.insert(b.end(), {22, 0, static_cast<std::uint8_t>(valid), 0, 4, 0, 0, 0});
    b.insert(b.end(), {code, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    return b;
}

TEST(Prepare, WideSamplesReadOnlyThroughAConversion) {
    // Half of full scale in each coding: 64 in 8-bit units, 192.
    const struct {
        Bytes fmt, sample;
    } cases[] = {
        {FmtPayload({1, 1, 8000, 24}), {0, 0, 0x40}},
        {FmtPayload({1, 1, 8000, 32}), {0, 0, 0, 0x40}},
        {FmtPayload({3, 1, 8000, 32}), {0, 0, 0, 0x3F}},  // 0.5f
        {Extensible(24, 20, 1), {0, 0, 0x40}},            // 20 valid bits, left-justified
        {Extensible(32, 32, 3), {0, 0, 0, 0x3F}},
    };
    for (const auto& c : cases) {
        Bytes data;
        for (int i = 0; i < 4000; ++i) data.insert(data.end(), c.sample.begin(), c.sample.end());
        const Bytes file = Riff({{"fmt ", c.fmt}, {"data", data}});
        const LoadedSource refused = LoadSourceBytes(file);
        EXPECT_FALSE(refused.Valid());
        EXPECT_NE(RefusalText(refused).find("only when a rate is chosen"), std::string::npos);
        Preparation atOwnRate;
        atOwnRate.wideFormats = true;
        for (const Preparation& how : {Preparation{16000}, atOwnRate}) {
            const LoadedSource read = LoadSourceBytes(file, how);
            ASSERT_TRUE(read.Valid()) << c.fmt.size() << " to " << how.rate;
            const auto samples = SamplesOf(read.image);
            EXPECT_EQ(samples.size(), how.rate != 0 ? 8000u : 4000u);
            EXPECT_EQ(samples[samples.size() / 2], 192);
        }
    }
    // Three channels, 16-bit floats, floats of fewer valid bits: never read.
    for (const Bytes& fmt :
         {FmtPayload({1, 3, 8000, 24}), FmtPayload({3, 1, 8000, 16}), Extensible(32, 24, 3)}) {
        const LoadedSource loaded =
            LoadSourceBytes(Riff({{"fmt ", fmt}, {"data", Bytes(48)}}), {16000});
        EXPECT_FALSE(loaded.Valid());
        EXPECT_EQ(RefusalText(loaded), RefusalText(loaded.refusal));
    }
}

}  // namespace
}  // namespace corvane
