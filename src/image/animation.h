#pragma once

#include <vector>

class PixelImage;
struct Document;
struct LayerTile;

void EnterAnimation(Document& doc);
// A document made in place of another (a new one, or one from a flat image)
// keeps the animation mode and playback rate it finds, but none of the other
// document's frames: in animation mode it starts at one frame of one time
// step, without onion skin.
void RestartFrames(Document& doc);
// The animation settings a document made in place of another takes over
// (mode, onion skin, rate, frame count and position, durations); its frames
// start afresh with RestartFrames.
void CopyAnimationSettings(const Document& from, Document& to);
// Every animated layer keeps the frame it shows.
void ExitAnimation(Document& doc);
bool ToggleLayerAnimated(Document& doc, int layer);
// Out-of-range frames wrap: -1 is the last frame, frame count is frame 0.
void SetFrame(Document& doc, int frame);
// Inserts an empty frame after the current one and moves to it; refused at
// kMaxFrames frames.
bool AddFrame(Document& doc);
// Refused when one frame or fewer is left.
bool RemoveFrame(Document& doc);
void ToggleOnionSkin(Document& doc);

// Takes frame k out of every animated tile (images gets one entry per
// animated layer and stack, null where a tile had no such frame, now owned by
// the caller) and out of the durations; AttachFrame puts such a frame back.
void DetachFrame(Document& doc, int k, std::vector<PixelImage*>& images, int& duration);
void AttachFrame(Document& doc, int k, std::vector<PixelImage*>& images, int duration);

// Gives a tile n frames with its pixels as frame c and the others empty.
// Refused (nothing written) unless 0 <= c < n, or when already animated.
bool MakeTileAnimated(LayerTile& tile, int n, int c);
// Keeps only the current frame; a tile that is not animated is left alone.
void KeepCurrentFrame(LayerTile& tile);
