#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/tvl_file.h"

namespace {

constexpr int kPlane = 128 * 128;

// Builds expected coded bytes chunk by chunk.
struct Coded {
    explicit Coded(int count) {
        for (int k = 0; k < 4; ++k) bytes.push_back(uint8_t(uint32_t(count) >> (8 * k)));
    }
    Coded& Literal(std::initializer_list<uint16_t> samples) { return Literal(std::vector<uint16_t>(samples)); }
    Coded& Literal(const std::vector<uint16_t>& samples) {
        bytes.push_back(uint8_t(samples.size()));
        for (uint16_t s : samples) {
            bytes.push_back(uint8_t(s));
            bytes.push_back(uint8_t(s >> 8));
        }
        return *this;
    }
    Coded& Run(int n) {
        bytes.push_back(uint8_t(n));
        return *this;
    }
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Encode(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> bytes;
    ByteSink sink(bytes);
    WriteRLE(samples.data(), int(samples.size()), sink);
    EXPECT_TRUE(sink.Finish());
    return bytes;
}

// Decodes into a buffer with guard samples behind the plane, which must
// survive whatever the input says.
constexpr uint16_t kGuard = 0xBEEF;
constexpr int kGuards = 600;

bool Decode(const std::vector<uint8_t>& bytes, int count, std::vector<uint16_t>& out) {
    out.assign(size_t(count + kGuards), kGuard);
    ByteSource source(bytes.data(), bytes.size());
    const bool ok = ReadRLE(out.data(), count, source);
    for (int k = count; k < count + kGuards; ++k) EXPECT_EQ(out[size_t(k)], kGuard) << "stored past the plane at " << k;
    out.resize(size_t(count));
    return ok;
}

TEST(TvlFileRle, ShortSequencesAreCodedAsDescribed) {
    const uint16_t x = 0x1234, y = 0xABCD, z = 7, w = 0xFFFF, v = 0x8000;
    struct Case {
        std::vector<uint16_t> samples;
        std::vector<uint8_t> expected;
    } cases[] = {
        // A literal carries the first two equal samples; the run goes on after them.
        {{x, y, z, z, z, z, w}, Coded(7).Literal({x, y, z, z}).Run(2).Literal({w}).bytes},
        {{v, v, v, v}, Coded(4).Literal({v, v, v}).Run(1).bytes},
        // Two equal samples at the very start do not end the literal.
        {{v, v, x, y}, Coded(4).Literal({v, v, x, y}).bytes},
        {{x}, Coded(1).Literal({x}).bytes},
        {{}, Coded(0).bytes},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.samples), c.expected) << c.samples.size() << " samples";
        std::vector<uint16_t> back;
        EXPECT_TRUE(Decode(c.expected, int(c.samples.size()), back));
        EXPECT_EQ(back, c.samples);
    }
}

TEST(TvlFileRle, EqualSamplesAlternateFullRunsAndShortLiterals) {
    const uint16_t v = 0x4242;
    const std::vector<uint16_t> samples(kPlane, v);
    // Three samples open the plane, then each run of 254 is cut by the
    // chunk limit and the next literal starts with the same value again.
    Coded expected(kPlane);
    int left = kPlane;
    for (;;) {
        expected.Literal({v, v, v});
        left -= 3;
        const int run = std::min(254, left);
        expected.Run(run);
        left -= run;
        if (left == 0) break;
    }
    EXPECT_EQ(Encode(samples), expected.bytes);
    std::vector<uint16_t> back;
    EXPECT_TRUE(Decode(expected.bytes, kPlane, back));
    EXPECT_EQ(back, samples);
}

TEST(TvlFileRle, AlternatingValuesFormFullLiteralsWithEmptyRuns) {
    std::vector<uint16_t> samples(kPlane);
    for (int i = 0; i < kPlane; ++i) samples[size_t(i)] = i % 2 ? 3 : 9;
    Coded expected(kPlane);
    for (int start = 0; start < kPlane; start += 255) {
        const int n = std::min(255, kPlane - start);
        expected.Literal(std::vector<uint16_t>(samples.begin() + start, samples.begin() + start + n));
        if (n == 255) expected.Run(0);
    }
    EXPECT_EQ(Encode(samples), expected.bytes);
    std::vector<uint16_t> back;
    EXPECT_TRUE(Decode(expected.bytes, kPlane, back));
    EXPECT_EQ(back, samples);
}

// The coder one sample at a time, as a state machine: the reference the
// coder that scans spans must match byte for byte.
std::vector<uint8_t> ReferenceCode(const std::vector<uint16_t>& samples) {
    Coded out(int(samples.size()));
    std::vector<uint16_t> literal;
    int n = 0;
    bool inRun = false;
    uint16_t previous = 0;
    for (size_t j = 0; j < samples.size(); ++j) {
        const uint16_t v = samples[j];
        if (!inRun) {
            literal.push_back(v);
            ++n;
            if ((j > 0 && n > 2 && v == previous) || n == 255) {
                out.Literal(literal);
                literal.clear();
                n = 0;
                inRun = true;
            }
        } else if (++n, v != previous || n == 255) {
            out.Run(n - 1);
            literal.assign(1, v);
            n = 1;
            inRun = false;
        }
        previous = v;
    }
    if (n > 0) {
        if (inRun)
            out.Run(n);
        else
            out.Literal(literal);
    }
    return out.bytes;
}

TEST(TvlFileRle, CodingMatchesTheSampleBySampleReference) {
    std::mt19937 rng(23);
    std::vector<std::vector<uint16_t>> planes;
    for (int shape = 0; shape < 40; ++shape) {
        // Runs of random lengths (some past a chunk) of few values, so that
        // literals, repeats inside literals and chunk limits all occur.
        const size_t size = shape < 4 ? size_t(shape) : shape % 3 ? kPlane : 1 + rng() % 2000;
        const int longest = 1 + int(rng() % 600);
        const int values = 1 + int(rng() % 5);
        std::vector<uint16_t> p;
        while (p.size() < size) {
            const size_t n = 1 + rng() % size_t(longest);
            const uint16_t v = uint16_t(rng() % values * 16383);
            for (size_t k = 0; k < n && p.size() < size; ++k) p.push_back(v);
        }
        planes.push_back(p);
    }
    for (size_t i = 0; i < planes.size(); ++i) EXPECT_EQ(Encode(planes[i]), ReferenceCode(planes[i])) << "plane " << i;
}

TEST(TvlFileRle, PlanesOfEveryShapeRoundTrip) {
    std::mt19937 rng(17);
    std::vector<std::vector<uint16_t>> planes;
    std::vector<uint16_t> p(kPlane);
    for (uint16_t& s : p) s = uint16_t(rng());
    planes.push_back(p);
    for (size_t i = 0; i < p.size();) {  // runs of every length up to 600
        const size_t n = 1 + rng() % 600;
        const uint16_t v = uint16_t(rng() % 4);
        for (size_t k = 0; k < n && i < p.size(); ++k) p[i++] = v;
    }
    planes.push_back(p);
    for (size_t i = 0; i < p.size(); ++i) p[i] = uint16_t((i / 2) % 3);  // pairs: a a b b c c
    planes.push_back(p);
    for (size_t i = 0; i < p.size(); ++i) p[i] = i < 300 ? uint16_t(i) : 5;  // a long literal, then one run
    planes.push_back(p);
    for (const auto& plane : planes) {
        std::vector<uint16_t> back;
        EXPECT_TRUE(Decode(Encode(plane), kPlane, back));
        EXPECT_EQ(back, plane);
    }
}

TEST(TvlFileRle, EveryPlaneStartsWithARunValueOfZero) {
    // The first plane ends on 7; the second opens with an empty literal, so
    // its run repeats zero, not a value left over from before.
    std::vector<uint8_t> bytes = Coded(3).Literal({1, 2, 7}).bytes;
    Coded second(300);
    second.Literal({}).Run(255).Literal({}).Run(45);
    bytes.insert(bytes.end(), second.bytes.begin(), second.bytes.end());

    ByteSource source(bytes.data(), bytes.size());
    std::vector<uint16_t> first(3), next(300, 99);
    ASSERT_TRUE(ReadRLE(first.data(), 3, source));
    ASSERT_TRUE(ReadRLE(next.data(), 300, source));
    EXPECT_EQ(next, std::vector<uint16_t>(300, 0));
}

TEST(TvlFileRle, MalformedPlanesFailWithoutWritingPastThePlane) {
    const std::vector<uint8_t> good = Encode(std::vector<uint16_t>(kPlane, 5));
    std::vector<uint8_t> wrongCount = good;
    wrongCount[0] = 0xFF;  // 16383
    wrongCount[1] = 0x3F;
    std::vector<uint8_t> negativeCount = good;
    negativeCount[3] = 0x80;
    const std::vector<uint8_t> literalTooLong = Coded(100).Literal(std::vector<uint16_t>(101, 1)).bytes;
    const std::vector<uint8_t> runTooLong = Coded(100).Literal({1}).Run(255).bytes;
    // Runs of zero length forever: only the end of the bytes stops it.
    std::vector<uint8_t> onlyEmptyChunks = Coded(kPlane).bytes;
    onlyEmptyChunks.resize(onlyEmptyChunks.size() + 5000, 0);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int count;
    } cases[] = {
        {"count other than the plane's", wrongCount, kPlane},
        {"negative count", negativeCount, kPlane},
        {"literal past the end", literalTooLong, 100},
        {"run past the end", runTooLong, 100},
        {"empty chunks until the bytes end", onlyEmptyChunks, kPlane},
        {"no bytes", {}, kPlane},
        {"count cut", std::vector<uint8_t>(good.begin(), good.begin() + 3), kPlane},
        {"cut inside a literal", std::vector<uint8_t>(good.begin(), good.begin() + 7), kPlane},
        {"last chunk missing", std::vector<uint8_t>(good.begin(), good.end() - 1), kPlane},
    };
    for (const Case& c : cases) {
        std::vector<uint16_t> out;
        EXPECT_FALSE(Decode(c.bytes, c.count, out)) << c.name;
    }
}

}  // namespace
