#include "image/pixel_image.h"

#include <algorithm>

#include "image/color_record.h"

namespace {

// A colour record has four values; an image with more planes than that has no
// colour for the extra ones.
int RecordChannels(int channelCount) { return std::min(channelCount, 4); }

}  // namespace

PixelImage::PixelImage(int w, int h, int count, int bits, PlaneSource source)
    : width(w), height(h), capacityWidth(w), capacityHeight(h), channelCount(count), depth(bits) {
    if (count <= 0) {
        channelCount = 0;
        return;
    }
    channels = new ChannelBuffer*[count]();
    try {
        for (int i = 0; i < count; ++i) {
            if (bits == 8)
                channels[i] = new ChannelBuffer8(w, h);
            else
                channels[i] = new ChannelBuffer16(w, h, source);
        }
    } catch (...) {
        // No destructor runs for a constructor that throws: free the planes made so far.
        for (int i = 0; i < count; ++i) delete channels[i];
        delete[] channels;
        throw;
    }
    depth = bits == 8 ? 8 : 16;
}

PixelImage::~PixelImage() {
    for (int i = 0; i < channelCount; ++i) delete channels[i];
    delete[] channels;
}

void PixelImage::SetSize(int w, int h) {
    width = std::clamp(w, 0, capacityWidth);
    height = std::clamp(h, 0, capacityHeight);
    for (int i = 0; i < channelCount; ++i) {
        channels[i]->width = width;
        channels[i]->height = height;
    }
}

bool PixelImage::GetPixel(int x, int y, ColorRecord* colour) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    if (colour) {
        for (int i = 0; i < RecordChannels(channelCount); ++i) colour->value[i] = int32_t(channels[i]->Get(x, y));
        colour->RefreshMirrors();
    }
    return true;
}

bool PixelImage::SetPixel(int x, int y, const ColorRecord* colour, bool withAlpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || !colour) return false;
    const int planes = RecordChannels(withAlpha ? channelCount : channelCount - 1);
    for (int i = 0; i < planes; ++i) channels[i]->Set(x, y, uint32_t(colour->value[i]));
    return true;
}

bool PixelImage::CopyFrom(const PixelImage& other) {
    if (other.width != width || other.height != height || other.channelCount != channelCount ||
        other.depth != depth)
        return false;
    for (int i = 0; i < channelCount; ++i) channels[i]->CopyFrom(*other.channels[i]);
    return true;
}

void PixelImage::Fill(const ColorRecord& colour) {
    for (int i = 0; i < RecordChannels(channelCount); ++i) channels[i]->Fill(uint32_t(colour.value[i]));
}

bool PixelImage::MixFrom(const PixelImage& source, int x, int y, uint32_t k) {
    if (source.channelCount != channelCount) return false;
    bool any = false;
    for (int i = 0; i < channelCount; ++i) any |= channels[i]->MixFrom(*source.channels[i], x, y, k);
    return any;
}

PixelImage* CreateCleared(int w, int h, int channelCount, int depth, PlaneSource source) {
    auto* image = new PixelImage(w, h, channelCount, depth, source);
    if (channelCount == 1) {
        image->channels[0]->Fill(0);
    } else {
        ColorRecord white = OpaqueWhiteWorking();
        // An 8-bit plane keeps the high byte of a working value, as CopyFrom does.
        if (image->depth == 8)
            for (int i = 0; i < 4; ++i) white.value[i] >>= 8;
        image->Fill(white);
    }
    return image;
}

PixelImage* CloneImage(const PixelImage& source, PlaneSource planes) {
    auto* image = new PixelImage(source.width, source.height, source.channelCount, source.depth, planes);
    image->CopyFrom(source);
    return image;
}
