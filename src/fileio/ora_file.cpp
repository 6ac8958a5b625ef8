#include "fileio/ora_file.h"

#include <zip.h>

#include <cstdio>
#include <cstring>
#include <list>

#include "fileio/flat_scale.h"
#include "fileio/ora_png.h"
#include "fileio/ora_stack.h"
#include "fileio/safe_file.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/document_swap.h"
#include "image/flat_transfer.h"
#include "image/pixel_image.h"
#include "platform/log.h"

namespace {

const char kMimeType[] = "image/openraster";
constexpr int kThumbnailSide = 256;
constexpr size_t kMaxStackXmlBytes = 4u << 20;
// A picture transparent everywhere, in display values.
constexpr uint32_t kClear = 0x00FFFFFFu;

// A zip built in memory. The entries' bytes stay here until the archive is
// closed, which is when libzip reads them.
class ZipWriter {
public:
    ZipWriter() {
        zip_error_t error;
        zip_error_init(&error);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (source_) zip_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error);
        if (zip_) zip_source_keep(source_);
        zip_error_fini(&error);
    }
    ~ZipWriter() {
        if (zip_) zip_discard(zip_);
        if (source_) zip_source_free(source_);
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool Add(const std::string& name, std::vector<uint8_t> bytes, bool deflate) {
        if (!zip_) return false;
        kept_.push_back(std::move(bytes));
        zip_source_t* entry = zip_source_buffer(zip_, kept_.back().data(), kept_.back().size(), 0);
        if (!entry) return false;
        const zip_int64_t index = zip_file_add(zip_, name.c_str(), entry, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(entry);
            return false;
        }
        return zip_set_file_compression(zip_, zip_uint64_t(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) == 0;
    }

    bool Finish(std::vector<uint8_t>& out) {
        if (!zip_) return false;
        const bool closed = zip_close(zip_) == 0;
        if (!closed) zip_discard(zip_);
        zip_ = nullptr;
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (!closed || zip_source_stat(source_, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) return false;
        if (zip_source_open(source_) != 0) return false;
        out.resize(size_t(stat.size));
        const zip_int64_t read = zip_source_read(source_, out.data(), stat.size);
        zip_source_close(source_);
        return read == zip_int64_t(stat.size);
    }

private:
    zip_source_t* source_ = nullptr;
    zip_t* zip_ = nullptr;
    std::list<std::vector<uint8_t>> kept_;
};

// A zip read from memory the caller keeps.
class ZipReader {
public:
    ZipReader(const uint8_t* data, size_t size) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
        if (source) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!zip_) zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~ZipReader() {
        if (zip_) zip_discard(zip_);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Ok() const { return zip_ != nullptr; }

    // The first entry's name; empty if there is none.
    std::string FirstName() const {
        const char* name = zip_ && zip_get_num_entries(zip_, 0) > 0 ? zip_get_name(zip_, 0, 0) : nullptr;
        return name ? name : "";
    }

    // The whole entry, refused when it holds more than limit bytes or fails
    // its checksum. Read in pieces: the size the directory claims is not
    // trusted for allocating.
    bool Read(const std::string& name, size_t limit, std::vector<uint8_t>& out) const {
        if (!zip_) return false;
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
        if (index < 0) return false;
        zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
        if (!file) return false;
        out.clear();
        bool ok = true;
        for (;;) {
            const size_t piece = 1u << 16;
            const size_t used = out.size();
            if (used > limit) {
                ok = false;
                break;
            }
            out.resize(used + piece);
            const zip_int64_t got = zip_fread(file, out.data() + used, piece);
            if (got < 0) ok = false;
            out.resize(used + size_t(got < 0 ? 0 : got));
            if (got <= 0) break;
        }
        zip_fclose(file);
        return ok && out.size() <= limit;
    }

private:
    zip_t* zip_ = nullptr;
};

std::string LayerSource(int layer) { return "data/layer" + std::to_string(layer) + ".png"; }

// Layer i as w x h display pixels with alpha; transparent where it has no tiles.
std::vector<uint32_t> LayerPixels(const Document& doc, int i) {
    std::vector<uint32_t> flat(size_t(doc.width) * size_t(doc.height), kClear);
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* tile = LayerTileAt(stack, i);
        if (tile && tile->pixels && !tile->pixels->IsEmpty())
            ExportFlat(*tile->pixels, flat.data(), tile->x0, tile->y0, doc.width, doc.height, -1);
    }
    return flat;
}

OraStack DescribeStack(const Document& doc) {
    OraStack stack;
    stack.width = doc.width;
    stack.height = doc.height;
    stack.hasProfile = true;
    stack.profile = CurrentProfile();
    for (int i = doc.layerCount - 1; i >= 0; --i) {
        const LayerInfo& info = doc.layers[i];
        OraLayer layer;
        layer.name = std::string(info.name, strnlen(info.name, kLayerNameBytes));
        layer.src = LayerSource(i);
        layer.opacity = info.opacity;
        layer.hidden = info.hidden;
        layer.blendMode = info.blendMode;
        layer.lockTransparency = info.lockTransparency;
        stack.layers.push_back(layer);
    }
    return stack;
}

const ColorProfile& LinearProfile() {
    for (int i = 0; i < kProfileCount; ++i)
        if (std::strcmp(BuiltinProfile(i)->name, "Linear RGB") == 0) return *BuiltinProfile(i);
    return *BuiltinProfile(kDefaultProfileIndex);
}

// Puts one layer picture, placed at (x, y) on the canvas, into the tiles of
// layer i; pixels outside it or the canvas are transparent. A tile that stays
// transparent stays empty, except on the bottom layer, which always has pixels.
void PlaceLayer(Document& doc, int i, const std::vector<uint32_t>& picture, int pw, int ph, int x, int y) {
    std::vector<uint32_t> tilePixels(size_t(kTileSide) * kTileSide);
    for (LayerTile* stack : doc.stacks) {
        LayerTile* tile = LayerTileAt(stack, i);
        bool anything = false;
        for (int v = 0; v < kTileSide; ++v) {
            for (int u = 0; u < kTileSide; ++u) {
                const int64_t cx = int64_t(tile->x0) + u, cy = int64_t(tile->y0) + v;
                const int64_t px = cx - x, py = cy - y;
                uint32_t p = kClear;
                if (cx >= 0 && cy >= 0 && cx < doc.width && cy < doc.height && px >= 0 && py >= 0 && px < pw && py < ph)
                    p = picture[size_t(py) * size_t(pw) + size_t(px)];
                anything = anything || (p >> 24) != 0;
                tilePixels[size_t(v) * kTileSide + size_t(u)] = p;
            }
        }
        if (!anything && i > 0) continue;
        EnsurePixels(*tile);
        ImportFlat(*tile->pixels, tilePixels.data(), 0, 0, kTileSide, kTileSide, -1);
        tile->dirty = true;
    }
}

// Builds the document the file describes into fresh, in the current profile.
bool BuildDocument(const ZipReader& zip, const OraStack& stack, const Document& old, Document& fresh,
                   int64_t maxPixels) {
    CopyAnimationSettings(old, fresh);
    if (!NewDocument(fresh, stack.width, stack.height)) return false;
    RestartFrames(fresh);
    const int count = int(stack.layers.size());
    const size_t pngLimit = size_t(maxPixels) * 8 + (1u << 20);
    std::vector<uint8_t> png;
    std::vector<uint32_t> picture;
    for (int i = 0; i < count; ++i) {
        const OraLayer& layer = stack.layers[size_t(count - 1 - i)];
        if (i > 0 && !AddLayer(fresh, i - 1)) return false;
        int pw = 0, ph = 0;
        if (!zip.Read(layer.src, pngLimit, png) ||
            !DecodeRgbaPng(png.data(), png.size(), pw, ph, picture, maxPixels)) {
            LogLine("OpenRaster: layer picture \"%.200s\" is missing or damaged", layer.src.c_str());
            return false;
        }
        PlaceLayer(fresh, i, picture, pw, ph, layer.x, layer.y);
        LayerInfo& info = fresh.layers[i];
        if (!layer.name.empty()) std::snprintf(info.name, sizeof info.name, "%s", layer.name.c_str());
        info.opacity = layer.opacity;
        info.blendMode = layer.blendMode;
        info.lockTransparency = layer.lockTransparency;
        info.hidden = layer.hidden;
        info.thumbnailDirty = true;
        ApplyLayerInfo(fresh, i);
    }
    fresh.currentLayer = count - 1;
    return true;
}

}  // namespace

bool OraHoldsWholeDocument(const Document& doc) {
    for (int i = 0; i < doc.layerCount; ++i)
        if (doc.layers[i].animated) return false;
    return true;
}

bool WriteOra(Document& doc, std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> merged;
    if (!FlattenDocument(doc, merged)) return false;
    for (uint32_t& p : merged) p |= 0xFF000000u;  // the picture lies on the opaque bottom layer
    std::vector<uint32_t> small;
    int tw = 0, th = 0;
    if (!ShrinkToFit(merged, doc.width, doc.height, kThumbnailSide, small, tw, th)) return false;

    ZipWriter zip;
    const std::string xml = WriteStackXml(DescribeStack(doc));
    bool ok = zip.Add("mimetype", std::vector<uint8_t>(kMimeType, kMimeType + sizeof kMimeType - 1), false) &&
              zip.Add("stack.xml", std::vector<uint8_t>(xml.begin(), xml.end()), true);
    std::vector<uint8_t> png;
    for (int i = 0; ok && i < doc.layerCount; ++i)
        ok = EncodeRgbaPng(doc.width, doc.height, LayerPixels(doc, i), png) && zip.Add(LayerSource(i), png, false);
    ok = ok && EncodeRgbaPng(tw, th, small, png) && zip.Add("Thumbnails/thumbnail.png", png, false);
    ok = ok && EncodeRgbaPng(doc.width, doc.height, merged, png) && zip.Add("mergedimage.png", std::move(png), false);
    return ok && zip.Finish(bytes);
}

bool ReadOra(Document& doc, const uint8_t* data, size_t size, std::string& refusal, int64_t maxPixels) {
    refusal.clear();
    const ZipReader zip(data, size);
    std::vector<uint8_t> bytes;
    if (!zip.Ok() || zip.FirstName() != "mimetype" || !zip.Read("mimetype", 64, bytes) ||
        std::string(bytes.begin(), bytes.end()) != kMimeType) {
        LogLine("OpenRaster: not a zip with the OpenRaster mimetype first");
        return false;
    }
    OraStack stack;
    if (!zip.Read("stack.xml", kMaxStackXmlBytes, bytes) ||
        !ParseStackXml(std::string(bytes.begin(), bytes.end()), kMaxLayers, stack, refusal)) {
        LogLine("OpenRaster: stack.xml is missing or not understood");
        return false;
    }
    if (stack.layers.empty() || int64_t(stack.width) * stack.height > maxPixels) {
        LogLine("OpenRaster: no layers, or a canvas too large");
        return false;
    }
    const ColorProfile before = CurrentProfile();
    SelectProfile(stack.hasProfile ? stack.profile : LinearProfile());
    Document fresh;
    if (!BuildDocument(zip, stack, doc, fresh, maxPixels)) {
        SelectProfile(before);
        return false;
    }
    ReplaceDocument(doc, fresh);
    return true;
}

bool SaveImage_ORA(Document& doc, const char* path) {
    LogLine("SaveImage_ORA()");
    std::vector<uint8_t> bytes;
    if (!path || !WriteOra(doc, bytes)) return false;
    SafeFile out;
    if (!out.Open(path)) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out.File()) != bytes.size()) {
        out.Abandon();
        return false;
    }
    if (!out.Commit()) return false;
    doc.layeredFile = OraHoldsWholeDocument(doc);
    return true;
}

bool LoadImage_ORA(Document& doc, const char* path, std::string& refusal) {
    LogLine("LoadImage_ORA()");
    refusal.clear();
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    std::vector<uint8_t> bytes;
    uint8_t piece[1 << 16];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) bytes.insert(bytes.end(), piece, piece + got);
    const bool readAll = !std::ferror(file);
    std::fclose(file);
    if (!readAll || !ReadOra(doc, bytes.data(), bytes.size(), refusal)) return false;
    doc.layeredFile = OraHoldsWholeDocument(doc);
    return true;
}
