#pragma once

#include "ftp_names.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <optional>

// One entry of a directory listing as the server names it.
struct FtpListEntry {
    QByteArrayView name;
    bool directory = false;
};

// One line of an MLSD reply: "type=file;size=3;modify=...; a.txt".
std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line);

// One line of a LIST reply, in the unix "ls -l" form (with or without the
// group, numeric ids, symbolic links "name -> target") or the DOS form
// ("01-16-02  11:14AM  <DIR>  name").
std::optional<FtpListEntry> parseListLine(QByteArrayView line);

// Whether a name may be shown and used: not empty, not "." or "..", and free
// of "/", CR, LF and NUL.
bool isSafeListName(QByteArrayView name);

// Turns a raw MLSD or LIST reply into the listing text of the component: one
// entry per line ending CR LF, directories with a trailing "/". Lines that do
// not parse and unsafe names are left out. A non-empty pattern ("*", "?",
// case-insensitive) filters the files; "*" and "*.*" match every file, and
// directories are always kept.
QString buildListingText(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                         const QString& pattern);

// The same, fed with the reply as it arrives, so that the text is built while
// the server is still sending.
class FtpListingBuilder {
public:
    FtpListingBuilder(bool mlsd, const FtpNameCodec& codec, const QString& pattern);
    void feed(QByteArrayView data);
    QString finish();

private:
    void addLine(QByteArrayView line);

    bool m_mlsd;
    FtpNameCodec m_codec;
    std::optional<QRegularExpression> m_filter;
    QByteArray m_partial; // an unfinished last line
    QString m_text;
};
