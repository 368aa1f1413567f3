#pragma once

#include <cstdint>

// A key the user pressed while the window had the keyboard: its character (printable keys) or
// its virtual code (editing and navigation keys), with the modifier keys held (CButton bits).

namespace VSTGUI {

enum VirtualKey : int32_t {
    kKeyNone = 0,
    kKeyBackspace,
    kKeyTab,
    kKeyReturn,
    kKeyEscape,
    kKeyLeft,
    kKeyRight,
    kKeyUp,
    kKeyDown,
    kKeyHome,
    kKeyEnd,
    kKeyDelete,
};

struct CKeyCode {
    int32_t character = 0; // the character, printable ASCII; 0 for a virtual key
    int32_t virt = kKeyNone;
    int32_t modifiers = 0;
};

} // namespace VSTGUI
