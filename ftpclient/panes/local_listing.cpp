#include "local_listing.h"

#include "extension_rule.h"
#include "large_pages.h"
#include "local_formats.h"
#include "local_fs.h"
#include "name_order.h"
#include "pane_work.h"
#include "raw_names.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringBuilder>

#include <cstdio>
#include <optional>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace {

QString readFailure(const QString& what, const QString& path, int error) {
    return QStringLiteral("Cannot read the %1 of %2: %3")
        .arg(what, RawName::shownWithMarks(path), QString::fromLocal8Bit(std::strerror(error)));
}

std::vector<QRegularExpression> patternFilters(const QString& patterns) {
    std::vector<QRegularExpression> filters;
    for (QString pattern : patterns.split(u';')) {
        pattern = pattern.trimmed();
        if (pattern == u"*" || pattern == u"*.*")
            return {};
        if (!pattern.isEmpty())
            filters.emplace_back(QRegularExpression::wildcardToRegularExpression(pattern),
                                 QRegularExpression::CaseInsensitiveOption);
    }
    return filters;
}

// The order of a work list of keys, equal keys in file order. Date texts
// ("mm/dd/yy") and size keys sort as text in the order of the numbers they
// are made of, so the numbers are sorted instead.
template <typename Key>
std::vector<int> keyOrder(const std::vector<LocalListing::Row>& rows, Key LocalListing::Row::*key) {
    // The keys beside their rows, sorted in one piece of memory.
    std::vector<std::pair<Key, int>> keyed(rows.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        keyed[i] = {rows[i].*key, int(i)};
    std::sort(keyed.begin(), keyed.end());
    std::vector<int> order(keyed.size());
    for (size_t j = 0; j < order.size(); ++j)
        order[j] = keyed[j].second;
    return order;
}

// The number whose order is that of the date text "mm/dd/yy".
int dateOrder(const QString& date) {
    if (date.size() != 8)
        return -1;
    const auto digits = [&](int at) {
        return (date[at].unicode() - u'0') * 10 + (date[at + 1].unicode() - u'0');
    };
    return digits(0) * 10000 + digits(3) * 100 + digits(6);
}

// Alphabetical without regard to case; names equal but for case in
// case-sensitive order.
QStringList sortedNames(const std::vector<QString>& names) {
    QStringList sorted;
    sorted.reserve(qsizetype(names.size()));
    for (int index : caseInsensitiveOrder(names, true))
        sorted.append(names[size_t(index)]);
    return sorted;
}

} // namespace

QStringList readLocalNames(const QString& dir, const QString& pattern) {
    return readLocalNames(LocalFs::Directory(dir), pattern);
}

namespace {

// Appends `more` to `to`, each moved.
template <typename T> void appendMoved(std::vector<T>& to, std::vector<T>& more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    more.clear();
}

// The names of the files that match `pattern`, each handed to `kept` as
// well while the directory is still being read, with the number of the
// thread making it (0 or 1): each thread has its own; `read` as
// Directory::scan's. Without a pattern both threads make names once the
// directory is read (see Directory::scan), and `read` is told (a pattern
// leaves out a share of the files that nobody knows in advance). The names
// of thread 0 come first, then those of thread 1.
std::vector<QString> matchingNames(const LocalFs::Directory& dir, const QString& pattern,
                                   QStringList* directories,
                                   const std::function<void(const QString&, int)>& kept = {},
                                   const LocalFs::Directory::ReadSink& read = {}) {
    const std::vector<QRegularExpression> filters = patternFilters(pattern);
    std::vector<QString> names[2];
    const auto sinkFor = [&](int thread) -> LocalFs::Directory::FileSink {
        return [&, thread](QString name) {
            bool matches = filters.empty();
            for (const QRegularExpression& filter : filters)
                matches = matches || filter.match(name).hasMatch();
            if (!matches)
                return;
            if (kept)
                kept(name, thread);
            names[thread].push_back(std::move(name));
        };
    };
    const bool shared = filters.empty();
    dir.scan(sinkFor(0), directories, shared ? read : LocalFs::Directory::ReadSink(),
             shared ? sinkFor(1) : LocalFs::Directory::FileSink());
    if (directories)
        *directories = sortedNames({directories->begin(), directories->end()});
    appendMoved(names[0], names[1]);
    return std::move(names[0]);
}

} // namespace

QStringList readLocalNames(const LocalFs::Directory& dir, const QString& pattern,
                           QStringList* directories) {
    return sortedNames(matchingNames(dir, pattern, directories));
}

namespace {

constexpr qsizetype kSplitFrom = 2000;

void inParts(qsizetype count, const std::function<void(qsizetype, qsizetype)>& work) {
    inTwoParts(count, kSplitFrom, work);
}

// What the list shows of a file before it is examined: its name cut to the
// name column, its icon and its colour.
struct Label {
    QString name;
    int icon = 0;
    qint32 color = -1;
};

// The labels of the listing's files, in the listing's order: made in that
// order, or in the directory's order and looked up through `order`, which
// spares a long listing a second array of them.
struct Labels {
    std::vector<Label> made;
    std::vector<int> order; // empty: `made` is in the listing's order

    const Label& operator[](size_t i) const { return made[order.empty() ? i : size_t(order[i])]; }
};

Label labelOf(NameShortener& shortener, const QString& directory, const QString& name) {
    const FileKind kind = extensionKind(directory, name, Pane::Local);
    return {shortener.shorten(RawName::shownWithMarks(name)), kind.icon, kind.color};
}

void labelRange(const LocalListingRequest& request, const LocalListing& listing,
                std::vector<Label>& labels, qsizetype from, qsizetype to) {
    NameShortener shortener(request.font, request.nameColumn - 30);
    // Read only: the names are shared with the other thread.
    for (qsizetype i = from; i < to; ++i)
        labels[size_t(i)] = labelOf(shortener, listing.directory, std::as_const(listing.names)[i]);
}

Labels labelsOf(const LocalListingRequest& request, const LocalListing& listing) {
    Labels labels;
    labels.made.resize(size_t(listing.names.size()));
    inParts(listing.names.size(), [&](qsizetype from, qsizetype to) {
        labelRange(request, listing, labels.made, from, to);
    });
    return labels;
}

// The names of the directory in File1's order, with their labels: those
// are worked out while the directory is still being read.
QStringList readLabelledNames(const LocalListingRequest& request, const QString& directory,
                              const LocalFs::Directory& dir, QStringList* directories,
                              Labels& labels, const LocalFs::Directory::ReadSink& read) {
    std::optional<NameShortener> shorteners[2];
    std::vector<Label> made[2];
    const auto label = [&](const QString& name, int thread) {
        std::optional<NameShortener>& shortener = shorteners[thread];
        if (!shortener)
            shortener.emplace(request.font, request.nameColumn - 30);
        made[thread].push_back(labelOf(*shortener, directory, name));
    };
    std::vector<QString> names = matchingNames(dir, request.pattern, directories, label, read);
    // In the names' order.
    appendMoved(made[0], made[1]);
    labels.made = std::move(made[0]);
    preferLargePagesFor(qsizetype(names.size()));
    labels.order = caseInsensitiveOrder(names, true);
    QStringList sorted(qsizetype(names.size()));
    QString* into = sorted.data();
    // Moved, not copied: each name is taken once, and a copy would cost a
    // count up now and one down when `names` goes.
    inParts(sorted.size(), [&](qsizetype from, qsizetype to) {
        for (qsizetype j = from; j < to; ++j)
            into[j] = std::move(names[size_t(labels.order[size_t(j)])]);
    });
    return sorted;
}

// Examines files [from, to) of the listing: their status and texts. Runs
// on several threads at once, each on its own range.
void examineRange(const LocalFs::Directory& dir, const Labels& labels, LocalListing& listing,
                  qsizetype from, qsizetype to, QStringList& failures) {
    LocalEntryTexts texts;
    for (qsizetype i = from; i < to; ++i) {
        const QString& name = std::as_const(listing.names)[i];
        struct stat info {};
        const bool readable = dir.status(name, &info);
        LocalListing::Row& row = listing.rows[size_t(i)];
        // A file that cannot be examined (it went since it was listed) shows
        // no date and no size, and sorts as the oldest and the smallest.
        if (readable) {
            row.date = texts.date(info.st_mtime);
        } else {
            const int error = errno;
            const QString path = listing.directory + name;
            failures << readFailure(QStringLiteral("modification time"), path, error)
                     << readFailure(QStringLiteral("length"), path, error);
        }
        row.length = readable ? qint64(info.st_size) : 0;
        row.dateOrder = dateOrder(row.date);
        row.sizeKey = LocalEntryTexts::sizeKey(row.length);
        const Label& label = labels[size_t(i)];
        const LocalEntryTexts::SizeText size = texts.sizeText(readable ? row.length : 0);
        row.text = label.name % u'\t' % row.date % u'\t' % (readable ? size.view() : QStringView());
        row.icon = label.icon;
        row.color = label.color;
    }
}

// The list's entry for file i, written into the listing's batch.
void putEntry(LocalListing& listing, size_t i, const QFont& font) {
    const LocalListing::Row& row = listing.rows[i];
    CVantelCtrl::SetInBatch(listing.batch, i, {row.text, qint32(i), row.icon, row.color}, font);
}

// Lst_hold's lines, and the list's entries or, after a first look, their
// texts alone; written in parts side by side.
void fillEntries(LocalListing& listing, const QFont& font) {
    const size_t count = listing.rows.size();
    listing.hold.resize(count);
    if (listing.textsOnly)
        listing.texts.resize(count);
    else
        listing.batch.resize(count);
    inParts(qsizetype(count), [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const LocalListing::Row& row = listing.rows[size_t(i)];
            listing.hold[size_t(i)] = {row.text, 0};
            if (listing.textsOnly)
                listing.texts[size_t(i)] = row.text;
            else
                putEntry(listing, size_t(i), font);
        }
    });
}

// The entries and work lines of the listing, the date and size lines in
// their sorted order.
void fillWorkLists(LocalListing& listing, const QFont& font) {
    std::vector<int> bySize;
    std::thread sizes([&] { bySize = keyOrder(listing.rows, &LocalListing::Row::length); });
    const std::vector<int> byDate = keyOrder(listing.rows, &LocalListing::Row::dateOrder);
    sizes.join();
    listing.dates.resize(byDate.size());
    listing.sizes.resize(bySize.size());
    std::thread lines([&] {
        for (size_t j = 0; j < byDate.size(); ++j)
            listing.dates[j] = {listing.rows[size_t(byDate[j])].date, byDate[j]};
        for (size_t j = 0; j < bySize.size(); ++j)
            listing.sizes[j] = {listing.rows[size_t(bySize[j])].sizeKey, bySize[j]};
    });
    fillEntries(listing, font);
    lines.join();
}

// Entries for a long directory's first look, made room for while its last
// names are still being made: there is a thread free then. Kept only when
// nearly every entry that might be a file turned out to be one.
constexpr size_t kRoomAheadFrom = 4096;

CVantelCtrl::Batch roomFor(CVantelCtrl::Batch ahead, size_t count) {
    if (ahead.size() < count || ahead.size() > count + count / 8)
        ahead = {};
    ahead.resize(count);
    return ahead;
}

// The names, ready to be shown before a single file was examined.
SharedLocalListing previewOf(const LocalListingRequest& request, const LocalListing& listing,
                             const Labels& labels, CVantelCtrl::Batch ahead) {
    auto preview = std::make_shared<LocalListing>();
    preview->directory = listing.directory;
    preview->names = listing.names;
    preview->directories = listing.directories;
    preview->namesRead = true;
    preview->preview = true;
    // Nothing examined yet: the entries show the names alone, and there are
    // no rows and no work lines to sort them by.
    const qsizetype count = listing.names.size();
    preview->batch = roomFor(std::move(ahead), size_t(count));
    inParts(count, [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const Label& label = labels[size_t(i)];
            CVantelCtrl::SetInBatch(preview->batch, size_t(i),
                                    {label.name, qint32(i), label.icon, label.color}, request.font);
        }
    });
    return preview;
}

} // namespace

void makeListingEntries(LocalListing& listing, const QFont& font) {
    listing.textsOnly = false;
    listing.texts.clear();
    listing.batch.resize(listing.rows.size());
    for (size_t i = 0; i < listing.rows.size(); ++i)
        putEntry(listing, i, font);
}

SharedLocalListing makeLocalListing(const LocalListingRequest& request,
                                    const std::function<void(const SharedLocalListing&)>& preview) {
    auto listing = std::make_shared<LocalListing>();
    listing->directory =
        request.directory.endsWith(u'/') ? request.directory : request.directory + u'/';
    const LocalFs::Directory dir(request.directory);
    Labels labels;
    CVantelCtrl::Batch ahead;
    const auto read = [&](size_t files) {
        if (!preview || files < kRoomAheadFrom)
            return;
        preferLargePagesFor(qsizetype(files));
        ahead.resize(files);
    };
    if (request.readNames) {
        listing->names = readLabelledNames(request, listing->directory, dir, &listing->directories,
                                           labels, read);
    } else {
        listing->names = request.names;
        labels = labelsOf(request, *listing);
    }
    listing->namesRead = request.readNames;
    if (request.readNames && preview) {
        preview(previewOf(request, *listing, labels, std::move(ahead)));
        listing->textsOnly = listing->names.size() >= request.textsOnlyFrom;
    }
    const qsizetype count = listing->names.size();
    listing->rows.resize(size_t(count));
    // Most of the time goes to the system's look-ups: two threads halve it.
    QStringList failures[2];
    inParts(count, [&](qsizetype from, qsizetype to) {
        examineRange(dir, labels, *listing, from, to, failures[from == 0 ? 0 : 1]);
    });
    listing->failures = failures[0] + failures[1];
    fillWorkLists(*listing, request.font);
    return listing;
}
