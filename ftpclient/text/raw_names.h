#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names are bytes, on a server and on the local disk alike. A name
// whose bytes are valid UTF-8 becomes that text; in any other name every byte
// from 0x80 up is kept as the code point U+DC00 + byte (a lone surrogate no
// real text holds), so that the same bytes can be had back exactly, whatever
// the text passes through on the way.
namespace RawName {

QString decode(QByteArrayView bytes);
// The bytes of a name made by decode(), or of any text (as UTF-8).
QByteArray encode(QStringView name);
// Whether the name holds kept bytes, that is, came from bytes that are not UTF-8.
bool hasRawBytes(QStringView name);

// What to show for a name: the kept bytes read as Latin-1 (what a server that
// does not speak UTF-8 most likely meant) ...
QString shownAsLatin1(const QString& name);
// ... or with a replacement mark for each byte that is not UTF-8.
QString shownWithMarks(const QString& name);

// Whether `bytes` are valid UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

} // namespace RawName
