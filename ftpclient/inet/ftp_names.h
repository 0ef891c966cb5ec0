#pragma once

#include "raw_names.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns file names as the server sends them into text and back, byte for byte
// (see RawName): a name is UTF-8 when its bytes are, whether or not the server
// announced UTF8, and anything else keeps its bytes.
class FtpNameCodec {
public:
    explicit FtpNameCodec(bool utf8 = false)
        : m_utf8(utf8) {}

    // Whether the server announced UTF8 (and OPTS UTF8 ON was sent).
    bool isUtf8() const { return m_utf8; }

    QString decode(QByteArrayView bytes) const { return RawName::decode(bytes); }
    QByteArray encode(const QString& name) const { return RawName::encode(name); }

private:
    bool m_utf8;
};
