#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "image/channel_buffer.h"

class PixelImage;
struct History;

// Tiles are 128 pixels square and overlap their neighbours by two pixels, so
// each one carries a one-pixel border from the next and bilinear filtering of
// the per-tile textures shows no seams.
constexpr int kTileSide = 128;
constexpr int kTileStep = kTileSide - 2;
constexpr int kMaxLayers = 128;
// The largest side a document may have: 131 x 131 tiles, about 4 GB with the
// pixels, masks and display buffers of the bottom layer alone.
constexpr int kMaxDocumentSide = 16384;
constexpr int kMaxFrames = 4096;
// A frame's duration in time steps. "Export full" writes each frame once per
// step, so neither a typed 99999999 nor a file's may become that many files.
constexpr int kMaxFrameDuration = 1000;
constexpr int kBlendModeCount = 5;
constexpr int kLayerNameBytes = 64;

enum BlendMode : int32_t { kBlendNormal = 0, kBlendMultiply = 1, kBlendScreen = 2, kBlendDarken = 3, kBlendLighten = 4 };

// "Normal", "Multiply", "Screen", "Darken", "Lighten".
const char* BlendModeName(int mode);

// One layer at one tile position. A stack is the singly linked list of these
// from the bottom layer up; the bottom tile owns the stack's stroke mask and
// display buffer, and every tile owns the tiles above it.
//
// An animated tile's frames own their images and pixels points at the
// current one; otherwise pixels is owned directly.
struct LayerTile {
    LayerTile() = default;
    ~LayerTile();
    LayerTile(const LayerTile&) = delete;
    LayerTile& operator=(const LayerTile&) = delete;

    std::vector<PixelImage*> frames;  // frame count entries while animated
    int32_t frameCount = 0;
    int32_t currentFrame = 0;
    bool animated = false;
    bool onionSkin = false;
    PixelImage* pixels = nullptr;      // four 16-bit planes, or the empty image
    PixelImage* strokeMask = nullptr;  // owned by the bottom tile, shared by the stack
    uint8_t* texturePixels = nullptr;  // RGBA, side x side; bottom tile only
    uint32_t texture = 0;              // the UI's texture name; bottom tile only
    bool uploadPending = false;        // texturePixels changed; the UI sends them and clears this
    int32_t side = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // covered document pixels, x1 and y1 exclusive
    bool dirty = false;
    // Changed since the autosave last copied it: set with every change the
    // compositor takes in (and for every new tile); the autosave clears it.
    bool backupStale = true;
    bool textureCreated = false;
    bool strokeActive = false;
    bool bottom = false;
    LayerTile* next = nullptr;
    int32_t opacity = 255;
    int32_t blendMode = kBlendNormal;
    bool lock = false;    // effective: the layer's lock, or the bottom layer
    bool hidden = false;  // effective: the layer's hidden flag, never on the bottom layer
    bool empty = true;
};

struct LayerInfo {
    char name[kLayerNameBytes] = {};
    int32_t opacity = 255;
    int32_t blendMode = kBlendNormal;
    bool lockTransparency = false;
    bool hidden = false;
    uint32_t thumbnail = 0;  // the UI's texture name, 0 until it makes one
    bool thumbnailDirty = false;
    bool animated = false;
};

// The document and everything that lives and dies with it: the tile stacks,
// the layer list, the layer clipboard, the history and the animation state.
// The application holds one; the operations take it by reference.
struct Document {
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    int32_t width = 0;
    int32_t height = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t tileCount = 0;
    std::vector<LayerTile*> stacks;  // bottom tiles, row by row

    int32_t layerCount = 0;
    LayerInfo layers[kMaxLayers];
    int32_t currentLayer = 0;

    // The layer clipboard: one tile per position, null until first used.
    std::vector<LayerTile*> clipboardTiles;
    LayerInfo clipboardInfo;
    bool clipboardFilled = false;

    // File state.
    bool modified = false;
    bool flatCopy = false;
    bool layeredFile = false;
    bool damagedFile = false;  // read from a file only part of which could be decoded
    bool strokeDrawn = false;

    std::unique_ptr<History> history;  // undo and redo (image/undo.h)

    // Animation state; a new document keeps it, only the animation
    // operations and loading change it.
    bool animationMode = false;
    bool onionSkin = false;
    int32_t framesPerSecond = 0;
    int32_t currentFrame = 0;
    int32_t frameCount = 0;
    std::vector<int32_t> durations;  // kMaxFrames entries

    // Texture names of destroyed tiles and layers; the UI deletes them
    // (it owns the GL context) and empties the list.
    std::vector<uint32_t> texturesToRelease;
};

// Tiles needed along a side of the given length, in 64 bits so that no size
// can overflow the count.
int64_t TilesAlong(int64_t length);

// Replaces the document by a blank w x h one with the "Canvas" layer. Sizes
// outside 1..kMaxDocumentSide, and a document the memory cannot hold (noted
// as a shortage, see memory_guard.h), are refused and leave the document as
// it was. The animation settings stay.
bool NewDocument(Document& doc, int w, int h);
// Destroys every stack, the clipboard and the history.
void ReleaseDocument(Document& doc);

// i = 0 is the bottom tile; null past the top of the stack.
LayerTile* LayerTileAt(LayerTile* stack, int i);
// True if any tile of the stack must be composited again.
bool StackDirty(const LayerTile* stack);
// Replaces dirty with the stacks of stacks that StackDirty finds dirty, in
// their order: what every pass of the main loop asks first.
void CollectDirtyStacks(const std::vector<LayerTile*>& stacks, std::vector<LayerTile*>& dirty);

// A bottom tile gets opaque white pixels, its stroke mask and display buffer;
// any other tile the empty image (the caller sets its stroke mask).
void InitLayerTile(LayerTile& tile, bool bottom);
// Gives an empty tile transparent white pixels, their planes from source.
// Throws bad_alloc without memory for them (callers inside Allocating).
void EnsurePixels(LayerTile& tile, PlaneSource source = PlaneSource::kHeap);
// The same for painting, which goes on without the tile: false, with the
// shortage noted (memory_guard.h), when there is no memory for its pixels.
bool TryEnsurePixels(LayerTile& tile, PlaneSource source = PlaneSource::kHeap) noexcept;
// Copies image into the tile's pixels, or makes the tile empty when image has
// no planes. The tile becomes dirty.
void ReplaceTilePixels(LayerTile& tile, const PixelImage& image);

// Inserts a layer above layer i (i = -1 creates the bottom layer of a new
// document). Refused at kMaxLayers layers or outside -1..count - 1.
bool AddLayer(Document& doc, int i);
// 1 <= i < count; the bottom layer is never removed.
bool RemoveLayer(Document& doc, int i);
// 1 <= i < count, neither layer animated. False, with nothing changed and
// the shortage noted, without memory for the pixels the lower layer gains.
bool MergeLayerDown(Document& doc, int i);
// Puts layer from directly above layer below: from >= 1, below not from or
// from - 1, both in range.
bool MoveLayer(Document& doc, int from, int below);
// Takes layer i (1 <= i < count) out of every stack into tiles (one per
// stack, now owned by the caller) and its record into info; the layers above
// move down. AttachLayer puts such a layer back at index i.
void DetachLayer(Document& doc, int i, LayerInfo& info, std::vector<LayerTile*>& tiles);
void AttachLayer(Document& doc, int i, const LayerInfo& info, std::vector<LayerTile*>& tiles);
// Pushes layer i's record into its tiles.
void ApplyLayerInfo(Document& doc, int i);

// Every tile of every stack becomes dirty.
void MarkAllDirty(Document& doc);
