#include "fileio/byte_stream.h"
#include "fileio/tvl_file.h"
#include "platform/log.h"

namespace {

constexpr int kMaxChunk = 255;

void WriteLiteral(ByteSink& sink, const uint16_t* samples, int n) {
    sink.U8(uint8_t(n));
    for (int k = 0; k < n; ++k) sink.U16(samples[k]);
}

}  // namespace

// A literal ends as soon as two equal samples follow at least one other one
// (carrying both), or when it is full; the run then continues from them. A
// run ends at the first different sample, which starts the next literal.
void WriteRLE(const uint16_t* samples, int count, ByteSink& sink) {
    sink.I32(count);
    uint16_t literal[kMaxChunk];
    int n = 0;
    bool inRun = false;
    uint16_t previous = 0;
    for (int j = 0; j < count; ++j) {
        const uint16_t v = samples[j];
        if (!inRun) {
            literal[n++] = v;
            const bool repeat = j > 0 && n > 2 && v == previous;
            if (repeat || n == kMaxChunk) {
                WriteLiteral(sink, literal, n);
                n = 0;
                inRun = true;
            }
        } else {
            ++n;
            if (v != previous || n == kMaxChunk) {
                sink.U8(uint8_t(n - 1));
                literal[0] = v;
                n = 1;
                inRun = false;
            }
        }
        previous = v;
    }
    if (n > 0) {
        if (inRun)
            sink.U8(uint8_t(n));
        else
            WriteLiteral(sink, literal, n);
    }
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
