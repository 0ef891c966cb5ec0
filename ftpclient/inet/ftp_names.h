#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns file names as the server sends them into text and back, byte for byte.
//
// With UTF-8 on, a name that is not valid UTF-8 keeps its stray bytes as the
// code points U+DC80..U+DCFF, so that the same bytes go back to the server.
// Without it, names are Latin-1; a name with characters beyond Latin-1 is
// sent as UTF-8, which is what such servers store in practice.
class FtpNameCodec {
public:
    explicit FtpNameCodec(bool utf8 = false)
        : m_utf8(utf8) {}

    bool isUtf8() const { return m_utf8; }

    QString decode(QByteArrayView bytes) const;
    QByteArray encode(const QString& name) const;

private:
    bool m_utf8;
};
