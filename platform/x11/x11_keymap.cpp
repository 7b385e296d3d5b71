// Linux platform layer: the one table from X key codes to DIK codes.
//
// Provides:
//   [X] x11::DikFromXKeycode: the whole PC keyboard (main block, function keys
//       F1-F12, keypad, the extended keys: arrows, the six editing keys, right
//       Ctrl and Alt, keypad Enter and slash, Windows keys, Menu, Pause, Print)
//       plus the Japanese and Brazilian keys, keypad equals and comma, and the
//       volume, media, browser and power keys that DIK codes exist for
//   [ ] Servers that do not number keys the evdev way (the old XFree86 keyboard
//       driver): every server this runs on today, Xvfb included, does.
//
// X key codes are the kernel's evdev codes plus 8. For the main block the evdev
// code is the PC scan code, which is also the DIK code, so those rows read
// "code + 8 -> code". Keys that send an 0xE0-prefixed scan code on a PC have
// their own evdev codes, and their DIK code is the scan code with bit 7 set.
#include <array>

#include "platform/DirectInput.h"
#include "platform/x11/X11Platform.h"

namespace {

struct KeyMapping {
    unsigned char xKeycode;
    unsigned char dik;
};

constexpr KeyMapping kKeyMappings[] = {
    // Main block, X code = DIK code + 8.
    {9, DIK_ESCAPE},
    {10, DIK_1},
    {11, DIK_2},
    {12, DIK_3},
    {13, DIK_4},
    {14, DIK_5},
    {15, DIK_6},
    {16, DIK_7},
    {17, DIK_8},
    {18, DIK_9},
    {19, DIK_0},
    {20, DIK_MINUS},
    {21, DIK_EQUALS},
    {22, DIK_BACK},
    {23, DIK_TAB},
    {24, DIK_Q},
    {25, DIK_W},
    {26, DIK_E},
    {27, DIK_R},
    {28, DIK_T},
    {29, DIK_Y},
    {30, DIK_U},
    {31, DIK_I},
    {32, DIK_O},
    {33, DIK_P},
    {34, DIK_LBRACKET},
    {35, DIK_RBRACKET},
    {36, DIK_RETURN},
    {37, DIK_LCONTROL},
    {38, DIK_A},
    {39, DIK_S},
    {40, DIK_D},
    {41, DIK_F},
    {42, DIK_G},
    {43, DIK_H},
    {44, DIK_J},
    {45, DIK_K},
    {46, DIK_L},
    {47, DIK_SEMICOLON},
    {48, DIK_APOSTROPHE},
    {49, DIK_GRAVE},
    {50, DIK_LSHIFT},
    {51, DIK_BACKSLASH},
    {52, DIK_Z},
    {53, DIK_X},
    {54, DIK_C},
    {55, DIK_V},
    {56, DIK_B},
    {57, DIK_N},
    {58, DIK_M},
    {59, DIK_COMMA},
    {60, DIK_PERIOD},
    {61, DIK_SLASH},
    {62, DIK_RSHIFT},
    {63, DIK_MULTIPLY},
    {64, DIK_LMENU},
    {65, DIK_SPACE},
    {66, DIK_CAPITAL},
    {67, DIK_F1},
    {68, DIK_F2},
    {69, DIK_F3},
    {70, DIK_F4},
    {71, DIK_F5},
    {72, DIK_F6},
    {73, DIK_F7},
    {74, DIK_F8},
    {75, DIK_F9},
    {76, DIK_F10},
    {77, DIK_NUMLOCK},
    {78, DIK_SCROLL},
    {79, DIK_NUMPAD7},
    {80, DIK_NUMPAD8},
    {81, DIK_NUMPAD9},
    {82, DIK_SUBTRACT},
    {83, DIK_NUMPAD4},
    {84, DIK_NUMPAD5},
    {85, DIK_NUMPAD6},
    {86, DIK_ADD},
    {87, DIK_NUMPAD1},
    {88, DIK_NUMPAD2},
    {89, DIK_NUMPAD3},
    {90, DIK_NUMPAD0},
    {91, DIK_DECIMAL},
    // 92 and 93 (evdev 84, 85) have no PC scan code of their own.
    {94, DIK_OEM_102},
    {95, DIK_F11},
    {96, DIK_F12},

    // International keys.
    {97, DIK_ABNT_C1},  // evdev KEY_RO
    {100, DIK_CONVERT},
    {101, DIK_KANA},
    {102, DIK_NOCONVERT},
    {132, DIK_YEN},

    // Extended keys (0xE0 prefix on a PC).
    {104, DIK_NUMPADENTER},
    {105, DIK_RCONTROL},
    {106, DIK_DIVIDE},
    {107, DIK_SYSRQ},  // Print
    {108, DIK_RMENU},  // right Alt (AltGr)
    {110, DIK_HOME},
    {111, DIK_UP},
    {112, DIK_PRIOR},
    {113, DIK_LEFT},
    {114, DIK_RIGHT},
    {115, DIK_END},
    {116, DIK_DOWN},
    {117, DIK_NEXT},
    {118, DIK_INSERT},
    {119, DIK_DELETE},
    {127, DIK_PAUSE},
    {133, DIK_LWIN},
    {134, DIK_RWIN},
    {135, DIK_APPS},  // Menu

    // Keypad extras.
    {125, DIK_NUMPADEQUALS},
    {129, DIK_NUMPADCOMMA},

    // Volume, power, media and browser keys.
    {121, DIK_MUTE},
    {122, DIK_VOLUMEDOWN},
    {123, DIK_VOLUMEUP},
    {124, DIK_POWER},
    {148, DIK_CALCULATOR},
    {150, DIK_SLEEP},
    {151, DIK_WAKE},
    {163, DIK_MAIL},
    {164, DIK_WEBFAVORITES},
    {165, DIK_MYCOMPUTER},
    {166, DIK_WEBBACK},
    {167, DIK_WEBFORWARD},
    {171, DIK_NEXTTRACK},
    {172, DIK_PLAYPAUSE},
    {173, DIK_PREVTRACK},
    {174, DIK_MEDIASTOP},
    {180, DIK_WEBHOME},
    {181, DIK_WEBREFRESH},
    {225, DIK_WEBSEARCH},
    {234, DIK_MEDIASELECT},
};

// The table above as a lookup by X key code; 0 where no DIK code exists.
constexpr std::array<unsigned char, 256> MakeLookup() {
    std::array<unsigned char, 256> lookup{};
    for (const KeyMapping& mapping : kKeyMappings) lookup[mapping.xKeycode] = mapping.dik;
    return lookup;
}

constexpr std::array<unsigned char, 256> kDikByXKeycode = MakeLookup();

}  // namespace

namespace x11 {

int DikFromXKeycode(unsigned keycode) {
    return keycode < kDikByXKeycode.size() ? kDikByXKeycode[keycode] : 0;
}

}  // namespace x11
