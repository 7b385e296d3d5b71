// The key table: the X server's keys, found by their key symbols, reach the
// DIK codes a PC keyboard gives them.
// GoogleTest comes before Xlib: Xlib's macros (None, Bool) break its templates.
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "platform/DirectInput.h"
#include "platform/Testing.h"
#include "platform/x11/X11Platform.h"

namespace {

struct KeyExpectation {
    KeySym keysym;
    int dik;
};

Display* XDisplay() {
    return static_cast<Display*>(platformtest::XDisplayConnection());
}

// The DIK code the layer gives the key that carries this symbol on the server.
int DikOfKeysym(KeySym keysym) {
    KeyCode keycode = XKeysymToKeycode(XDisplay(), keysym);
    if (keycode == 0) return -1;  // the server's keyboard has no such key
    return x11::DikFromXKeycode(keycode);
}

void ExpectKeys(const std::vector<KeyExpectation>& keys) {
    for (const KeyExpectation& key : keys) {
        EXPECT_EQ(DikOfKeysym(key.keysym), key.dik) << "key " << XKeysymToString(key.keysym);
    }
}

class KeyMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(XDisplay(), nullptr) << "key table tests need an X display: set DISPLAY (Xvfb)";
    }
};

TEST_F(KeyMapTest, TheProgramsKeysHaveTheirCodes) {
    ExpectKeys({{XK_Escape, 1}, {XK_Return, 28}, {XK_Alt_R, 184}, {XK_Left, 203}, {XK_Right, 205}});
}

TEST_F(KeyMapTest, EveryKeyOfAPcKeyboardHasItsCode) {
    const int letterCodes[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                 DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                 DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    std::vector<KeyExpectation> keys;
    for (int i = 0; i < 26; ++i) keys.push_back({static_cast<KeySym>(XK_a + i), letterCodes[i]});
    for (int i = 1; i <= 9; ++i) keys.push_back({static_cast<KeySym>(XK_0 + i), DIK_1 + i - 1});
    for (int i = 0; i < 10; ++i) keys.push_back({static_cast<KeySym>(XK_F1 + i), DIK_F1 + i});
    // The keypad digits are numbered by their place on the pad (7 8 9 first), not by value.
    const int keypadCodes[10] = {DIK_NUMPAD0, DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4,
                                 DIK_NUMPAD5, DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9};
    for (int i = 0; i < 10; ++i) keys.push_back({static_cast<KeySym>(XK_KP_0 + i), keypadCodes[i]});
    ExpectKeys(keys);

    ExpectKeys({// Main block
                {XK_0, DIK_0},
                {XK_minus, DIK_MINUS},
                {XK_equal, DIK_EQUALS},
                {XK_BackSpace, DIK_BACK},
                {XK_Tab, DIK_TAB},
                {XK_bracketleft, DIK_LBRACKET},
                {XK_bracketright, DIK_RBRACKET},
                {XK_semicolon, DIK_SEMICOLON},
                {XK_apostrophe, DIK_APOSTROPHE},
                {XK_grave, DIK_GRAVE},
                {XK_backslash, DIK_BACKSLASH},
                {XK_comma, DIK_COMMA},
                {XK_period, DIK_PERIOD},
                {XK_slash, DIK_SLASH},
                {XK_space, DIK_SPACE},
                {XK_less, DIK_OEM_102},
                {XK_Caps_Lock, DIK_CAPITAL},
                {XK_Shift_L, DIK_LSHIFT},
                {XK_Shift_R, DIK_RSHIFT},
                {XK_Control_L, DIK_LCONTROL},
                {XK_Alt_L, DIK_LMENU},
                {XK_F11, DIK_F11},
                {XK_F12, DIK_F12},
                {XK_Scroll_Lock, DIK_SCROLL},
                // Keypad. KP_Decimal is looked up by its key's other symbol, KP_Delete:
                // the keypad comma key carries KP_Decimal first.
                {XK_KP_Delete, DIK_DECIMAL},
                {XK_KP_Add, DIK_ADD},
                {XK_KP_Subtract, DIK_SUBTRACT},
                {XK_KP_Multiply, DIK_MULTIPLY},
                {XK_KP_Divide, DIK_DIVIDE},
                {XK_KP_Enter, DIK_NUMPADENTER},
                {XK_Num_Lock, DIK_NUMLOCK},
                // Extended keys
                {XK_Up, DIK_UP},
                {XK_Down, DIK_DOWN},
                {XK_Insert, DIK_INSERT},
                {XK_Delete, DIK_DELETE},
                {XK_Home, DIK_HOME},
                {XK_End, DIK_END},
                {XK_Prior, DIK_PRIOR},
                {XK_Next, DIK_NEXT},
                {XK_Control_R, DIK_RCONTROL},
                {XK_Super_L, DIK_LWIN},
                {XK_Super_R, DIK_RWIN},
                {XK_Menu, DIK_APPS},
                {XK_Pause, DIK_PAUSE},
                {XK_Print, DIK_SYSRQ}});
}

// Two keys reading as one would make a binding fire for the wrong key.
TEST_F(KeyMapTest, NoTwoKeysShareACode) {
    std::set<int> seen;
    for (unsigned keycode = 0; keycode < 256; ++keycode) {
        int dik = x11::DikFromXKeycode(keycode);
        if (dik == 0) continue;
        EXPECT_TRUE(seen.insert(dik).second) << "DIK " << dik << " again at X key code " << keycode;
    }
    EXPECT_GE(seen.size(), 104u) << "a full PC keyboard";
}

TEST_F(KeyMapTest, KeyCodesWithoutAKeyHaveNoCode) {
    for (unsigned keycode : {0u, 1u, 7u, 8u, 92u, 256u, 100000u}) {
        EXPECT_EQ(x11::DikFromXKeycode(keycode), 0) << "X key code " << keycode;
    }
}

}  // namespace
