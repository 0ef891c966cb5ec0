#include "control_characters.h"

bool isControlCharacter(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool holdsControlCharacter(QStringView text) {
    // Every control character is a single UTF-16 unit, and no half of a
    // surrogate pair is one.
    for (QChar c : text)
        if (isControlCharacter(c.unicode()))
            return true;
    return false;
}
