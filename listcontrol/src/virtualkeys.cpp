#include "vantel/virtualkeys.h"

#include <array>
#include <utility>

namespace {

struct KeyPair {
    int qt;
    short vk;
};

// Keys whose code does not follow from their character.
constexpr std::array<KeyPair, 59> keyTable{{
    {Qt::Key_Backspace, VirtualKey::Back},
    {Qt::Key_Tab, VirtualKey::Tab},
    {Qt::Key_Backtab, VirtualKey::Tab},
    {Qt::Key_Return, VirtualKey::Return},
    {Qt::Key_Enter, VirtualKey::Return},
    {Qt::Key_Shift, VirtualKey::Shift},
    {Qt::Key_Control, VirtualKey::Control},
    {Qt::Key_Alt, VirtualKey::Menu},
    {Qt::Key_Pause, VirtualKey::Pause},
    {Qt::Key_CapsLock, VirtualKey::Capital},
    {Qt::Key_Escape, VirtualKey::Escape},
    {Qt::Key_Space, VirtualKey::Space},
    {Qt::Key_PageUp, VirtualKey::Prior},
    {Qt::Key_PageDown, VirtualKey::Next},
    {Qt::Key_End, VirtualKey::End},
    {Qt::Key_Home, VirtualKey::Home},
    {Qt::Key_Left, VirtualKey::Left},
    {Qt::Key_Up, VirtualKey::Up},
    {Qt::Key_Right, VirtualKey::Right},
    {Qt::Key_Down, VirtualKey::Down},
    {Qt::Key_Print, VirtualKey::Snapshot},
    {Qt::Key_Insert, VirtualKey::Insert},
    {Qt::Key_Delete, VirtualKey::Delete},
    {Qt::Key_Meta, VirtualKey::LeftWin},
    {Qt::Key_Menu, VirtualKey::Apps},
    {Qt::Key_NumLock, VirtualKey::NumLock},
    {Qt::Key_ScrollLock, VirtualKey::ScrollLock},
    // Punctuation of a US keyboard, shifted or not, on its key's code.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
}};

short keypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return short(VirtualKey::Numpad0 + (qtKey - Qt::Key_0));
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return VirtualKey::Multiply;
    case Qt::Key_Plus:
        return VirtualKey::Add;
    case Qt::Key_Minus:
        return VirtualKey::Subtract;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return VirtualKey::Decimal;
    case Qt::Key_Slash:
        return VirtualKey::Divide;
    default:
        return 0;
    }
}

} // namespace

short virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (short vk = keypadKey(qtKey))
            return vk;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return short(qtKey); // Qt uses the ASCII capitals and digits
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return short(VirtualKey::F1 + (qtKey - Qt::Key_F1));
    for (const KeyPair& k : keyTable) {
        if (k.qt == qtKey)
            return k.vk;
    }
    return 0;
}

int qtKeyFromVirtualKey(short keyCode) {
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9'))
        return keyCode;
    if (keyCode >= VirtualKey::F1 && keyCode < VirtualKey::F1 + 24)
        return Qt::Key_F1 + (keyCode - VirtualKey::F1);
    if (keyCode >= VirtualKey::Numpad0 && keyCode <= VirtualKey::Numpad0 + 9)
        return Qt::Key_0 + (keyCode - VirtualKey::Numpad0);
    for (const KeyPair& k : keyTable) {
        if (k.vk == keyCode)
            return k.qt;
    }
    return Qt::Key_unknown;
}

short shiftCodeFromQt(Qt::KeyboardModifiers modifiers) {
    short code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= ShiftCode::Shift;
    if (modifiers & Qt::ControlModifier)
        code |= ShiftCode::Control;
    if (modifiers & Qt::AltModifier)
        code |= ShiftCode::Alt;
    return code;
}
