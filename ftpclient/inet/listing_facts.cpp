// The two forms that name facts rather than columns: MLSD and EPLF.
#include "listing_forms.h"
#include "listing_words.h"

#include <cstring>

namespace {

// Whether s is `lower` but for the case of ASCII letters; `lower` is in
// lower case. Fact names are ASCII.
bool equalsNoCase(QByteArrayView s, QByteArrayView lower) {
    if (s.size() != lower.size())
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if ((c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c) != lower[i])
            return false;
    }
    return true;
}

bool startsWithNoCase(QByteArrayView s, QByteArrayView lower) {
    return s.size() >= lower.size() && equalsNoCase(s.first(lower.size()), lower);
}

// The facts of an MLSD line end at its first blank or tab.
qsizetype factsEnd(QByteArrayView line) {
    const void* blank = std::memchr(line.data(), ' ', size_t(line.size()));
    const qsizetype end = blank ? static_cast<const char*>(blank) - line.data() : line.size();
    if (const void* tab = std::memchr(line.data(), '\t', size_t(end)))
        return static_cast<const char*>(tab) - line.data();
    return blank ? end : -1;
}

// Applies "type=...": false for the listed directory itself and its parent.
bool applyMlsdType(QByteArrayView type, FtpListEntry& entry) {
    if (equalsNoCase(type, "cdir") || equalsNoCase(type, "pdir"))
        return false;
    entry.directory = equalsNoCase(type, "dir");
    if (startsWithNoCase(type, "os.unix=slink") || startsWithNoCase(type, "os.unix=symlink")) {
        entry.link = true;
        // "OS.unix=slink:/srv/pub/" names its target; a "/" ends a directory.
        entry.directory = type.endsWith('/');
    }
    return true;
}

// The fact that begins at `start`, up to the next ";"; `start` moves past
// that ";".
QByteArrayView nextFact(QByteArrayView facts, qsizetype& start) {
    const char* begin = facts.data() + start;
    const void* semicolon = std::memchr(begin, ';', size_t(facts.size() - start));
    const qsizetype end =
        semicolon ? static_cast<const char*>(semicolon) - facts.data() : facts.size();
    start = end + 1;
    return QByteArrayView(begin, end - (begin - facts.data()));
}

// The entry is filled where the caller keeps it (see readLsLine()).
bool readMlsdLine(QByteArrayView line, FtpListEntry& entry) {
    const qsizetype blank = factsEnd(line);
    if (blank <= 0)
        return false;
    const QByteArrayView facts = line.first(blank);
    entry.name = line.sliced(blank + 1);
    entry.directory = false;
    entry.link = false;
    entry.size = -1;
    entry.time = {};
    for (qsizetype start = 0; start < facts.size();) {
        const QByteArrayView fact = nextFact(facts, start);
        // Every fact is "name=value"; a line without them is no MLSD line.
        if (fact.isEmpty())
            continue;
        if (fact[0] == '=' || !std::memchr(fact.data(), '=', size_t(fact.size())))
            return false;
        switch (fact[0] | 0x20) {
        case 's':
            if (startsWithNoCase(fact, "size="))
                entry.size = toCount(fact.sliced(5)).value_or(-1);
            break;
        case 't':
            if (startsWithNoCase(fact, "type=") && !applyMlsdType(fact.sliced(5), entry))
                return false;
            break;
        case 'm':
            if (startsWithNoCase(fact, "modify="))
                entry.time = {fact.sliced(7), ListedTimeForm::Facts};
            break;
        default:
            break;
        }
    }
    return true;
}

} // namespace

std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line) {
    std::optional<FtpListEntry> entry(std::in_place);
    if (!readMlsdLine(line, *entry))
        entry.reset();
    return entry;
}

bool isMlsdDirectoryItself(QByteArrayView line) {
    const qsizetype blank = factsEnd(line);
    if (blank <= 0)
        return false;
    FtpListEntry unused;
    const QByteArrayView facts = line.first(blank);
    for (qsizetype start = 0; start < facts.size();) {
        const QByteArrayView fact = nextFact(facts, start);
        if (startsWithNoCase(fact, "type=") && !applyMlsdType(fact.sliced(5), unused))
            return true;
    }
    return false;
}

std::optional<FtpListEntry> parseEplfLine(QByteArrayView line) {
    const qsizetype tab = line.indexOf('\t');
    if (!line.startsWith('+') || tab < 1 || tab + 1 >= line.size())
        return std::nullopt;
    FtpListEntry entry{line.sliced(tab + 1), false};
    const QByteArrayView facts = line.sliced(1, tab - 1);
    for (qsizetype start = 0; start < facts.size();) {
        qsizetype end = facts.indexOf(',', start);
        if (end < 0)
            end = facts.size();
        const QByteArrayView fact = facts.sliced(start, end - start);
        start = end + 1;
        if (fact == "/")
            entry.directory = true;
        else if (fact.startsWith('s'))
            entry.size = toCount(fact.sliced(1)).value_or(-1);
        else if (fact.startsWith('m'))
            entry.time = {fact.sliced(1), ListedTimeForm::Epoch};
    }
    if (entry.directory)
        entry.size = -1;
    return entry;
}
