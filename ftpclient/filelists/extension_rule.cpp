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

} // namespace

FileKind extensionKind(const QString& name, Pane pane) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    const QString ext = name.mid(dot + 1, 3).toLower();
    if (ext == u"wri" || ext == u"txt" || ext == u"doc" || ext == u"htm")
        return {1, kDarkBlue};
    if (ext == u"bat" || ext == u"com" || ext == u"exe")
        return {2, kDarkGreen};
    if (ext == u"jpg" || ext == u"gif")
        return {3, kDarkCyan};
    if (ext == u"mdb")
        return {4, kDarkRed};
    if (ext == u"zip")
        return {5, kDarkMagenta};
    if (ext == u"asp")
        return pane == Pane::Local ? FileKind{6, kDarkYellow} : FileKind{1, kDarkBlue};
    if (ext == u"cpp")
        return {7, kLightGrey};
    return {};
}
