#pragma once
#include <string>
#include <vector>

#include "image/color_profile.h"

// stack.xml, the layer list of an OpenRaster file.

struct OraLayer {
    std::string name;  // at most kLayerNameBytes - 1 bytes, cut at a character boundary
    std::string src;   // the layer's PNG inside the file
    int x = 0, y = 0;  // its position on the canvas
    int opacity = 255;
    bool hidden = false;
    int blendMode = 0;  // a BlendMode
    bool lockTransparency = false;
};

struct OraStack {
    int width = 0, height = 0;
    std::vector<OraLayer> layers;  // topmost first, as the file lists them
    bool hasProfile = false;       // only the program's own files carry one
    ColorProfile profile{};
};

// The stack.xml text for stack; the lock and the profile go into attributes
// of the program's own namespace, which other programs ignore.
std::string WriteStackXml(const OraStack& stack);

// Reads stack.xml: nested stacks become plain layers in order, their
// positions added and a hidden stack hiding its layers; an unknown blend mode
// is Normal (and logged). False for broken XML, a missing or out-of-range
// canvas size, a layer without its picture, or more than maxLayers layers;
// refusal then holds a message for the user when there is a clearer one than
// an unknown format.
bool ParseStackXml(const std::string& xml, int maxLayers, OraStack& stack, std::string& refusal);
