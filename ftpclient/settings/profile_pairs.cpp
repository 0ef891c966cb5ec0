#include "profile_pairs.h"

#include "number_format.h"
#include "raw_names.h"

#include <QRegularExpression>

namespace {

QByteArray pairKey(int n, int pair, const char* field) {
    return "HOST" + QByteArray::number(n) + "PAIR" + QByteArray::number(pair) + field;
}

QByteArray countKey(int n) {
    return "HOST" + QByteArray::number(n) + "PAIRS";
}

QByteArray clockKey(int n) {
    return "HOST" + QByteArray::number(n) + "CLOCK";
}

// A folder's name as the bytes the file holds; nothing when it is missing,
// empty or longer than a pair may hold.
std::optional<QString> readFolder(const ProfileFile& file, const QByteArray& section,
                                  const QByteArray& key) {
    const QByteArray bytes =
        file.readBytes(section, key, QByteArray(), kMaxPairFolderBytes + 2).trimmed();
    if (bytes.isEmpty() || bytes.size() > kMaxPairFolderBytes)
        return std::nullopt;
    return RawName::decode(bytes);
}

// "<digits>" after `prefix` at `at`, within five digits and written as
// QString::number writes it; -1 otherwise. `at` moves past the digits.
int numberAt(const QString& key, qsizetype& at) {
    const qsizetype begin = at;
    while (at < key.size() && key[at].unicode() >= u'0' && key[at].unicode() <= u'9')
        ++at;
    const QStringView digits = QStringView(key).sliced(begin, at - begin);
    if (digits.isEmpty() || digits.size() > 5)
        return -1;
    const int number = digits.toInt();
    return digits == QString::number(number) ? number : -1;
}

std::optional<int> readClock(const ProfileFile& file, const QByteArray& section, int n) {
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,4}$"));
    const QString text =
        ProfileFile::trimSpaces(QString::fromLatin1(file.readBytes(section, clockKey(n), {})));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    const int minutes = text.toInt();
    if (minutes < -kFarthestClockMinutes || minutes > kFarthestClockMinutes)
        return std::nullopt;
    return minutes;
}

void writeClock(ProfileFile& file, const QByteArray& section, int n, std::optional<int> minutes) {
    const QByteArray key = clockKey(n);
    if (minutes)
        file.writeString(QString::fromLatin1(section), QString::fromLatin1(key),
                         formatNumber(*minutes));
    else if (file.holds(section, key))
        file.writeBytes(section, key, QByteArray());
}

} // namespace

QHash<int, QList<int>> folderPairsHeld(const ProfileFile& file, const QByteArray& section,
                                       int count) {
    QHash<int, QList<int>> held;
    const QString host = QStringLiteral("host");
    const QString pair = QStringLiteral("pair");
    for (const QString& key : file.keys(section)) {
        if (!key.startsWith(host))
            continue;
        qsizetype at = host.size();
        const int n = numberAt(key, at);
        if (n < 0 || n >= count || QStringView(key).sliced(at).startsWith(u"pairs") ||
            !QStringView(key).sliced(at).startsWith(pair))
            continue;
        at += pair.size();
        const int index = numberAt(key, at);
        if (index >= 0 && at < key.size())
            held[n].append(index);
    }
    for (QList<int>& pairs : held) {
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    }
    return held;
}

void readPairsAndClock(const ProfileFile& file, const QByteArray& section, int n,
                       const QList<int>& pairsHeld, HostInfo& host) {
    host.clockMinutes = readClock(file, section, n);
    host.folderPairs.clear();
    const std::optional<short> claimed =
        parseInt16(QString::fromLatin1(file.readBytes(section, countKey(n), "0")));
    const int count = qMax<int>(claimed.value_or(0), 0);
    for (const int pair : pairsHeld) {
        if (pair >= count || host.folderPairs.size() >= kMaxFolderPairs)
            break;
        const std::optional<QString> local = readFolder(file, section, pairKey(n, pair, "LOCAL"));
        const std::optional<QString> remote = readFolder(file, section, pairKey(n, pair, "REMOTE"));
        if (!local || !remote)
            continue;
        QString name = ProfileFile::trimSpaces(file.readText(
            QString::fromLatin1(section), QString::fromLatin1(pairKey(n, pair, "NAME")), {}));
        if (name.isEmpty())
            name = *remote;
        host.folderPairs.append({name, *local, *remote});
    }
}

void writePairsAndClock(ProfileFile& file, const QByteArray& section, int n, const HostInfo& host,
                        const QList<int>& pairsHeld) {
    writeClock(file, section, n, host.clockMinutes);
    const qsizetype count = qMin<qsizetype>(host.folderPairs.size(), kMaxFolderPairs);
    if (count > 0 || file.holds(section, countKey(n)))
        file.writeString(QString::fromLatin1(section), QString::fromLatin1(countKey(n)),
                         formatNumber(double(count)));
    const QString sectionText = QString::fromLatin1(section);
    for (int pair = 0; pair < count; ++pair) {
        const FolderPair& kept = host.folderPairs[pair];
        file.writeText(sectionText, QString::fromLatin1(pairKey(n, pair, "NAME")), kept.name);
        file.writeBytes(section, pairKey(n, pair, "LOCAL"), RawName::encode(kept.local));
        file.writeBytes(section, pairKey(n, pair, "REMOTE"), RawName::encode(kept.remote));
    }
    for (const int pair : pairsHeld) {
        if (pair < count)
            continue;
        for (const char* field : {"NAME", "LOCAL", "REMOTE"})
            if (file.holds(section, pairKey(n, pair, field)))
                file.writeBytes(section, pairKey(n, pair, field), QByteArray());
    }
}

QString unstorablePairReason(const FolderPair& pair) {
    for (const QString& folder : {pair.local, pair.remote}) {
        const QByteArray bytes = RawName::encode(folder);
        if (bytes.isEmpty())
            return QStringLiteral("A folder of the pair has no name.");
        if (bytes.size() > kMaxPairFolderBytes)
            return QStringLiteral("The folder %1 has too long a name to be kept.")
                .arg(RawName::shownWithMarks(folder));
        if (bytes.contains('\n') || bytes.contains('\r') || bytes.contains('\0'))
            return QStringLiteral("The folder %1 has a line break in its name, which the "
                                  "settings file cannot keep.")
                .arg(RawName::shownWithMarks(folder));
        if (bytes.trimmed() != bytes)
            return QStringLiteral("The folder %1 begins or ends with a blank, which the settings "
                                  "file cannot keep.")
                .arg(RawName::shownWithMarks(folder));
    }
    return QString();
}
