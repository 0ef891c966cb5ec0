// The README's picture of the code held against the code itself: its list of
// what each library links against the target_link_libraries lines of the
// CMake files, its Layout table against the folders, and the includes of each
// library's folder against what that library links. Everything is read from
// the source tree.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <map>
#include <set>

namespace {

using Names = std::set<QString>;

// What a library links: `shared` (PUBLIC, INTERFACE or no keyword) reaches
// its users as well, `own` (PRIVATE) does not.
struct Links {
    Names shared;
    Names own;
    bool operator==(const Links&) const = default;
};

struct Library {
    QString cmakeFile;   // where add_library() makes it, from the source root
    QStringList folders; // the folders of its sources, from the source root
    Links links;
};

QString sourcePath(const QString& relative) {
    return QStringLiteral(TARLEN_SOURCE_DIR "/") + relative;
}

QString relativePath(const QString& path) {
    return QDir(QStringLiteral(TARLEN_SOURCE_DIR)).relativeFilePath(path);
}

QString readText(const QString& relative) {
    QFile file(sourcePath(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString joined(const Names& names) {
    return QStringList(names.begin(), names.end()).join(QStringLiteral(", "));
}

// As the README writes it: "a, b; private: c".
QString shown(const Links& links) {
    QString text = joined(links.shared);
    if (!links.own.empty())
        text += QStringLiteral("; private: ") + joined(links.own);
    return text;
}

Names without(const Names& names, const Names& others) {
    Names rest;
    for (const QString& name : names)
        if (!others.count(name))
            rest.insert(name);
    return rest;
}

Names everything(const Links& links) {
    Names all = links.shared;
    all.insert(links.own.begin(), links.own.end());
    return all;
}

// The CMake text without its comments (a # outside quotes up to the line's end).
QString withoutComments(const QString& text) {
    QString kept;
    bool quoted = false;
    bool comment = false;
    for (const QChar c : text) {
        if (c == u'\n')
            comment = false;
        else if (comment)
            continue;
        else if (c == u'"')
            quoted = !quoted;
        else if (c == u'#' && !quoted) {
            comment = true;
            continue;
        }
        kept += c;
    }
    return kept;
}

// The arguments of each call of `command` in a CMake text, word by word.
QList<QStringList> callsOf(const QString& text, const QString& command) {
    const QRegularExpression call(QStringLiteral("(?<![\\w])%1\\s*\\(([^)]*)\\)").arg(command),
                                  QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression blanks(QStringLiteral("\\s+"));
    QList<QStringList> calls;
    for (auto it = call.globalMatch(text); it.hasNext();)
        calls << it.next().captured(1).split(blanks, Qt::SkipEmptyParts);
    return calls;
}

QStringList cmakeFiles() {
    QStringList files{QStringLiteral("ftpclient/CMakeLists.txt")};
    const QDir client(sourcePath(QStringLiteral("ftpclient")));
    for (const QString& folder : client.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (QFileInfo::exists(client.filePath(folder + QStringLiteral("/CMakeLists.txt"))))
            files << QStringLiteral("ftpclient/%1/CMakeLists.txt").arg(folder);
    files << QStringLiteral("listcontrol/CMakeLists.txt");
    return files;
}

void readLibraryMade(const QStringList& words, const QString& file,
                     std::map<QString, Library>& libraries) {
    static const QStringList kinds{QStringLiteral("STATIC"), QStringLiteral("SHARED"),
                                   QStringLiteral("MODULE"), QStringLiteral("OBJECT")};
    if (words.isEmpty() || words.contains(QStringLiteral("IMPORTED")) ||
        words.contains(QStringLiteral("ALIAS")))
        return;
    Library& library = libraries[words.first()];
    library.cmakeFile = file;
    const QDir base = QFileInfo(sourcePath(file)).dir();
    for (const QString& word : words.mid(1)) {
        if (kinds.contains(word) || word.startsWith(u'$'))
            continue;
        const QString folder = relativePath(QFileInfo(base.filePath(word)).absolutePath());
        if (!library.folders.contains(folder))
            library.folders << folder;
    }
}

// Variables and generator expressions (${CMAKE_DL_LIBS}) are left out: they
// name no library of this tree, and the README does not list them.
void readLinks(const QStringList& words, std::map<QString, Links>& links) {
    if (words.isEmpty())
        return;
    Links& linked = links[words.first()];
    Names* into = &linked.shared;
    for (const QString& word : words.mid(1)) {
        if (word == u"PUBLIC" || word == u"INTERFACE")
            into = &linked.shared;
        else if (word == u"PRIVATE")
            into = &linked.own;
        else if (!word.startsWith(u'$'))
            into->insert(word);
    }
}

std::map<QString, Library> librariesOfCMake() {
    std::map<QString, Library> libraries;
    std::map<QString, Links> links;
    for (const QString& file : cmakeFiles()) {
        const QString text = withoutComments(readText(file));
        for (const QStringList& words : callsOf(text, QStringLiteral("add_library")))
            readLibraryMade(words, file, libraries);
        for (const QStringList& words : callsOf(text, QStringLiteral("target_link_libraries")))
            readLinks(words, links);
    }
    for (auto& [name, library] : libraries)
        library.links = links[name];
    return libraries;
}

Names namesIn(const QString& list) {
    Names names;
    for (const QString& name : list.split(u',', Qt::SkipEmptyParts))
        if (!name.trimmed().isEmpty())
            names.insert(name.trimmed());
    return names;
}

// The README's fenced block marked "links": one line per library,
//   name -> a, b; private: c
// Lines it cannot read go into `faults`.
std::map<QString, Links> linksOfReadme(const QString& readme, QStringList& faults) {
    std::map<QString, Links> listed;
    const QRegularExpression line(QStringLiteral("^(\\S+)\\s*->\\s*([^;]*)(;\\s*private:(.*))?$"));
    const QStringList lines = readme.split(u'\n');
    const qsizetype start = lines.indexOf(QStringLiteral("```links"));
    if (start < 0)
        faults << QStringLiteral("README.md has no block opened by ```links");
    for (qsizetype i = start + 1; start >= 0 && i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        if (text.startsWith(QStringLiteral("```")))
            break;
        if (text.isEmpty())
            continue;
        const QRegularExpressionMatch match = line.match(text);
        if (!match.hasMatch() || listed.count(match.captured(1))) {
            faults << QStringLiteral(
                          "README.md line %1 cannot be read or names a library again: %2")
                          .arg(i + 1)
                          .arg(text);
            continue;
        }
        listed[match.captured(1)] = {namesIn(match.captured(2)), namesIn(match.captured(4))};
    }
    return listed;
}

// The folders in the first column of the README's Layout table.
QStringList layoutFolders(const QString& readme) {
    const qsizetype start = readme.indexOf(QStringLiteral("\n## Layout\n"));
    const qsizetype end = readme.indexOf(QStringLiteral("\n## "), start + 1);
    const QRegularExpression row(QStringLiteral("^\\| `([^`]+)` \\|"),
                                 QRegularExpression::MultilineOption);
    QStringList folders;
    for (auto it = row.globalMatch(readme.mid(start, end - start)); it.hasNext();)
        folders << it.next().captured(1);
    return folders;
}

} // namespace

class TestArchitecture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void linksAsListed_data();
    void linksAsListed();
    void folderInLayout_data();
    void folderInLayout();
    void includesOnlyWhatItLinks_data();
    void includesOnlyWhatItLinks();

private:
    Names visibleFrom(const QString& library) const;
    void addPassedOn(const QString& library, Names& names) const;
    QString ownerOf(const QString& included, const Names& allowed, bool& allowedOwner) const;

    std::map<QString, Library> m_libraries;
    std::map<QString, Links> m_listed;
    QStringList m_layout;
    std::map<QString, QString> m_headers; // path from the source root -> library
};

void TestArchitecture::initTestCase() {
    const QString readme = readText(QStringLiteral("README.md"));
    QVERIFY2(!readme.isEmpty(), "README.md cannot be read from " TARLEN_SOURCE_DIR);
    m_libraries = librariesOfCMake();
    QVERIFY2(m_libraries.size() > 5, "the CMake files make hardly any library");
    QStringList faults;
    m_listed = linksOfReadme(readme, faults);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    m_layout = layoutFolders(readme);
    QVERIFY2(!m_layout.isEmpty(), "README.md has no Layout table");
    for (const auto& [name, library] : m_libraries)
        for (const QString& folder : library.folders) {
            const QDir dir(sourcePath(folder));
            for (const QString& header : dir.entryList({QStringLiteral("*.h")}, QDir::Files))
                m_headers[folder + u'/' + header] = name;
        }
}

void TestArchitecture::linksAsListed_data() {
    QTest::addColumn<QString>("library");
    Names names;
    for (const auto& entry : m_libraries)
        names.insert(entry.first);
    for (const auto& entry : m_listed)
        names.insert(entry.first);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestArchitecture::linksAsListed() {
    QFETCH(QString, library);
    const auto made = m_libraries.find(library);
    const auto listed = m_listed.find(library);
    if (made == m_libraries.end())
        QFAIL(qPrintable(
            QStringLiteral("README.md lists %1, which no CMake file makes").arg(library)));
    if (listed == m_listed.end())
        QFAIL(qPrintable(QStringLiteral("%1 makes %2, which README.md does not list; it links: %3")
                             .arg(made->second.cmakeFile, library, shown(made->second.links))));
    const Links& linked = made->second.links;
    const Links& said = listed->second;
    if (linked == said)
        return;
    const Names allLinked = everything(linked);
    const Names allSaid = everything(said);
    QString message = QStringLiteral("%1 links \"%2\" in %3, README.md says \"%4\".")
                          .arg(library, shown(linked), made->second.cmakeFile, shown(said));
    if (const Names missing = without(allLinked, allSaid); !missing.empty())
        message += QStringLiteral(" Not in README.md: ") + joined(missing) + u'.';
    if (const Names extra = without(allSaid, allLinked); !extra.empty())
        message += QStringLiteral(" Not linked: ") + joined(extra) + u'.';
    QFAIL(qPrintable(message));
}

// Every library's folder has its row in the Layout table, and every folder
// the table names is there.
void TestArchitecture::folderInLayout_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("ofLibrary");
    for (const auto& entry : m_libraries)
        for (const QString& folder : entry.second.folders)
            QTest::newRow(qPrintable(folder)) << folder << true;
    for (const QString& folder : m_layout)
        QTest::newRow(qPrintable(QStringLiteral("table: ") + folder)) << folder << false;
}

void TestArchitecture::folderInLayout() {
    QFETCH(QString, folder);
    QFETCH(bool, ofLibrary);
    if (!ofLibrary) {
        QVERIFY2(QFileInfo(sourcePath(folder)).isDir(),
                 qPrintable(
                     QStringLiteral("the Layout table names %1, which is not there").arg(folder)));
        return;
    }
    const bool covered = std::any_of(m_layout.begin(), m_layout.end(), [&](const QString& row) {
        return (folder + u'/').startsWith(row.endsWith(u'/') ? row : row + u'/');
    });
    QVERIFY2(covered, qPrintable(QStringLiteral("the Layout table has no row for %1").arg(folder)));
}

void TestArchitecture::includesOnlyWhatItLinks_data() {
    QTest::addColumn<QString>("library");
    for (const auto& entry : m_libraries)
        QTest::newRow(qPrintable(entry.first)) << entry.first;
}

// A folder may include the headers of its own library, of what that library
// links and of what those pass on (PUBLIC): what its include path holds.
// Headers of another library are the fault; Qt's and the system's are not
// looked at.
void TestArchitecture::includesOnlyWhatItLinks() {
    QFETCH(QString, library);
    const Names allowed = visibleFrom(library);
    const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*[<\"]([^>\"]+)[>\"]"));
    QStringList faults;
    for (const QString& folder : m_libraries.at(library).folders) {
        const QDir dir(sourcePath(folder));
        for (const QString& name :
             dir.entryList({QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files)) {
            const QStringList lines = readText(folder + u'/' + name).split(u'\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const QRegularExpressionMatch match = include.match(lines[i]);
                if (!match.hasMatch())
                    continue;
                bool allowedOwner = false;
                const QString owner = ownerOf(match.captured(1), allowed, allowedOwner);
                if (!owner.isEmpty() && !allowedOwner)
                    faults << QStringLiteral("%1/%2:%3 includes %4 of %5, which %6 does not link")
                                  .arg(folder, name)
                                  .arg(i + 1)
                                  .arg(match.captured(1), owner, library);
            }
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

Names TestArchitecture::visibleFrom(const QString& library) const {
    Names names{library};
    const Links& links = m_libraries.at(library).links;
    for (const Names* linked : {&links.shared, &links.own})
        for (const QString& name : *linked)
            addPassedOn(name, names);
    return names;
}

void TestArchitecture::addPassedOn(const QString& library, Names& names) const {
    if (!names.insert(library).second)
        return;
    const auto made = m_libraries.find(library);
    if (made != m_libraries.end())
        for (const QString& name : made->second.links.shared)
            addPassedOn(name, names);
}

// The library whose folder holds a header of that path ("" for none of this
// tree); one it may include when several folders hold such a header.
QString TestArchitecture::ownerOf(const QString& included, const Names& allowed,
                                  bool& allowedOwner) const {
    QString owner;
    for (const auto& [path, library] : m_headers) {
        if (path != included && !path.endsWith(u'/' + included))
            continue;
        owner = library;
        allowedOwner = allowed.count(library) > 0;
        if (allowedOwner)
            break;
    }
    return owner;
}

QTEST_GUILESS_MAIN(TestArchitecture)
#include "tst_architecture.moc"
