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

// The three ASCII letters of `ext` lowercased into one number, or 0 when
// it is not three ASCII characters.
constexpr quint32 packed(const char16_t* ext) {
    quint32 key = 0;
    for (int i = 0; i < 3; ++i) {
        char16_t unit = ext[i];
        if (unit == 0 || unit >= 0x80)
            return 0;
        if (unit >= u'A' && unit <= u'Z')
            unit = char16_t(unit + 32);
        key = key << 8 | unit;
    }
    return key;
}

FileKind kindOfPacked(quint32 ext, Pane pane) {
    switch (ext) {
    case packed(u"wri"):
    case packed(u"txt"):
    case packed(u"doc"):
    case packed(u"htm"):
        return {1, kDarkBlue};
    case packed(u"bat"):
    case packed(u"com"):
    case packed(u"exe"):
        return {2, kDarkGreen};
    case packed(u"jpg"):
    case packed(u"gif"):
        return {3, kDarkCyan};
    case packed(u"mdb"):
        return {4, kDarkRed};
    case packed(u"zip"):
        return {5, kDarkMagenta};
    case packed(u"asp"):
        return pane == Pane::Local ? FileKind{6, kDarkYellow} : FileKind{1, kDarkBlue};
    case packed(u"cpp"):
        return {7, kLightGrey};
    default:
        return {};
    }
}

FileKind kindOf(QStringView ext, Pane pane) {
    if (ext.size() != 3)
        return {};
    const char16_t units[4] = {ext[0].unicode(), ext[1].unicode(), ext[2].unicode(), 0};
    if (const quint32 key = packed(units))
        return kindOfPacked(key, pane);
    // Beyond ASCII, letters that fold to these count too (the Kelvin sign
    // for "k", say): every candidate is compared as Qt folds case.
    auto is = [ext](const char16_t* candidate) {
        return ext.compare(QStringView(candidate), Qt::CaseInsensitive) == 0;
    };
    for (const char16_t* candidate : {u"wri", u"txt", u"doc", u"htm", u"bat", u"com", u"exe",
                                      u"jpg", u"gif", u"mdb", u"zip", u"asp", u"cpp"})
        if (is(candidate))
            return kindOfPacked(packed(candidate), pane);
    return {};
}

} // namespace
