#include "ini_document.h"

#include <QString>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(QByteArray bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.mid(begin, end - begin);
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

// A name as sameName() sees it.
QString foldedName(const QByteArray& name) {
    return QString::fromLatin1(name).toCaseFolded();
}

// One line of the text: where it starts, where its content ends (before CR LF
// or LF) and where the next line starts.
struct Line {
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype next = 0;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QByteArray name;
    QByteArray value;
};

Line lineAt(const QByteArray& text, qsizetype start) {
    Line line;
    line.start = start;
    qsizetype newline = text.indexOf('\n', start);
    if (newline < 0) {
        line.contentEnd = text.size();
        line.next = text.size();
    } else {
        line.contentEnd = newline;
        line.next = newline + 1;
    }
    if (line.contentEnd > start && text[line.contentEnd - 1] == '\r')
        --line.contentEnd;
    return line;
}

ParsedLine parse(const QByteArray& text, const Line& line) {
    ParsedLine parsed;
    const QByteArray content = trimBlanks(text.mid(line.start, line.contentEnd - line.start));
    if (content.startsWith('[')) {
        qsizetype close = content.indexOf(']');
        if (close < 0)
            close = content.size();
        parsed.kind = LineKind::Section;
        parsed.name = trimBlanks(content.mid(1, close - 1));
    } else if (!content.startsWith(';')) {
        const qsizetype equals = content.indexOf('=');
        if (equals > 0) {
            parsed.kind = LineKind::Key;
            parsed.name = trimBlanks(content.left(equals));
            parsed.value = trimBlanks(content.mid(equals + 1));
        }
    }
    return parsed;
}

// The lines of the first section named `section`: from the line after its
// header to the next header (or the end). Nothing when there is no such
// section.
std::optional<std::pair<qsizetype, qsizetype>> findSection(const QByteArray& text,
                                                           const QByteArray& section) {
    qsizetype pos = 0;
    std::optional<qsizetype> bodyStart;
    while (pos < text.size()) {
        const Line line = lineAt(text, pos);
        const ParsedLine parsed = parse(text, line);
        if (parsed.kind == LineKind::Section) {
            if (bodyStart)
                return std::make_pair(*bodyStart, line.start);
            if (sameName(parsed.name, section))
                bodyStart = line.next;
        }
        pos = line.next;
    }
    if (bodyStart)
        return std::make_pair(*bodyStart, text.size());
    return std::nullopt;
}

QByteArray cutAtLineBreak(const QByteArray& value) {
    qsizetype end = 0;
    while (end < value.size() && value[end] != '\0' && value[end] != '\r' && value[end] != '\n')
        ++end;
    return value.left(end);
}

} // namespace

// One pass over the text gives every key of the first section of each name,
// the first key of each name winning: a file of any size is looked up in
// constant time per key.
IniDocument::Index IniDocument::buildIndex() const {
    Index index;
    QHash<QString, QByteArray>* current = nullptr;
    for (qsizetype pos = 0; pos < m_text.size();) {
        const Line line = lineAt(m_text, pos);
        const ParsedLine parsed = parse(m_text, line);
        if (parsed.kind == LineKind::Section) {
            const QString name = foldedName(parsed.name);
            current = index.contains(name) ? nullptr : &index[name];
        } else if (parsed.kind == LineKind::Key && current) {
            const QString name = foldedName(parsed.name);
            if (!current->contains(name))
                current->insert(name, parsed.value);
        }
        pos = line.next;
    }
    return index;
}

const IniDocument::Index& IniDocument::index() const {
    if (!m_index)
        m_index = buildIndex();
    return *m_index;
}

std::optional<QByteArray> IniDocument::value(const QByteArray& section,
                                             const QByteArray& key) const {
    ++m_lookups;
    const auto body = index().constFind(foldedName(section));
    if (body == index().constEnd())
        return std::nullopt;
    const auto found = body->constFind(foldedName(key));
    if (found == body->constEnd())
        return std::nullopt;
    return *found;
}

QStringList IniDocument::keys(const QByteArray& section) const {
    const auto body = index().constFind(foldedName(section));
    return body == index().constEnd() ? QStringList() : body->keys();
}

void IniDocument::setValue(const QByteArray& section, const QByteArray& key,
                           const QByteArray& value) {
    m_index.reset();
    const QByteArray eol = lineEnding();
    const QByteArray newLine = key + '=' + cutAtLineBreak(value);

    const auto body = findSection(m_text, section);
    if (!body) {
        if (!m_text.isEmpty() && !m_text.endsWith('\n'))
            m_text += eol;
        m_text += '[' + section + ']' + eol + newLine + eol;
        return;
    }

    // The new key goes after the last line of the section that is not blank,
    // so that blank lines before the next section stay where they are.
    qsizetype insertAt = body->first;
    for (qsizetype pos = body->first; pos < body->second;) {
        const Line line = lineAt(m_text, pos);
        const ParsedLine parsed = parse(m_text, line);
        if (parsed.kind == LineKind::Key && sameName(parsed.name, key)) {
            m_text.replace(line.start, line.contentEnd - line.start, newLine);
            return;
        }
        if (!trimBlanks(m_text.mid(line.start, line.contentEnd - line.start)).isEmpty())
            insertAt = line.next;
        pos = line.next;
    }
    if (insertAt > 0 && m_text[insertAt - 1] != '\n') {
        // The section's last line is the last of the text and has no ending.
        m_text.insert(insertAt, eol + newLine);
        return;
    }
    m_text.insert(insertAt, newLine + eol);
}

QByteArray IniDocument::lineEnding() const {
    const qsizetype newline = m_text.indexOf('\n');
    if (newline > 0 && m_text[newline - 1] == '\r')
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}
