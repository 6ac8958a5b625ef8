#pragma once

struct Document;

// The filters that run at once, by index: invert, greyscale mask, and a third
// entry that does nothing.
enum SimpleFilter : int { kFilterInvert = 0, kFilterGreyscaleMask = 1, kFilterNothing = 2 };

// Applies simple filter index to every tile of layer that has pixels, marking
// the changed tiles dirty and the layer's thumbnail, the document modified and
// not a flat copy. The caller saves the undo step first. threads: 0 for one
// per processor. False, with nothing changed, for an unknown layer or index;
// kFilterNothing changes nothing and succeeds.
//
// Invert: every colour sample v becomes 65535 - v, alpha stays.
// Greyscale mask: alpha becomes 65535 - red, then red, green and blue become
// 0, so a greyscale drawing turns into black ink whose opacity follows its
// darkness.
bool ApplySimpleFilter(Document& doc, int layer, int index, int threads = 0);
