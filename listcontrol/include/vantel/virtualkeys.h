#pragma once

#include <Qt>

// Key and mouse codes as the control's events report them.
namespace VirtualKey {
enum : short {
    Back = 0x08,
    Tab = 0x09,
    Return = 0x0D,
    Shift = 0x10,
    Control = 0x11,
    Menu = 0x12, // Alt
    Pause = 0x13,
    Capital = 0x14,
    Escape = 0x1B,
    Space = 0x20,
    Prior = 0x21, // Page Up
    Next = 0x22,  // Page Down
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Snapshot = 0x2C,
    Insert = 0x2D,
    Delete = 0x2E,
    LeftWin = 0x5B,
    Apps = 0x5D,
    Numpad0 = 0x60,
    Multiply = 0x6A,
    Add = 0x6B,
    Subtract = 0x6D,
    Decimal = 0x6E,
    Divide = 0x6F,
    F1 = 0x70,
    NumLock = 0x90,
    ScrollLock = 0x91,
};
}

namespace ShiftCode {
enum : short { Shift = 1, Control = 2, Alt = 4 };
}

namespace MouseButtonCode {
enum : short { Left = 1, Right = 2, Middle = 4 };
}

// The virtual-key code of a Qt key, 0 for keys without one. Letters and
// digits give their capital ASCII codes; keypad keys their keypad codes.
short virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A Qt key for a virtual-key code, Qt::Key_unknown when there is none.
int qtKeyFromVirtualKey(short keyCode);
// 1 Shift + 2 Control + 4 Alt.
short shiftCodeFromQt(Qt::KeyboardModifiers modifiers);
