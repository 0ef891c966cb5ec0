#include "name_filter.h"

Wildcard::Wildcard(QStringView pattern, bool slashStops)
    : m_slashStops(slashStops) {
    for (qsizetype at = 0; at < pattern.size(); ++at) {
        const QChar c = pattern[at];
        if (c == u'*') {
            Kind kind = Kind::Any;
            for (; at + 1 < pattern.size() && pattern[at + 1] == u'*'; ++at)
                kind = Kind::AnyWithSlash;
            if (!m_parts.empty() && m_parts.back().kind >= Kind::Any)
                m_parts.back().kind = std::max(m_parts.back().kind, kind);
            else
                m_parts.push_back({kind, false, {}});
            continue;
        }
        if (c == u'?') {
            m_parts.push_back({Kind::One, false, {}});
            continue;
        }
        if (c == u'[') {
            const qsizetype after = parseSet(pattern, at);
            if (after > 0) {
                at = after - 1;
                continue;
            }
        }
        const QChar literal = c == u'\\' && at + 1 < pattern.size() ? pattern[++at] : c;
        if (m_parts.empty() || m_parts.back().kind != Kind::Text)
            m_parts.push_back({Kind::Text, false, {}});
        m_parts.back().text += literal;
    }
    chooseShortcut();
}

// Reads "[...]" at `at` into a Set part; returns where it ends, or 0 when
// the "[" is not closed (and so stands for itself).
qsizetype Wildcard::parseSet(QStringView pattern, qsizetype at) {
    Part set{Kind::Set, false, {}};
    qsizetype i = at + 1;
    if (i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^')) {
        set.negated = true;
        ++i;
    }
    for (bool first = true; i < pattern.size(); first = false) {
        if (pattern[i] == u']' && !first) {
            m_parts.push_back(std::move(set));
            return i + 1;
        }
        const QChar low = pattern[i];
        const bool range =
            i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']';
        const QChar high = range ? pattern[i + 2] : low;
        set.text += low;
        set.text += high;
        i += range ? 3 : 1;
    }
    return 0;
}

void Wildcard::chooseShortcut() {
    const auto crossing = [this](const Part& part) {
        return part.kind == Kind::AnyWithSlash || (part.kind == Kind::Any && !m_slashStops);
    };
    if (m_parts.empty()) {
        m_shortcut = Shortcut::Equal;
    } else if (m_parts.size() == 1 && m_parts[0].kind == Kind::Text) {
        m_shortcut = Shortcut::Equal;
        m_shortcutText = m_parts[0].text;
    } else if (m_parts.size() == 1 && crossing(m_parts[0])) {
        m_shortcut = Shortcut::Everything;
    } else if (m_parts.size() == 2 && crossing(m_parts[0]) && m_parts[1].kind == Kind::Text) {
        m_shortcut = Shortcut::EndsWith;
        m_shortcutText = m_parts[1].text;
    } else if (m_parts.size() == 2 && m_parts[0].kind == Kind::Text && crossing(m_parts[1])) {
        m_shortcut = Shortcut::StartsWith;
        m_shortcutText = m_parts[0].text;
    }
}

bool Wildcard::matches(QStringView text) const {
    switch (m_shortcut) {
    case Shortcut::Everything:
        return true;
    case Shortcut::Equal:
        return text == m_shortcutText;
    case Shortcut::StartsWith:
        return text.startsWith(m_shortcutText);
    case Shortcut::EndsWith:
        return text.endsWith(m_shortcutText);
    case Shortcut::None:
        break;
    }
    return matchFrom(0, text);
}

bool Wildcard::matchesOne(const Part& part, QChar c) const {
    if (m_slashStops && c == u'/')
        return false;
    if (part.kind == Kind::One)
        return true;
    bool inSet = false;
    for (qsizetype i = 0; i + 1 < part.text.size() && !inSet; i += 2)
        inSet = part.text[i] <= c && c <= part.text[i + 1];
    return inSet != part.negated;
}

bool Wildcard::matchFrom(size_t part, QStringView text) const {
    for (; part < m_parts.size(); ++part) {
        const Part& current = m_parts[part];
        switch (current.kind) {
        case Kind::Text:
            if (!text.startsWith(current.text))
                return false;
            text = text.sliced(current.text.size());
            break;
        case Kind::One:
        case Kind::Set:
            if (text.isEmpty() || !matchesOne(current, text.front()))
                return false;
            text = text.sliced(1);
            break;
        case Kind::Any:
        case Kind::AnyWithSlash:
            return anyMatchFrom(part, text, current.kind == Kind::AnyWithSlash || !m_slashStops);
        }
    }
    return text.isEmpty();
}

// A "*" at `part`: tries each length it could take, shortest first; when
// text follows it, only where that text occurs.
bool Wildcard::anyMatchFrom(size_t part, QStringView text, bool crossesSlash) const {
    const qsizetype slash = crossesSlash ? -1 : text.indexOf(u'/');
    const qsizetype end = slash < 0 ? text.size() : slash;
    if (part + 1 == m_parts.size())
        return end == text.size();
    const Part& next = m_parts[part + 1];
    for (qsizetype at = 0; at <= end; ++at) {
        if (next.kind == Kind::Text) {
            at = text.indexOf(next.text, at);
            if (at < 0 || at > end)
                return false;
        }
        if (matchFrom(part + 1, text.sliced(at)))
            return true;
    }
    return false;
}

CompiledFilter::CompiledFilter(const NameFilter& filter) {
    for (const QString& text : filter.exclude) {
        if (!text.isEmpty())
            m_exclude.push_back(compile(text));
    }
    // An include pattern for folders would never let a file in: folders
    // always take part unless excluded.
    for (const QString& text : filter.include) {
        Pattern pattern = compile(text);
        if (!text.isEmpty() && !pattern.foldersOnly)
            m_include.push_back(std::move(pattern));
    }
    for (const Pattern& pattern : m_exclude) {
        m_folderPatternsOnPaths = m_folderPatternsOnPaths || pattern.onPath;
        m_filePatternsOnPaths = m_filePatternsOnPaths || (pattern.onPath && !pattern.foldersOnly);
    }
    for (const Pattern& pattern : m_include)
        m_filePatternsOnPaths = m_filePatternsOnPaths || pattern.onPath;
}

CompiledFilter::Pattern CompiledFilter::compile(QString text) {
    Pattern pattern;
    while (text.endsWith(u'/')) {
        pattern.foldersOnly = true;
        text.chop(1);
    }
    if (text.startsWith(u'/')) {
        pattern.onPath = true; // anchored at the compared folder
        text.remove(0, 1);
    }
    pattern.onPath = pattern.onPath || text.contains(u'/');
    pattern.wildcard = Wildcard(text, pattern.onPath);
    return pattern;
}

bool CompiledFilter::skips(const QString& path, bool folder) const {
    const qsizetype slash = path.lastIndexOf(u'/');
    return skips(QStringView(path), QStringView(path).sliced(slash + 1), folder);
}

bool CompiledFilter::skips(QStringView path, QStringView name, bool folder) const {
    for (const Pattern& pattern : m_exclude)
        if ((folder || !pattern.foldersOnly) &&
            pattern.wildcard.matches(pattern.onPath ? path : name))
            return true;
    if (folder || m_include.empty())
        return false;
    for (const Pattern& pattern : m_include)
        if (pattern.wildcard.matches(pattern.onPath ? path : name))
            return false;
    return true;
}
