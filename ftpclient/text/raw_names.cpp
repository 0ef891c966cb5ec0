#include "raw_names.h"

#include <cstring>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isKeptByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Length of the valid UTF-8 sequence starting at p, or 0 when the bytes there
// are not one (overlong forms, surrogates and values past U+10FFFF included).
qsizetype validSequenceLength(const unsigned char* p, qsizetype left) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    qsizetype len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        else if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (left < len || p[1] < lo || p[1] > hi)
        return 0;
    for (qsizetype i = 2; i < len; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return len;
}

// Whether the code unit at i is a kept byte rather than half of a pair.
bool keptByteAt(QStringView name, qsizetype i) {
    return isKeptByte(name.at(i).unicode()) && !(i > 0 && name.at(i - 1).isHighSurrogate());
}

} // namespace

namespace RawName {

bool isValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n && p[i] < 0x80)
        ++i;
    while (i < n) {
        const qsizetype len = validSequenceLength(p + i, n - i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

QString decode(QByteArrayView bytes) {
    qsizetype ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    if (ascii == bytes.size())
        return QString::fromLatin1(bytes);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? QChar(char16_t(b)) : QChar(char16_t(kEscapeBase + b));
    }
    return out;
}

// Every name a listing shows passes through here: four units at a time
// while they are ASCII, as most names are throughout.
bool hasRawBytes(QStringView name) {
    const char16_t* p = name.utf16();
    const qsizetype size = name.size();
    constexpr quint64 kBeyondAscii = 0xFF80FF80FF80FF80;
    qsizetype i = 0;
    for (; i + 4 <= size; i += 4) {
        quint64 units;
        std::memcpy(&units, p + i, sizeof units);
        if ((units & kBeyondAscii) != 0)
            break;
    }
    for (; i < size; ++i)
        if (p[i] >= 0xDC80 && p[i] <= 0xDCFF && keptByteAt(name, i))
            return true;
    return false;
}

QByteArray encode(QStringView name) {
    if (!hasRawBytes(name))
        return name.toUtf8();
    QByteArray out;
    out.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!keptByteAt(name, i))
            continue;
        out += name.sliced(runStart, i - runStart).toUtf8();
        out += char(name.at(i).unicode() - kEscapeBase);
        runStart = i + 1;
    }
    out += name.sliced(runStart).toUtf8();
    return out;
}

QString shownAsLatin1(const QString& name) {
    if (!hasRawBytes(name))
        return name;
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (keptByteAt(name, i))
            out[i] = QChar(char16_t(out.at(i).unicode() - kEscapeBase));
    return out;
}

QString shownWithMarks(const QString& name) {
    if (!hasRawBytes(name))
        return name;
    // Qt's decoder puts one replacement mark where the bytes are not UTF-8.
    return QString::fromUtf8(encode(name));
}

} // namespace RawName
