#pragma once

#include "raw_names.h"

#include <QString>

// How a remote name is shown: bytes that are not UTF-8 read as Latin-1.
inline QString shownRemote(const QString& name) {
    return RawName::shownAsLatin1(name);
}

// How a remote file or directory is shown: links carry an "@" after the name.
inline QString shownFile(const QString& name, bool link) {
    return link ? shownRemote(name) + u'@' : shownRemote(name);
}
