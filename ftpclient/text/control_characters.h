#pragma once

#include <QStringView>

// Text that goes to a server (a user name, a password, a host, a path) must
// hold no control character: a CR or LF would end the command early and let
// what follows pass for commands of its own, and the others have no place
// in a login or a name either. These are the C0 controls (NUL to U+001F, TAB
// among them), DEL, the C1 controls U+0080 to U+009F (NEL, U+0085, ends a
// line for some) and the line and paragraph separators U+2028 and U+2029.
// A byte of a name that is not UTF-8, kept as U+DC80 + byte (see RawName),
// is no character and never one of them: 0x80 to 0x9F are letters in many
// single-byte character sets.
bool isControlCharacter(char32_t c);

// Whether `text` holds a control character.
bool holdsControlCharacter(QStringView text);
