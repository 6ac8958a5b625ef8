#include "image/color_record.h"

#include "image/color_profile.h"

void ColorRecord::RefreshMirrors() {
    mirrorR = uint16_t(value[0]);
    mirrorG = uint16_t(value[1]);
    mirrorB = uint16_t(value[2]);
    mirrorA = uint16_t(value[3]);
}

void ColorRecord::Set(int i, int32_t v) {
    value[i] = v;
    RefreshMirrors();
}

bool ColorRecord::operator==(const ColorRecord& other) const {
    return value[0] == other.value[0] && value[1] == other.value[1] && value[2] == other.value[2] &&
           value[3] == other.value[3];
}

ColorRecord DisplayColor(int r, int g, int b, int a) {
    ColorRecord c;
    c.value[0] = r;
    c.value[1] = g;
    c.value[2] = b;
    c.value[3] = a;
    c.RefreshMirrors();
    return c;
}

void FromDisplay(ColorRecord& c) {
    c.value[0] = int32_t(Fwd(0, uint32_t(c.mirrorR) << 8));
    c.value[1] = int32_t(Fwd(1, uint32_t(c.mirrorG) << 8));
    c.value[2] = int32_t(Fwd(2, uint32_t(c.mirrorB) << 8));
    c.value[3] = int32_t(c.mirrorA) << 8;
    c.RefreshMirrors();
}

void ToDisplay(ColorRecord& c) {
    c.displayR = uint16_t(Inv(0, c.mirrorR));
    c.displayG = uint16_t(Inv(1, c.mirrorG));
    c.displayB = uint16_t(Inv(2, c.mirrorB));
    c.value[0] = c.displayR >> 8;
    c.value[1] = c.displayG >> 8;
    c.value[2] = c.displayB >> 8;
    c.value[3] = c.mirrorA >> 8;
    c.RefreshMirrors();
}

ColorRecord OpaqueWhiteWorking() {
    ColorRecord white = DisplayColor(255, 255, 255, 255);
    FromDisplay(white);
    return white;
}
