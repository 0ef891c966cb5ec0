#include "ftp_names.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscapedByte(char16_t c) {
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

} // namespace

QString FtpNameCodec::decode(QByteArrayView bytes) const {
    if (!m_utf8)
        return QString::fromLatin1(bytes);

    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype len = validSequenceLength(p + i, n - i);
        if (len > 0) {
            i += len;
            continue;
        }
        out += QString::fromUtf8(bytes.sliced(runStart, i - runStart));
        out += QChar(char16_t(kEscapeBase + p[i]));
        ++i;
        runStart = i;
    }
    if (runStart == 0)
        return QString::fromUtf8(bytes);
    out += QString::fromUtf8(bytes.sliced(runStart));
    return out;
}

QByteArray FtpNameCodec::encode(const QString& name) const {
    bool latin1 = !m_utf8;
    bool escapes = false;
    for (QChar c : name) {
        if (c.unicode() > 0xFF)
            latin1 = false;
        if (isEscapedByte(c.unicode()))
            escapes = true;
    }
    if (latin1)
        return name.toLatin1();
    if (!escapes)
        return name.toUtf8();

    // Put the escaped bytes back between the UTF-8 runs. A low surrogate that
    // follows a high one is half of a real character, not an escape.
    QByteArray out;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool paired = i > 0 && name.at(i - 1).isHighSurrogate();
        if (!isEscapedByte(c) || paired)
            continue;
        out += QStringView(name).sliced(runStart, i - runStart).toUtf8();
        out += char(c - kEscapeBase);
        runStart = i + 1;
    }
    out += QStringView(name).sliced(runStart).toUtf8();
    return out;
}
