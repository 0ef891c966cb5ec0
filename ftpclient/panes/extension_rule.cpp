#include "extension_rule.h"

namespace {

// The classic palette's dark colours as OLE colours (0x00BBGGRR).
constexpr qint32 kDarkBlue = 0x800000;
constexpr qint32 kDarkGreen = 0x008000;
constexpr qint32 kDarkCyan = 0x808000;
constexpr qint32 kDarkRed = 0x000080;
constexpr qint32 kDarkMagenta = 0x800080;
constexpr qint32 kDarkYellow = 0x008080;
constexpr qint32 kLightGrey = 0xC0C0C0;

FileKind kindOf(QStringView ext, Pane pane);

} // namespace

FileKind extensionKind(const QString& name, Pane pane) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    return kindOf(QStringView(name).sliced(dot + 1).left(3), pane);
}

FileKind extensionKind(QStringView directory, QStringView name, Pane pane) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        return kindOf(name.sliced(dot + 1).left(3), pane);
    const qsizetype dirDot = directory.lastIndexOf(u'.');
    if (dirDot < 0)
        return {};
    // The extension runs from the directory's last dot over its "/" into
    // the name; only its first three characters count.
    QString ext = directory.sliced(dirDot + 1).left(3).toString();
    if (ext.size() < 3)
        ext += name.left(3 - ext.size());
    return kindOf(ext, pane);
}

namespace {

FileKind kindOf(QStringView ext, Pane pane) {
    auto is = [ext](const char16_t* candidate) {
        return ext.compare(QStringView(candidate), Qt::CaseInsensitive) == 0;
    };
    if (is(u"wri") || is(u"txt") || is(u"doc") || is(u"htm"))
        return {1, kDarkBlue};
    if (is(u"bat") || is(u"com") || is(u"exe"))
        return {2, kDarkGreen};
    if (is(u"jpg") || is(u"gif"))
        return {3, kDarkCyan};
    if (is(u"mdb"))
        return {4, kDarkRed};
    if (is(u"zip"))
        return {5, kDarkMagenta};
    if (is(u"asp"))
        return pane == Pane::Local ? FileKind{6, kDarkYellow} : FileKind{1, kDarkBlue};
    if (is(u"cpp"))
        return {7, kLightGrey};
    return {};
}

} // namespace
