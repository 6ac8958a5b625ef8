#include "platform/sdl/keyboard_map.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace platform::sdl {
namespace {

// The keys the program's shortcuts use.
TEST(KeyboardMap, ShortcutKeysReachTheirCodes) {
    const struct {
        SDL_Scancode scancode;
        int code;
    } cases[] = {
        {SDL_SCANCODE_ESCAPE, kKeyEscape},         {SDL_SCANCODE_TAB, kKeyTab},
        {SDL_SCANCODE_RETURN, kKeyEnter},          {SDL_SCANCODE_SPACE, kKeySpace},
        {SDL_SCANCODE_LCTRL, kKeyLeftCtrl},        {SDL_SCANCODE_RCTRL, kKeyRightCtrl},
        {SDL_SCANCODE_LSHIFT, kKeyLeftShift},      {SDL_SCANCODE_RSHIFT, kKeyRightShift},
        {SDL_SCANCODE_LALT, kKeyLeftAlt},          {SDL_SCANCODE_RALT, kKeyRightAlt},
        {SDL_SCANCODE_F1, kKeyF1},                 {SDL_SCANCODE_F4, kKeyF4},
        {SDL_SCANCODE_KP_PLUS, kKeyNumpadAdd},     {SDL_SCANCODE_KP_MINUS, kKeyNumpadSubtract},
        {SDL_SCANCODE_KP_MULTIPLY, kKeyNumpadMultiply},
        {SDL_SCANCODE_UP, kKeyUp},                 {SDL_SCANCODE_DOWN, kKeyDown},
        {SDL_SCANCODE_LEFT, kKeyLeft},             {SDL_SCANCODE_RIGHT, kKeyRight},
        {SDL_SCANCODE_E, kKeyE}, {SDL_SCANCODE_B, kKeyB}, {SDL_SCANCODE_X, kKeyX}, {SDL_SCANCODE_F, kKeyF},
        {SDL_SCANCODE_C, kKeyC}, {SDL_SCANCODE_V, kKeyV}, {SDL_SCANCODE_Z, kKeyZ}, {SDL_SCANCODE_I, kKeyI},
        {SDL_SCANCODE_O, kKeyO}, {SDL_SCANCODE_L, kKeyL}, {SDL_SCANCODE_R, kKeyR}, {SDL_SCANCODE_S, kKeyS},
        {SDL_SCANCODE_N, kKeyN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCodeFromScancode(c.scancode), c.code) << SDL_GetScancodeName(c.scancode);
}

// Set-1 codes run along the rows of the keyboard; the letters and digits
// follow from the row layouts alone.
TEST(KeyboardMap, LettersAndDigitsFollowTheKeyboardRows) {
    const struct {
        const char* row;
        int firstCode;
    } rows[] = {{"1234567890", 0x02}, {"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C}};
    for (const auto& r : rows) {
        for (int i = 0; r.row[i]; ++i) {
            const char key[2] = {r.row[i], 0};
            const SDL_Scancode scancode = SDL_GetScancodeFromName(key);
            ASSERT_NE(scancode, SDL_SCANCODE_UNKNOWN) << key;
            EXPECT_EQ(KeyCodeFromScancode(scancode), r.firstCode + i) << key;
        }
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_F1 + i), 0x3B + i) << "F" << i + 1;
    EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_F11), 0x57);
    EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_F12), 0x58);
}

// The navigation keys were added beside the numeric keypad with the keypad
// key's code behind an E0 prefix, which DirectInput folds into bit 7.
TEST(KeyboardMap, NavigationKeysAreTheirKeypadTwinsWithBitSeven) {
    const struct {
        SDL_Scancode navigation, keypad;
    } twins[] = {
        {SDL_SCANCODE_HOME, SDL_SCANCODE_KP_7},   {SDL_SCANCODE_UP, SDL_SCANCODE_KP_8},
        {SDL_SCANCODE_PAGEUP, SDL_SCANCODE_KP_9}, {SDL_SCANCODE_LEFT, SDL_SCANCODE_KP_4},
        {SDL_SCANCODE_RIGHT, SDL_SCANCODE_KP_6},  {SDL_SCANCODE_END, SDL_SCANCODE_KP_1},
        {SDL_SCANCODE_DOWN, SDL_SCANCODE_KP_2},   {SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_KP_3},
        {SDL_SCANCODE_INSERT, SDL_SCANCODE_KP_0}, {SDL_SCANCODE_DELETE, SDL_SCANCODE_KP_PERIOD},
        {SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_RETURN}, {SDL_SCANCODE_RCTRL, SDL_SCANCODE_LCTRL},
        {SDL_SCANCODE_RALT, SDL_SCANCODE_LALT},   {SDL_SCANCODE_KP_DIVIDE, SDL_SCANCODE_SLASH},
    };
    for (const auto& t : twins) {
        const int keypad = KeyCodeFromScancode(t.keypad);
        ASSERT_NE(keypad, 0) << SDL_GetScancodeName(t.keypad);
        EXPECT_EQ(KeyCodeFromScancode(t.navigation), keypad | 0x80) << SDL_GetScancodeName(t.navigation);
    }
}

// Two keys sharing a code would make one press read as the other.
TEST(KeyboardMap, NoTwoKeysShareACode) {
    std::map<int, std::vector<std::string>> byCode;
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
        if (const int code = KeyCodeFromScancode(scancode))
            byCode[code].push_back(SDL_GetScancodeName(SDL_Scancode(scancode)));
    for (const auto& [code, names] : byCode) {
        // The ISO key beside Enter and the ANSI backslash are one position.
        if (code == 0x2B) {
            EXPECT_EQ(names.size(), 2u);
            continue;
        }
        EXPECT_EQ(names.size(), 1u) << "code " << code << " from " << names.front() << " and " << names.back();
    }
    EXPECT_GT(byCode.size(), 100u);  // the whole 105-key keyboard is there
}

TEST(KeyboardMap, KeysWithoutACodeAndOutOfRangeScancodesGiveZero) {
    for (int scancode : {int(SDL_SCANCODE_UNKNOWN), int(SDL_SCANCODE_AC_BACK), int(SDL_SCANCODE_KP_HEXADECIMAL), -1,
                         int(SDL_NUM_SCANCODES), 100000})
        EXPECT_EQ(KeyCodeFromScancode(scancode), 0) << scancode;
}

class SnapshotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        sdlKeys[SDL_SCANCODE_KP_PLUS] = 1;
        sdlKeys[SDL_SCANCODE_RCTRL] = 1;
        sdlKeys[SDL_SCANCODE_AC_BACK] = 1;  // has no code: ignored
        for (uint8_t& state : keyStates) state = 0x55;  // stale
    }

    Uint8 sdlKeys[SDL_NUM_SCANCODES] = {};
    uint8_t keyStates[kKeyCodeCount];
};

TEST_F(SnapshotKeysTest, HeldKeysAreMarkedByCodeAndEveryOtherIsCleared) {
    SnapshotKeys(sdlKeys, SDL_NUM_SCANCODES, true, keyStates);
    for (int code = 0; code < kKeyCodeCount; ++code) {
        const bool held = code == kKeyNumpadAdd || code == kKeyRightCtrl;
        EXPECT_EQ(keyStates[code], held ? 0x80 : 0) << "code " << code;
    }
}

TEST_F(SnapshotKeysTest, WithoutKeyboardFocusNothingIsHeld) {
    SnapshotKeys(sdlKeys, SDL_NUM_SCANCODES, false, keyStates);
    for (int code = 0; code < kKeyCodeCount; ++code) EXPECT_EQ(keyStates[code], 0) << "code " << code;
}

TEST_F(SnapshotKeysTest, AShortStateArrayIsReadOnlyAsFarAsItGoes) {
    // SDL says how long its array is; entries past it are not ours to read.
    SnapshotKeys(sdlKeys, SDL_SCANCODE_KP_PLUS, true, keyStates);
    EXPECT_EQ(keyStates[kKeyNumpadAdd], 0);
    EXPECT_EQ(keyStates[kKeyRightCtrl], 0);
    sdlKeys[SDL_SCANCODE_A] = 1;
    SnapshotKeys(sdlKeys, SDL_SCANCODE_KP_PLUS, true, keyStates);
    EXPECT_EQ(keyStates[0x1E], 0x80);
}

TEST(AxisFromSdl, CoversMinusOneToOne) {
    const struct {
        Sint16 position;
        float value;
    } cases[] = {{-32768, -1.0f}, {-32767, -1.0f}, {0, 0.0f}, {32767, 1.0f}, {16384, 16384.0f / 32767.0f}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(AxisFromSdl(c.position), c.value) << c.position;
}

// Linux's absolute axis codes, as an event device lists them.
constexpr int kAbsX = 0x00, kAbsY = 0x01, kAbsZ = 0x02, kAbsRx = 0x03, kAbsRy = 0x04, kAbsRz = 0x05;
constexpr int kAbsThrottle = 0x06, kAbsRudder = 0x07, kAbsHat0X = 0x10, kAbsHat0Y = 0x11, kAbsMisc = 0x28;

TEST(AxisKindsFromEventCodes, NameEachOfSdlsAxesByWhatTheDeviceSaysItIs) {
    using K = AxisKind;
    const struct {
        const char* device;
        std::vector<int> codes;
        std::vector<AxisKind> kinds;
    } cases[] = {
        // A throttle in the third place is no Z axis.
        {"stick with throttle", {kAbsX, kAbsY, kAbsThrottle}, {K::kX, K::kY, K::kOther}},
        // Hats are SDL's hats, not axes; the twist is the Z rotation.
        {"flight stick", {kAbsX, kAbsY, kAbsRz, kAbsThrottle, kAbsHat0X, kAbsHat0Y}, {K::kX, K::kY, K::kRotationZ, K::kOther}},
        {"gamepad", {kAbsX, kAbsY, kAbsZ, kAbsRx, kAbsRy, kAbsRz, kAbsHat0X, kAbsHat0Y},
         {K::kX, K::kY, K::kZ, K::kRotationX, K::kRotationY, K::kRotationZ}},
        {"everything", {kAbsMisc, kAbsRudder, kAbsThrottle, kAbsRz, kAbsRy, kAbsRx, kAbsZ, kAbsY, kAbsX},
         {K::kX, K::kY, K::kZ, K::kRotationX, K::kRotationY, K::kRotationZ, K::kOther, K::kOther, K::kOther}},
        {"no axes", {}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(AxisKindsFromEventCodes(c.codes), c.kinds) << c.device;
}

}  // namespace
}  // namespace platform::sdl
