#include "fileio/ora_stack.h"

#include <expat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/document.h"
#include "platform/log.h"

namespace {

// The namespace of the program's own attributes.
const char kOwnNamespace[] = "urn:orvella:openraster";
// expat joins a namespace and a local name with this.
const char kSeparator = '|';

const char* const kCompositeOps[kBlendModeCount] = {"svg:src-over", "svg:multiply", "svg:screen", "svg:darken",
                                                    "svg:lighten"};

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // XML 1.0 cannot hold other control characters at all.
                if (static_cast<unsigned char>(c) < 0x20) {
                    char ref[12];
                    std::snprintf(ref, sizeof ref, "&#%d;", c == '\t' || c == '\n' || c == '\r' ? int(c) : 0xFFFD);
                    out += ref;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string Floats(const float* values) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g %.9g %.9g", double(values[0]), double(values[1]), double(values[2]));
    return text;
}

// The longest prefix of text that fits the layer record, not cutting a
// UTF-8 character in two.
std::string BoundedName(const char* text) {
    std::string name(text, strnlen(text, kLayerNameBytes));
    if (name.size() < size_t(kLayerNameBytes)) return name;
    size_t end = kLayerNameBytes - 1;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

bool ParseInt(const char* text, long low, long high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    value = int(v);
    return true;
}

bool ParseFloats(const char* text, float* values) {
    char* end = nullptr;
    for (int i = 0; i < 3; ++i) {
        const double v = std::strtod(text, &end);
        if (end == text || !std::isfinite(v) || v < 0.01 || v > 100.0) return false;
        values[i] = float(v);
        text = end;
    }
    return *end == '\0';
}

struct Group {
    int x = 0, y = 0;
    bool hidden = false;
    int opacity = 255;
};

struct Parser {
    int maxLayers = 0;
    OraStack* stack = nullptr;
    std::string refusal;
    bool failed = false;
    int depth = 0;
    bool sawImage = false;
    bool profileName = false, profileDark = false, profileBright = false;
    std::vector<Group> groups;  // the stacks the parser is inside

    XML_Parser xml = nullptr;

    void Fail(const std::string& why = std::string()) {
        failed = true;
        if (!why.empty()) refusal = why;
        XML_StopParser(xml, XML_FALSE);
    }
};

bool Is(const char* name, const char* local) { return std::strcmp(name, local) == 0; }

bool IsOwn(const char* name, const char* local) {
    const size_t n = sizeof kOwnNamespace - 1;
    return std::strncmp(name, kOwnNamespace, n) == 0 && name[n] == kSeparator && Is(name + n + 1, local);
}

void ReadImage(Parser& p, const char** attributes) {
    p.sawImage = true;
    bool haveW = false, haveH = false;
    for (const char** a = attributes; *a; a += 2) {
        if (Is(a[0], "w")) haveW = ParseInt(a[1], 1, kMaxDocumentSide, p.stack->width);
        else if (Is(a[0], "h")) haveH = ParseInt(a[1], 1, kMaxDocumentSide, p.stack->height);
        else if (IsOwn(a[0], "profile")) {
            std::snprintf(p.stack->profile.name, sizeof p.stack->profile.name, "%s", a[1]);
            p.profileName = true;
        } else if (IsOwn(a[0], "profile-dark")) p.profileDark = ParseFloats(a[1], p.stack->profile.dark);
        else if (IsOwn(a[0], "profile-bright")) p.profileBright = ParseFloats(a[1], p.stack->profile.bright);
    }
    if (!haveW || !haveH) p.Fail();
    p.stack->hasProfile = p.profileName && p.profileDark && p.profileBright;
}

// The attributes layers and stacks share; false for a malformed one.
bool ReadPlacement(const char** a, int& x, int& y, int& opacity, bool& hidden) {
    if (Is(a[0], "x")) return ParseInt(a[1], -2L * kMaxDocumentSide, 2L * kMaxDocumentSide, x);
    if (Is(a[0], "y")) return ParseInt(a[1], -2L * kMaxDocumentSide, 2L * kMaxDocumentSide, y);
    if (Is(a[0], "opacity")) {
        char* end = nullptr;
        const double v = std::strtod(a[1], &end);
        if (end == a[1] || !std::isfinite(v)) return false;
        opacity = int(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255.0));
        return true;
    }
    if (Is(a[0], "visibility")) hidden = Is(a[1], "hidden");
    return true;
}

void ReadLayer(Parser& p, const char** attributes) {
    if (int(p.stack->layers.size()) >= p.maxLayers) {
        p.Fail("The file has more than " + std::to_string(p.maxLayers) +
                           " layers, more than Orvella can hold. Merge some of them in the program that made it.");
        return;
    }
    OraLayer layer;
    bool haveSrc = false;
    for (const char** a = attributes; *a; a += 2) {
        if (!ReadPlacement(a, layer.x, layer.y, layer.opacity, layer.hidden)) return p.Fail();
        if (Is(a[0], "name")) layer.name = BoundedName(a[1]);
        else if (Is(a[0], "src")) {
            layer.src = a[1];
            haveSrc = !layer.src.empty();
        }
        else if (Is(a[0], "composite-op")) {
            int mode = -1;
            for (int m = 0; m < kBlendModeCount; ++m)
                if (Is(a[1], kCompositeOps[m])) mode = m;
            if (mode < 0) LogLine("OpenRaster: blend mode \"%.80s\" is not known here; the layer blends as Normal", a[1]);
            layer.blendMode = mode < 0 ? kBlendNormal : mode;
        } else if (IsOwn(a[0], "lock-transparency")) {
            layer.lockTransparency = Is(a[1], "true");
        }
    }
    if (!haveSrc) return p.Fail();
    for (const Group& g : p.groups) {
        layer.x += g.x;
        layer.y += g.y;
        layer.hidden = layer.hidden || g.hidden;
        layer.opacity = (layer.opacity * g.opacity + 127) / 255;
    }
    p.stack->layers.push_back(layer);
}

void ReadStack(Parser& p, const char** attributes) {
    Group group;
    for (const char** a = attributes; *a; a += 2)
        if (!ReadPlacement(a, group.x, group.y, group.opacity, group.hidden)) return p.Fail();
    p.groups.push_back(group);
}

void XMLCALL OnStart(void* data, const char* name, const char** attributes) {
    auto& p = *static_cast<Parser*>(data);
    if (p.failed) return;
    ++p.depth;
    if (p.depth == 1) {
        if (!Is(name, "image")) return p.Fail();
        return ReadImage(p, attributes);
    }
    if (Is(name, "stack")) {
        // The image's own stack is the root, not a group.
        if (p.depth == 2) return;
        return ReadStack(p, attributes);
    }
    if (Is(name, "layer")) return ReadLayer(p, attributes);
}

void XMLCALL OnEnd(void* data, const char* name) {
    auto& p = *static_cast<Parser*>(data);
    if (p.failed) return;
    if (Is(name, "stack") && p.depth > 2 && !p.groups.empty()) p.groups.pop_back();
    --p.depth;
}

}  // namespace

std::string WriteStackXml(const OraStack& stack) {
    std::string xml = "<?xml version='1.0' encoding='UTF-8'?>\n";
    xml += "<image version=\"0.0.5\" w=\"" + std::to_string(stack.width) + "\" h=\"" + std::to_string(stack.height) +
           "\" xmlns:orvella=\"" + kOwnNamespace + "\"";
    if (stack.hasProfile) {
        xml += " orvella:profile=\"" + Escaped(BoundedName(stack.profile.name)) + "\"";
        xml += " orvella:profile-dark=\"" + Floats(stack.profile.dark) + "\"";
        xml += " orvella:profile-bright=\"" + Floats(stack.profile.bright) + "\"";
    }
    xml += ">\n <stack>\n";
    for (const OraLayer& layer : stack.layers) {
        char opacity[16];
        std::snprintf(opacity, sizeof opacity, "%.4f", layer.opacity / 255.0);
        const int mode = layer.blendMode >= 0 && layer.blendMode < kBlendModeCount ? layer.blendMode : kBlendNormal;
        xml += "  <layer name=\"" + Escaped(layer.name) + "\" src=\"" + Escaped(layer.src) + "\" x=\"" +
               std::to_string(layer.x) + "\" y=\"" + std::to_string(layer.y) + "\" opacity=\"" + opacity +
               "\" visibility=\"" + (layer.hidden ? "hidden" : "visible") + "\" composite-op=\"" +
               kCompositeOps[mode] + "\" orvella:lock-transparency=\"" +
               (layer.lockTransparency ? "true" : "false") + "\"/>\n";
    }
    xml += " </stack>\n</image>\n";
    return xml;
}

bool ParseStackXml(const std::string& xml, int maxLayers, OraStack& stack, std::string& refusal) {
    stack = OraStack();
    Parser p;
    p.maxLayers = maxLayers;
    p.stack = &stack;
    p.xml = XML_ParserCreateNS(nullptr, kSeparator);
    if (!p.xml) return false;
    XML_SetUserData(p.xml, &p);
    XML_SetElementHandler(p.xml, OnStart, OnEnd);
    const bool parsed = XML_Parse(p.xml, xml.data(), int(xml.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(p.xml);
    if (!parsed || p.failed || !p.sawImage) {
        refusal = p.refusal;
        return false;
    }
    return true;
}
