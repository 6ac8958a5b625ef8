#include "platform/key_latch.h"

#include <gtest/gtest.h>

namespace {

using platform::KeyLatch;
using platform::kKeyCodeCount;

TEST(KeyLatch, APressShowsInTheNextSnapshotOnly) {
    KeyLatch latch;
    latch.Press(platform::kKeyZ);
    latch.Press(platform::kKeyLeftCtrl);
    uint8_t keys[kKeyCodeCount] = {};
    keys[platform::kKeyS] = 0x80;  // held in the snapshot itself
    latch.MarkHeld(keys);
    for (int code = 0; code < kKeyCodeCount; ++code) {
        const bool held = code == platform::kKeyZ || code == platform::kKeyLeftCtrl || code == platform::kKeyS;
        EXPECT_EQ(keys[code], held ? 0x80 : 0) << "key " << code;
    }
    uint8_t next[kKeyCodeCount] = {};
    latch.MarkHeld(next);
    for (int code = 0; code < kKeyCodeCount; ++code) EXPECT_EQ(next[code], 0) << "key " << code;
}

TEST(KeyLatch, IgnoresCodesOutsideTheTableAndForgetsOnClear) {
    KeyLatch latch;
    for (int code : {-1, kKeyCodeCount, 1000}) latch.Press(code);
    latch.Press(platform::kKeyE);
    latch.Clear();
    uint8_t keys[kKeyCodeCount] = {};
    latch.MarkHeld(keys);
    for (int code = 0; code < kKeyCodeCount; ++code) EXPECT_EQ(keys[code], 0) << "key " << code;
}

}  // namespace
