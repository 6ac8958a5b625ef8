#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "image/document.h"

// Flat images are width x height 32-bit display pixels, row-major, each
// A << 24 | R << 16 | G << 8 | B.

// The largest flat image the readers accept, in pixels.
constexpr int64_t kMaxFlatPixels = int64_t(kMaxDocumentSide) * kMaxDocumentSide;

// The document as the screen shows it, less the onion skin, one tile at a
// time on the calling thread's scratch, which must hold tile-sized images.
// False (flat untouched) without that scratch or without the memory for the
// whole picture. Saving streams the same pixels instead (DocumentRows).
bool FlattenDocument(Document& doc, std::vector<uint32_t>& flat);

// A flat picture handed to a writer one row at a time, top row first: row(y)
// is width pixels, valid until the next call, null when the rows cannot be
// made. opaque: every pixel's alpha is 255.
struct FlatRows {
    int width = 0;
    int height = 0;
    bool opaque = true;
    std::function<const uint32_t*(int y)> row;
};

// The same picture as FlattenDocument, made one band of tiles at a time, so
// a save holds a band instead of the whole picture. Rows must be asked for
// top to bottom; the onion skin is off while this lives. Ready() is false
// without the band's memory or the thread's tile scratch.
class DocumentRows {
public:
    explicit DocumentRows(Document& doc);
    ~DocumentRows();
    DocumentRows(const DocumentRows&) = delete;
    DocumentRows& operator=(const DocumentRows&) = delete;

    bool Ready() const { return ready_; }
    const uint32_t* Row(int y);
    // Whether every flattened pixel is fully opaque (one compositing pass,
    // stopping at the first that is not).
    bool Opaque();
    // The rows for a writer; this object must outlive them.
    FlatRows Rows();

private:
    void MakeBand(int tileRow);

    Document& doc_;
    std::vector<LayerTile*> onionSkinTiles_;
    std::vector<uint32_t> band_;
    int bandRow_ = -1;
    bool ready_ = false;
};

// Rows over a whole flat buffer of w x h pixels.
FlatRows RowsOfFlat(int w, int h, const std::vector<uint32_t>& flat);

// The length of the file from its current position to its end; -1 when the
// stream cannot tell. Readers compare declared sizes with it before they
// allocate for them.
int64_t BytesLeftInFile(std::FILE* file);

// Replaces doc by a new one-layer w x h document whose canvas holds flat. The
// animation settings stay, as with any new document; the old contents are
// released. False (doc untouched) for a size outside 1..kMaxDocumentSide or a
// buffer that does not hold w x h pixels.
bool LoadFlatImage(Document& doc, int w, int h, const std::vector<uint32_t>& flat);

// The file side shared by the flat formats: a writer encodes w x h flat
// pixels into an open file, a reader decodes one (refusing more than
// maxPixels pixels).
using FlatWriter = bool (*)(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat);
using RowWriter = bool (*)(std::FILE* file, const FlatRows& rows);
using FlatReader = std::function<bool(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels)>;

// One row between flat pixels and the 8-bit RGB triples the PNG and JPEG
// codecs take and give; pixels read from RGB are opaque.
void RgbRowToFlat(const uint8_t* rgb, uint32_t* flat, int w);
// The same from R, G, B, A quadruples, alpha kept. A fully transparent pixel
// becomes transparent white, as the program's own empty pixels are: what a
// file stores under alpha 0 (mostly black) is no colour anyone saw.
void RgbaRowToFlat(const uint8_t* rgba, uint32_t* flat, int w);
void FlatToRgbRow(const uint32_t* flat, uint8_t* rgb, int w);
void FlatToRgbaRow(const uint32_t* flat, uint8_t* rgba, int w);

// Saves the document as the screen shows it through a SafeFile, so a failed
// save leaves the old file as it was. The rows are streamed (DocumentRows);
// with askOpaque the writer learns whether the picture is fully opaque.
bool SaveFlatFile(Document& doc, const char* path, RowWriter write, bool askOpaque);
// Replaces doc by the picture in the file; doc is untouched on any failure.
bool LoadFlatFile(Document& doc, const char* path, const FlatReader& read);
