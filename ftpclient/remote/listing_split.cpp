#include "listing_split.h"

namespace {

QStringView trimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.sliced(b, e - b);
}

} // namespace

void splitRemoteListing(const QString& data, QStringList& dirs, QStringList& files) {
    const QStringView all(data);
    qsizetype start = 0;
    while (start < all.size()) {
        const qsizetype end = all.indexOf(QStringLiteral("\r\n"), start);
        QStringView line;
        if (end < 0) {
            line = trimBlanks(all.sliced(start));
            start = all.size();
        } else {
            line = trimBlanks(all.sliced(start, end - start));
            if (line == u"./")
                line = {};
            start = end + 2;
        }
        if (line.isEmpty())
            continue;
        if (line.endsWith(u'/'))
            dirs.append(line.toString());
        else
            files.append(line.toString());
    }
}
