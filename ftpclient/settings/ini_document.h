#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// An INI text held as raw bytes. Lookups treat section and key names without
// regard to letter case; a change rewrites or inserts a single line and leaves
// every other byte of the text as it was.
//
// A line "[name]" opens a section; a line "key=value" inside a section is a
// key (blanks around the name and the value do not count); lines starting
// with ';' are comments. The first section and the first key of a name win.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(QByteArray text)
        : m_text(std::move(text)) {}

    const QByteArray& text() const { return m_text; }

    // The value of `key` in `section`, or nothing when either is missing.
    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    // The names of the keys value() finds in `section`, case-folded, in no
    // particular order.
    QStringList keys(const QByteArray& section) const;
    // How many values have been looked up so far.
    int lookups() const { return m_lookups; }

    // Gives `key` in `section` the value `value`, creating the section (at the
    // end of the text) and the key (after the last line of its section) when
    // missing. The value ends at its first NUL, CR or LF, which a line cannot
    // hold.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

private:
    // Section name, then key name, both case-folded, to the key's value.
    using Index = QHash<QString, QHash<QString, QByteArray>>;

    QByteArray lineEnding() const;
    Index buildIndex() const;

    QByteArray m_text;
    mutable std::optional<Index> m_index; // built at the first lookup
    mutable int m_lookups = 0;
    const Index& index() const;
};
