#include "local_listing.h"

#include "extension_rule.h"
#include "local_formats.h"
#include "local_fs.h"
#include "name_order.h"
#include "pane_work.h"
#include "raw_names.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringBuilder>
#include <cstdio>

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
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return rows[size_t(a)].*key < rows[size_t(b)].*key; });
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

QStringList readLocalNames(const LocalFs::Directory& dir, const QString& pattern,
                           QStringList* directories) {
    const std::vector<QRegularExpression> filters = patternFilters(pattern);
    std::vector<QString> names;
    QStringList files;
    dir.scan(&files, directories);
    if (directories)
        *directories = sortedNames({directories->begin(), directories->end()});
    for (const QString& name : std::as_const(files)) {
        bool matches = filters.empty();
        for (const QRegularExpression& filter : filters)
            matches = matches || filter.match(name).hasMatch();
        if (matches)
            names.push_back(name);
    }
    return sortedNames(names);
}

namespace {

// Examines files [from, to) of the listing: their status, texts and icons.
// Runs on several threads at once, each on its own range.
void examineRange(const LocalListingRequest& request, const LocalFs::Directory& dir,
                  LocalListing& listing, qsizetype from, qsizetype to, QStringList& failures) {
    LocalEntryTexts texts;
    NameShortener shortener(request.font, request.nameColumn - 30);
    for (qsizetype i = from; i < to; ++i) {
        // Read only: the names are shared with the other thread.
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
        row.text = shortener.shorten(RawName::shownWithMarks(name)) % u'\t' % row.date % u'\t' %
                   (readable ? texts.size(row.length) : QString());
        const FileKind kind = extensionKind(listing.directory, name, Pane::Local);
        row.icon = kind.icon;
        row.color = kind.color;
    }
}

constexpr qsizetype kSplitFrom = 2000;

// The entries and work lines of the listing, the date and size lines in
// their sorted order.
void fillWorkLists(LocalListing& listing, const QFont& font) {
    std::vector<int> bySize;
    std::thread sizes([&] { bySize = keyOrder(listing.rows, &LocalListing::Row::length); });
    const std::vector<int> byDate = keyOrder(listing.rows, &LocalListing::Row::dateOrder);
    std::vector<CVantelCtrl::Entry> entries;
    entries.reserve(listing.rows.size());
    listing.hold.reserve(listing.rows.size());
    for (size_t i = 0; i < listing.rows.size(); ++i) {
        const LocalListing::Row& row = listing.rows[i];
        entries.push_back({row.text, qint32(i), row.icon, row.color});
        listing.hold.push_back({row.text, 0});
    }
    CVantelCtrl::AddToBatch(listing.batch, entries, font);
    listing.dates.reserve(byDate.size());
    for (int k : byDate)
        listing.dates.push_back({listing.rows[size_t(k)].date, k});
    sizes.join();
    listing.sizes.reserve(bySize.size());
    for (int k : bySize)
        listing.sizes.push_back({listing.rows[size_t(k)].sizeKey, k});
}

// The names, ready to be shown before a single file was examined.
void inParts(qsizetype count, const std::function<void(qsizetype, qsizetype)>& work) {
    inTwoParts(count, kSplitFrom, work);
}

SharedLocalListing previewOf(const LocalListingRequest& request, const LocalListing& listing) {
    auto preview = std::make_shared<LocalListing>();
    preview->directory = listing.directory;
    preview->names = listing.names;
    preview->directories = listing.directories;
    preview->namesRead = true;
    preview->preview = true;
    const qsizetype count = listing.names.size();
    preview->rows.resize(size_t(count));
    std::vector<CVantelCtrl::Entry> entries(static_cast<size_t>(count));
    preview->hold.resize(size_t(count));
    preview->dates.resize(size_t(count));
    preview->sizes.resize(size_t(count));
    // Nothing examined yet: every date and size is the same, and the orders
    // are the names' own.
    const QString sizeKey = LocalEntryTexts::sizeKey(0);
    inParts(count, [&](qsizetype from, qsizetype to) {
        NameShortener shortener(request.font, request.nameColumn - 30);
        for (qsizetype i = from; i < to; ++i) {
            const QString& name = std::as_const(listing.names)[i];
            LocalListing::Row& row = preview->rows[size_t(i)];
            row.sizeKey = sizeKey;
            row.text = shortener.shorten(RawName::shownWithMarks(name)) % u"\t\t";
            const FileKind kind = extensionKind(preview->directory, name, Pane::Local);
            row.icon = kind.icon;
            row.color = kind.color;
            entries[size_t(i)] = {row.text, qint32(i), row.icon, row.color};
            preview->hold[size_t(i)] = {row.text, 0};
            preview->dates[size_t(i)] = {QString(), int(i)};
            preview->sizes[size_t(i)] = {sizeKey, int(i)};
        }
    });
    CVantelCtrl::AddToBatch(preview->batch, entries, request.font);
    return preview;
}

} // namespace

SharedLocalListing makeLocalListing(const LocalListingRequest& request,
                                    const std::function<void(const SharedLocalListing&)>& preview) {
    auto listing = std::make_shared<LocalListing>();
    listing->directory =
        request.directory.endsWith(u'/') ? request.directory : request.directory + u'/';
    const LocalFs::Directory dir(request.directory);
    listing->names = request.readNames ? readLocalNames(dir, request.pattern, &listing->directories)
                                       : request.names;
    listing->namesRead = request.readNames;
    if (request.readNames && preview)
        preview(previewOf(request, *listing));
    const qsizetype count = listing->names.size();
    listing->rows.resize(size_t(count));
    // Most of the time goes to the system's look-ups: two threads halve it.
    QStringList failures[2];
    inParts(count, [&](qsizetype from, qsizetype to) {
        examineRange(request, dir, *listing, from, to, failures[from == 0 ? 0 : 1]);
    });
    listing->failures = failures[0] + failures[1];
    fillWorkLists(*listing, request.font);
    return listing;
}
