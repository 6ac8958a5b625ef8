#include "fileio/tvl_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/safe_file.h"
#include "image/animation.h"
#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/document_swap.h"
#include "image/memory_guard.h"
#include "image/pixel_image.h"
#include "platform/file_open.h"
#include "platform/log.h"

namespace {

constexpr int kPlanes = 4;
constexpr int kPlaneSamples = kTileSide * kTileSide;
constexpr int kMaxFramesPerSecond = 100;
// Far wider than any profile needs, narrow enough that the curve tables
// stay finite.
constexpr float kMinExponent = 0.01f;
constexpr float kMaxExponent = 100.0f;

// The fewest bytes these parts can take, to refuse a file too short for its
// header before allocating the document it describes. A coded plane is at
// least its count plus an empty literal and a full run per 255 samples.
constexpr uint64_t kMinPlaneBytes = 4 + 2 * ((kPlaneSamples + 254) / 255);
constexpr uint64_t kTileHeadBytes = 4 * 4 + 4;
constexpr uint64_t kLayerHeadBytes = kLayerNameBytes + 4 + 4 + 3;

uint64_t MinTilesBytes(int tiles, int planes) {
    return uint64_t(tiles) * (kTileHeadBytes + uint64_t(planes) * kMinPlaneBytes);
}

uint64_t MinStillLayersBytes(int layers, int tiles) {
    return uint64_t(layers) * (kLayerHeadBytes + MinTilesBytes(tiles, kPlanes));
}

struct TvlHeader {
    int32_t side = 0;
    int32_t width = 0;
    int32_t height = 0;
    ColorProfile profile = {};
    int32_t tileCount = 0;
    int32_t layerCount = 0;
    bool animationMode = false;
    bool onionSkin = false;
    int32_t framesPerSecond = 0;
    int32_t currentFrame = 0;
    int32_t frameCount = 0;
    std::vector<int32_t> durations;
};

bool IsTileImage(const PixelImage& image) {
    return image.channelCount == kPlanes && image.depth == 16 && image.width == kTileSide &&
           image.height == kTileSide;
}

uint16_t* Samples(const PixelImage& image, int c) { return static_cast<ChannelBuffer16&>(image.Channel(c)).samples; }

// ---- Writing

void WriteProfile(ByteSink& sink, const ColorProfile& profile) {
    sink.Bytes(profile.name, sizeof profile.name);
    for (float e : profile.dark) sink.F32(e);
    for (float e : profile.bright) sink.F32(e);
}

// A tile without pixels is stored as zeros in every plane.
bool WriteImage(ByteSink& sink, const PixelImage* image) {
    static const std::vector<uint16_t> zeros(kPlaneSamples, 0);
    const bool hasPixels = image && !image->IsEmpty();
    if (hasPixels && !IsTileImage(*image)) return false;
    for (int c = 0; c < kPlanes; ++c) WriteRLE(hasPixels ? Samples(*image, c) : zeros.data(), kPlaneSamples, sink);
    return true;
}

void WriteHeader(const Document& doc, const ColorProfile& profile, ByteSink& sink) {
    sink.I32(kTvlVersion);
    sink.I32(kTileSide);
    sink.I32(doc.width);
    sink.I32(doc.height);
    WriteProfile(sink, profile);
    sink.I32(doc.tileCount);
    sink.I32(doc.layerCount);
    sink.U8(doc.animationMode ? 1 : 0);
    sink.U8(doc.onionSkin ? 1 : 0);
    // Kept to the range every reader accepts, so a saved file always loads.
    sink.I32(std::clamp(doc.framesPerSecond, doc.animationMode ? 1 : 0, kMaxFramesPerSecond));
    sink.I32(doc.currentFrame);
    const int frames = std::clamp(doc.frameCount, 0, kMaxFrames);
    sink.I32(frames);
    for (int f = 0; f < frames; ++f) sink.I32(doc.durations[size_t(f)]);
}

// The bottom layer is always stored still: it cannot be animated from the
// interface, and readers ignore its animated flag.
bool WriteLayer(const Document& doc, int i, ByteSink& sink) {
    const LayerInfo& info = doc.layers[i];
    const bool animated = i > 0 && info.animated && doc.frameCount >= 1;
    sink.Bytes(info.name, sizeof info.name);
    sink.I32(info.opacity);
    sink.I32(info.blendMode);
    sink.U8(info.lockTransparency ? 1 : 0);
    sink.U8(info.hidden ? 1 : 0);
    sink.U8(animated ? 1 : 0);
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* tile = LayerTileAt(stack, i);
        if (!tile) return false;
        sink.I32(tile->x0);
        sink.I32(tile->y0);
        sink.I32(tile->x1);
        sink.I32(tile->y1);
        sink.I32(kPlanes);
        if (!animated) {
            if (!WriteImage(sink, tile->pixels)) return false;
            continue;
        }
        // The frames are read where they are, so saving leaves every tile
        // showing what it showed (and the undo history intact).
        for (int f = 0; f < doc.frameCount; ++f) {
            const bool own = tile->animated && f < tile->frameCount && f < int(tile->frames.size());
            if (!WriteImage(sink, own ? tile->frames[size_t(f)] : tile->pixels)) return false;
        }
    }
    return true;
}

// ---- Reading

bool Refuse(const char* reason) {
    LogLine("LoadImage_TVL: %s", reason);
    return false;
}

bool ValidExponents(const float (&e)[3]) {
    for (float v : e)
        if (!std::isfinite(v) || v < kMinExponent || v > kMaxExponent) return false;
    return true;
}

bool ReadProfile(ByteSource& source, ColorProfile& profile) {
    if (!source.Bytes(profile.name, sizeof profile.name)) return false;
    profile.name[sizeof profile.name - 1] = '\0';
    for (float& e : profile.dark)
        if (!source.F32(e)) return false;
    for (float& e : profile.bright)
        if (!source.F32(e)) return false;
    return true;
}

// Reads and checks everything before the layers; nothing outside h changes.
bool ReadHeader(ByteSource& source, TvlHeader& h) {
    int32_t version = 0;
    if (!source.I32(version)) return Refuse("file too short");
    if (version != kTvlVersion) return Refuse("unknown version");
    uint8_t animation = 0, onion = 0;
    if (!source.I32(h.side) || !source.I32(h.width) || !source.I32(h.height) || !ReadProfile(source, h.profile) ||
        !source.I32(h.tileCount) || !source.I32(h.layerCount) || !source.U8(animation) || !source.U8(onion) ||
        !source.I32(h.framesPerSecond) || !source.I32(h.currentFrame) || !source.I32(h.frameCount))
        return Refuse("file too short");
    h.animationMode = animation != 0;
    h.onionSkin = onion != 0;

    if (h.side != kTileSide) return Refuse("unsupported tile side");
    if (h.width < 1 || h.height < 1 || h.width > kMaxDocumentSide || h.height > kMaxDocumentSide)
        return Refuse("bad image size");
    if (int64_t(h.tileCount) != TilesAlong(h.width) * TilesAlong(h.height))
        return Refuse("tile count does not match the image size");
    if (h.layerCount < 1 || h.layerCount > kMaxLayers) return Refuse("bad layer count");
    if (!ValidExponents(h.profile.dark) || !ValidExponents(h.profile.bright)) return Refuse("bad colour profile");
    if (h.frameCount < 0 || h.frameCount > kMaxFrames || (h.animationMode && h.frameCount < 1))
        return Refuse("bad frame count");
    if (h.currentFrame < 0 || h.currentFrame >= std::max(h.frameCount, 1)) return Refuse("bad current frame");
    if (h.animationMode && (h.framesPerSecond < 1 || h.framesPerSecond > kMaxFramesPerSecond))
        return Refuse("bad frames per second");
    h.framesPerSecond = std::clamp(h.framesPerSecond, 0, kMaxFramesPerSecond);

    h.durations.assign(size_t(h.frameCount), 0);
    for (int32_t& d : h.durations) {
        if (!source.I32(d)) return Refuse("file too short");
        d = std::clamp(d, 0, kMaxFrameDuration);
    }
    return true;
}

bool StorePlanes(PixelImage& image, const std::vector<uint16_t>& planes) {
    if (!IsTileImage(image)) return false;
    for (int c = 0; c < kPlanes; ++c)
        std::memcpy(Samples(image, c), planes.data() + size_t(c) * kPlaneSamples, sizeof(uint16_t) * kPlaneSamples);
    return true;
}

bool AnyAlpha(const std::vector<uint16_t>& planes) {
    const uint16_t* alpha = planes.data() + size_t(kPlanes - 1) * kPlaneSamples;
    return std::any_of(alpha, alpha + kPlaneSamples, [](uint16_t a) { return a != 0; });
}

void ShowFrame(LayerTile& tile, int f) {
    if (!tile.animated || f < 0 || f >= tile.frameCount || f >= int(tile.frames.size())) return;
    tile.currentFrame = f;
    tile.pixels = tile.frames[size_t(f)];
    tile.empty = tile.pixels->IsEmpty();
    tile.dirty = true;
}

bool ReadLayerInfo(ByteSource& source, LayerInfo& info, bool& animated) {
    char name[kLayerNameBytes];
    int32_t opacity = 0, blendMode = 0;
    uint8_t lock = 0, hidden = 0, animatedByte = 0;
    if (!source.Bytes(name, sizeof name) || !source.I32(opacity) || !source.I32(blendMode) || !source.U8(lock) ||
        !source.U8(hidden) || !source.U8(animatedByte))
        return false;
    std::memcpy(info.name, name, sizeof name);
    info.name[sizeof info.name - 1] = '\0';
    info.opacity = std::clamp(opacity, 0, 255);
    info.blendMode = std::clamp(blendMode, 0, kBlendModeCount - 1);
    info.lockTransparency = lock != 0;
    info.hidden = hidden != 0;
    animated = animatedByte != 0;
    return true;
}

// Upper layers' tiles get pixels only where the file gives them coverage, so
// what they take is known only while reading; the memory left is looked at
// again after every batch of new tile images.
class ImageBudget {
public:
    bool Take() {
        if (images_++ % kBatch != 0) return true;
        return MemoryFor(kBatch * kTileImageBytes);
    }

private:
    static constexpr uint64_t kBatch = 256;
    uint64_t images_ = 0;
};

// Reads one tile record into tile; frames is 1 for a still layer. The bottom
// layer keeps every pixel: its colour under zero alpha is what a greyscale
// mask or an unlocked layer brings back.
bool ReadTile(ByteSource& source, LayerTile& tile, int frames, bool bottom, std::vector<uint16_t>& planes,
              ImageBudget& budget) {
    int32_t planeCount = 0;
    if (!source.Skip(4 * 4) || !source.I32(planeCount)) return false;
    if (planeCount != kPlanes) {
        LogLine("fail=bail");
        return false;
    }
    const int shown = tile.currentFrame;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < kPlanes; ++c)
            if (!ReadRLE(planes.data() + size_t(c) * kPlaneSamples, kPlaneSamples, source)) return false;
        // A frame of an upper layer with no coverage stays empty.
        if (!bottom && !AnyAlpha(planes)) continue;
        ShowFrame(tile, f);
        if (tile.empty && !budget.Take()) return false;
        EnsurePixels(tile);
        if (!StorePlanes(*tile.pixels, planes)) return false;
    }
    ShowFrame(tile, shown);
    return true;
}

bool ReadLayers(Document& doc, const TvlHeader& h, ByteSource& source) {
    std::vector<uint16_t> planes(size_t(kPlanes) * kPlaneSamples);
    ImageBudget budget;
    for (int a = 0; a < h.layerCount; ++a) {
        if (a > 0 && !AddLayer(doc, a - 1)) return false;
        bool animated = false;
        if (!ReadLayerInfo(source, doc.layers[a], animated)) return Refuse("file too short");
        ApplyLayerInfo(doc, a);
        animated = animated && a > 0;
        // Checked before the frames are made: a short file must not make
        // thousands of empty frames per tile first.
        const int frames = animated ? h.frameCount : 1;
        const uint64_t needed =
            MinTilesBytes(h.tileCount, kPlanes * frames) + MinStillLayersBytes(h.layerCount - a - 1, h.tileCount);
        if (source.Remaining() < needed) return Refuse("file too short");
        if (animated && !ToggleLayerAnimated(doc, a)) return Refuse("animated layer without frames");
        for (LayerTile* stack : doc.stacks) {
            LayerTile* tile = LayerTileAt(stack, a);
            if (!tile || !ReadTile(source, *tile, frames, a == 0, planes, budget)) return Refuse("bad tile");
        }
        doc.layers[a].thumbnailDirty = true;
    }
    return true;
}

bool ReadDocument(Document& doc, const TvlHeader& h, ByteSource& source) {
    if (!NewDocument(doc, h.width, h.height)) return false;
    doc.animationMode = h.animationMode;
    doc.onionSkin = h.onionSkin;
    doc.framesPerSecond = h.framesPerSecond;
    doc.currentFrame = h.currentFrame;
    doc.frameCount = h.frameCount;
    std::copy(h.durations.begin(), h.durations.end(), doc.durations.begin());
    if (!ReadLayers(doc, h, source)) return false;
    if (doc.animationMode) {
        SetFrame(doc, h.currentFrame);
        if (doc.onionSkin) {
            doc.onionSkin = false;
            ToggleOnionSkin(doc);
        }
    }
    doc.layeredFile = true;
    doc.modified = false;
    doc.flatCopy = false;
    return true;
}

}  // namespace

bool WriteTvl(Document& doc, ByteSink& sink) { return WriteTvl(doc, CurrentProfile(), sink); }

bool WriteTvl(Document& doc, const ColorProfile& profile, ByteSink& sink) {
    WriteHeader(doc, profile, sink);
    for (int i = 0; i < doc.layerCount; ++i)
        if (!WriteLayer(doc, i, sink)) return false;
    return true;
}

bool ReadTvl(Document& doc, ByteSource& source) {
    TvlHeader h;
    if (!ReadHeader(source, h)) return false;
    if (source.Remaining() < MinStillLayersBytes(h.layerCount, h.tileCount)) return Refuse("file too short");
    // New tiles start as opaque white in the current profile, so the file's
    // profile must be current while the document is built.
    const ColorProfile previous = CurrentProfile();
    SelectProfile(h.profile);
    Document loaded;
    bool read = false;
    if (!Allocating([&] { read = ReadDocument(loaded, h, source); }) || !read) {
        SelectProfile(previous);
        return false;
    }
    ReplaceDocument(doc, loaded);
    return true;
}

bool SaveImage_TVL(Document& doc, const char* path) {
    LogLine("SaveImage_TVL()");
    SafeFile out;
    if (!path || !out.Open(path)) return false;
    ByteSink sink(out.File());
    if (!WriteTvl(doc, sink) || !sink.Finish()) {
        out.AbandonFailedWrite();
        return false;
    }
    if (!out.Commit()) return false;
    doc.layeredFile = true;
    return true;
}

bool LoadImage_TVL(Document& doc, const char* path) {
    LogLine("LoadImage_TVL()");
    std::FILE* file = path ? OpenFile(path, "rb") : nullptr;
    if (!file) return false;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), ec);
    bool ok = false;
    if (!ec) {
        ByteSource source(file, uint64_t(size));
        ok = ReadTvl(doc, source);
    }
    std::fclose(file);
    return ok;
}
