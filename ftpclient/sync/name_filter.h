#pragma once

#include "sync_types.h"

#include <QString>
#include <QStringView>

#include <vector>

// One shell wildcard, taken apart once: "*" any run of characters, "?" any
// one, "[a-z]" and "[!a-z]" one of (or none of) a set, "\" takes the next
// character as it is. Matched against a path, "*" and "?" stop at "/" and
// "**" does not.
class Wildcard {
public:
    Wildcard() = default;
    Wildcard(QStringView pattern, bool slashStops);
    bool matches(QStringView text) const;

private:
    enum class Kind : quint8 { Text, One, Set, Any, AnyWithSlash };
    struct Part {
        Kind kind = Kind::Text;
        bool negated = false; // a Set: any character not in it
        QString text;         // Text: the characters; Set: pairs of first and last
    };
    enum class Shortcut : quint8 { None, Everything, Equal, StartsWith, EndsWith };

    bool matchFrom(size_t part, QStringView text) const;
    bool matchesOne(const Part& part, QChar c) const;
    bool anyMatchFrom(size_t part, QStringView text, bool crossesSlash) const;
    void chooseShortcut();
    qsizetype parseSet(QStringView pattern, qsizetype at);

    std::vector<Part> m_parts;
    Shortcut m_shortcut = Shortcut::None;
    QString m_shortcutText;
    bool m_slashStops = false;
};

// A NameFilter ready to use: every pattern taken apart when it is made, so
// that judging a name only walks it.
class CompiledFilter {
public:
    CompiledFilter() = default; // leaves nothing out
    explicit CompiledFilter(const NameFilter& filter);

    // Whether the entry at `path` (below the compared folder, '/'-separated)
    // is left out. Only the entry itself is judged: a reader does not go into
    // a folder left out, so what is below never comes up.
    bool skips(const QString& path, bool folder) const;
    // The same for an entry whose path and name the caller has at hand; the
    // path is only looked at when needsPaths(folder).
    bool skips(QStringView path, QStringView name, bool folder) const;
    // Whether a pattern that judges files (or folders) needs the whole path.
    bool needsPaths(bool folder) const {
        return folder ? m_folderPatternsOnPaths : m_filePatternsOnPaths;
    }
    bool isEmpty() const { return m_include.empty() && m_exclude.empty(); }

private:
    struct Pattern {
        Wildcard wildcard;
        bool foldersOnly = false; // written with a "/" at its end
        bool onPath = false;      // holds a "/" inside: matched against the path
    };
    static Pattern compile(QString pattern);

    std::vector<Pattern> m_include; // files only
    std::vector<Pattern> m_exclude;
    bool m_filePatternsOnPaths = false;
    bool m_folderPatternsOnPaths = false;
};
