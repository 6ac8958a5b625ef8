#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/panels.h"
#include "image/color_record.h"
#include "image/document.h"
#include "paint/layer_pixels.h"
#include "ui/gl_texture.h"

namespace {

constexpr int kSampleColumns = 100;
constexpr int kSampleRows = 101;

int CheckerGrey(int i, int j) { return ((i / 10 + j / 10) & 1) ? 229 : 204; }

uint8_t Over(int background, int pixel, int alpha) {
    return uint8_t((background * (255 - alpha) + pixel * alpha + 127) / 255);
}

void Put(uint8_t* rgba, int column, int pictureRow, int r, int g, int b) {
    // The picture's top row is the texture's last one.
    uint8_t* p = rgba + (size_t(kThumbnailSide - 1 - pictureRow) * kThumbnailSide + size_t(column)) * 4;
    p[0] = uint8_t(r);
    p[1] = uint8_t(g);
    p[2] = uint8_t(b);
    p[3] = 255;
}

}  // namespace

void BuildLayerThumbnail(const Document& doc, int layer, const ColorRecord& paintColour, uint8_t* rgba) {
    const float step = float(std::max(doc.width, doc.height)) * 0.01f;
    for (int j = 0; j < kThumbnailSide; ++j) {
        for (int i = 0; i < kThumbnailSide; ++i) {
            const int grey = CheckerGrey(i, j);
            int r = grey, g = grey, b = grey;
            ColorRecord pixel;
            if (i < kSampleColumns && j < kSampleRows) {
                const int x = doc.width / 2 + int(std::lround(float(i - 50) * step));
                const int y = doc.height / 2 + int(std::lround(float(j - 50) * step));
                if (ReadLayerPixel(doc, layer, x, y, paintColour, pixel)) {
                    const int a = std::clamp(int(pixel.value[3]), 0, 255);
                    r = Over(grey, pixel.value[0], a);
                    g = Over(grey, pixel.value[1], a);
                    b = Over(grey, pixel.value[2], a);
                }
            }
            Put(rgba, i, j, r, g, b);
        }
    }
}

void RenderDirtyThumbnails() {
    static uint8_t pixels[kThumbnailSide * kThumbnailSide * 4];
    Document& doc = app.document;
    for (int i = 0; i < doc.layerCount; ++i) {
        LayerInfo& info = doc.layers[i];
        if (!info.thumbnailDirty && info.thumbnail) continue;
        BuildLayerThumbnail(doc, i, app.tool.paint, pixels);
        if (!info.thumbnail) {
            info.thumbnail = NewEdgeClampedTexture();
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kThumbnailSide, kThumbnailSide, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         pixels);
        } else {
            glBindTexture(GL_TEXTURE_2D, info.thumbnail);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kThumbnailSide, kThumbnailSide, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels);
        }
        info.thumbnailDirty = false;
    }
}
