#include <cstddef>
#include <cstdint>

#include "fileio/byte_stream.h"
#include "fileio/tvl_file.h"
#include "platform/log.h"

namespace {

constexpr int kMaxChunk = 255;
// The most bytes a plane of count samples can code to: a literal of three
// samples (7 bytes) and an empty run (1 byte) for every three samples, the
// worst case, plus the count and a final chunk.
size_t MostCodedBytes(int count) { return 4 + size_t(count) * 3 + 8; }

uint8_t* PutLiteral(uint8_t* out, const uint16_t* samples, int n) {
    *out++ = uint8_t(n);
    for (int k = 0; k < n; ++k) {
        *out++ = uint8_t(samples[k]);
        *out++ = uint8_t(samples[k] >> 8);
    }
    return out;
}

}  // namespace

// A literal ends as soon as two equal samples follow at least one other one
// (carrying both), or when it is full; the run then continues from them. A
// run ends at the first different sample, or at 254 samples, and that sample
// starts the next literal. The plane is coded straight into the sink's
// buffer.
void WriteRLE(const uint16_t* samples, int stored, ByteSink& sink) {
    const int count = stored < 0 ? 0 : stored;
    uint8_t* const start = sink.Claim(MostCodedBytes(count));
    uint8_t* out = start;
    for (int k = 0; k < 4; ++k) *out++ = uint8_t(uint32_t(stored) >> (8 * k));
    int j = 0;
    while (j < count) {
        const int s = j;
        int n = 0;
        bool full = false;
        for (; j < count; ++j) {
            ++n;
            if ((n > 2 && samples[j] == samples[j - 1]) || n == kMaxChunk) {
                full = true;
                ++j;
                break;
            }
        }
        out = PutLiteral(out, samples + s, n);
        if (!full) break;
        const uint16_t v = samples[j - 1];
        int run = 0;
        while (j < count && samples[j] == v && run < kMaxChunk - 1) {
            ++run;
            ++j;
        }
        if (j < count || run > 0) *out++ = uint8_t(run);
    }
    sink.Commit(size_t(out - start));
}

bool ReadRLE(uint16_t* destination, int count, ByteSource& source) {
    int32_t stored;
    if (!source.I32(stored)) return false;
    if (stored != count) {
        LogLine("ReadRLE: sample count %i instead of %i", stored, count);
        return false;
    }
    int remaining = count;
    uint16_t* out = destination;
    uint16_t runValue = 0;
    bool literal = true;
    while (remaining > 0) {
        uint8_t n;
        if (!source.U8(n)) return false;
        if (n > remaining) {
            LogLine("ReadRLE overflow! (count=%i)", remaining - n);
            return false;
        }
        if (literal) {
            for (int k = 0; k < n; ++k)
                if (!source.U16(out[k])) return false;
            if (n > 0) runValue = out[n - 1];
        } else {
            for (int k = 0; k < n; ++k) out[k] = runValue;
        }
        out += n;
        remaining -= n;
        literal = !literal;
    }
    return true;
}
