#include "ftp_reply.h"

#include <QList>

#include <cctype>

QByteArray replyLine(QByteArrayView received) {
    while (received.endsWith('\n') || received.endsWith('\r'))
        received.chop(1);
    return received.toByteArray();
}

namespace {

// The algorithms of a HASH feature line ("SHA-256;SHA-1*;MD5;"), the one
// marked '*' being the one selected.
void readHashFeature(QByteArrayView list, ChecksumOffer* offer) {
    for (QByteArrayView name : list.toByteArray().split(';')) {
        name = name.trimmed();
        const bool selected = name.endsWith('*');
        if (selected)
            name.chop(1);
        const std::optional<HashAlgorithm> algorithm = hashByName(name);
        if (!algorithm)
            continue;
        offer->hash |= hashBit(*algorithm);
        if (selected)
            offer->hashSelected = algorithm;
    }
}

void readXCommandFeature(QByteArrayView feature, ChecksumOffer* offer) {
    for (int i = 0; i < kHashAlgorithms; ++i)
        if (feature == xCommandOf(HashAlgorithm(i)))
            offer->xCommands |= hashBit(HashAlgorithm(i));
}

} // namespace

ServerFeatures readFeatures(const ReplyLines& lines) {
    ServerFeatures features;
    for (const QByteArray& line : lines) {
        if (!line.startsWith(' '))
            continue;
        const QByteArray feature = line.trimmed().toUpper();
        if (feature == "UTF8")
            features.utf8 = true;
        else if (feature.startsWith("MLST"))
            features.mlsd = true;
        else if (feature == "MFMT")
            features.mfmt = true;
        else if (feature.startsWith("HASH "))
            readHashFeature(QByteArrayView(feature).sliced(5), &features.checksums);
        else
            readXCommandFeature(feature, &features.checksums);
    }
    return features;
}

QByteArray quotedPath(QByteArrayView line) {
    const qsizetype open = line.indexOf('"');
    if (open < 0)
        return line.sliced(qMin<qsizetype>(4, line.size())).trimmed().toByteArray();
    QByteArray path;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                path += '"';
                ++i;
                continue;
            }
            break;
        }
        path += line[i];
    }
    return path;
}

QByteArray pwdPath(const ReplyLines& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->startsWith("257"))
            return quotedPath(*it);
    return {};
}

QByteArray firstRefusalLine(const ReplyLines& lines) {
    for (const QByteArray& line : lines)
        if (line.size() >= 4 && (line[0] == '4' || line[0] == '5') && line[3] == ' ')
            return line;
    return {};
}

QByteArray lastReplyLine(const ReplyLines& lines, char kind) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const QByteArray& line = *it;
        if (line.size() >= 3 && line[0] == kind && std::isdigit(uchar(line[1])) &&
            std::isdigit(uchar(line[2])))
            return line;
    }
    return {};
}
