// Judging two trees name by name: times with what the server can tell (whole
// minutes or days, its offset, a tolerance), sizes when times cannot decide,
// names that differ only in case, folders a side could not read, folders
// marked for differences inside, names the filter leaves out, and the marks
// the panes show for each verdict.
#include "folder_compare.h"
#include "verdict_look.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(SideEntry)
Q_DECLARE_METATYPE(CompareRules)
Q_DECLARE_METATYPE(Verdict)

namespace {

// A moment that starts a day (and so a minute) in UTC.
constexpr qint64 dayStart = 19676LL * 24 * 60 * 60;

SideEntry file(qint64 size, qint64 modified, TimePrecision precision = TimePrecision::Seconds) {
    SideEntry entry;
    entry.name = QStringLiteral("f");
    entry.size = size;
    entry.modified = modified;
    entry.precision = precision;
    return entry;
}

SideEntry folder() {
    SideEntry entry;
    entry.name = QStringLiteral("f");
    entry.folder = true;
    return entry;
}

SideEntry absent() {
    SideEntry entry;
    entry.name.clear();
    return entry;
}

CompareRules rules(qint64 tolerance = 2, qint64 offset = 0, bool byTime = true,
                   bool bySize = true) {
    CompareRules made;
    made.toleranceSeconds = tolerance;
    made.remoteOffsetSeconds = offset;
    made.byTime = byTime;
    made.bySize = bySize;
    return made;
}

// A side's tree from "path" -> names; a name ending in "/" is a folder.
SideTree tree(const QHash<QString, QStringList>& folders) {
    SideTree made;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        SideFolder& side = made[it.key()];
        for (QString name : it.value()) {
            SideEntry entry = file(10, dayStart);
            entry.folder = name.endsWith(u'/');
            if (entry.folder)
                name.chop(1);
            entry.name = name;
            side.entries.push_back(entry);
        }
    }
    return made;
}

const ComparedEntry* entryAt(const ComparedTree& compared, const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const auto folder = compared.constFind(slash < 0 ? QString() : path.left(slash));
    if (folder == compared.cend())
        return nullptr;
    for (const ComparedEntry& entry : folder->entries)
        if (entry.name == path.mid(slash + 1))
            return &entry;
    return nullptr;
}

QStringList namesIn(const ComparedTree& compared, const QString& path) {
    QStringList names;
    for (const ComparedEntry& entry : compared.value(path).entries)
        names << entry.name;
    return names;
}

} // namespace

class TestFolderCompare : public QObject {
    Q_OBJECT

private slots:
    void verdicts_data();
    void verdicts();
    void caseClashes_data();
    void caseClashes();
    void unreadableFolders_data();
    void unreadableFolders();
    void differencesMarked_data();
    void differencesMarked();
    void filteredNamesLeftOut_data();
    void filteredNamesLeftOut();
    void verdictLooksTellApart();
};

void TestFolderCompare::verdicts_data() {
    QTest::addColumn<SideEntry>("local");
    QTest::addColumn<SideEntry>("remote");
    QTest::addColumn<CompareRules>("rules");
    QTest::addColumn<Verdict>("verdict");

    const auto minutes = TimePrecision::Minutes;
    const auto days = TimePrecision::Days;
    const qint64 t = dayStart;
    QTest::newRow("same size and second") << file(10, t) << file(10, t) << rules() << Verdict::Same;
    QTest::newRow("within the tolerance")
        << file(10, t + 2) << file(10, t) << rules() << Verdict::Same;
    QTest::newRow("past the tolerance, newer here")
        << file(10, t + 3) << file(10, t) << rules() << Verdict::NewerLocal;
    QTest::newRow("past the tolerance, newer there")
        << file(10, t) << file(10, t + 3) << rules() << Verdict::NewerRemote;
    QTest::newRow("no tolerance") << file(10, t + 1) << file(10, t) << rules(0)
                                  << Verdict::NewerLocal;
    QTest::newRow("same time, other size")
        << file(10, t) << file(11, t) << rules() << Verdict::SizeDiffers;
    QTest::newRow("time decides before size")
        << file(5, t + 100) << file(10, t) << rules() << Verdict::NewerLocal;
    QTest::newRow("end of a listed minute")
        << file(10, t + 59) << file(10, t, minutes) << rules() << Verdict::Same;
    QTest::newRow("listed minute and tolerance")
        << file(10, t + 61) << file(10, t, minutes) << rules() << Verdict::Same;
    QTest::newRow("past the listed minute")
        << file(10, t + 62) << file(10, t, minutes) << rules() << Verdict::NewerLocal;
    QTest::newRow("before the listed minute")
        << file(10, t - 3) << file(10, t, minutes) << rules() << Verdict::NewerRemote;
    QTest::newRow("listed minute, other size")
        << file(10, t + 30) << file(11, t, minutes) << rules() << Verdict::SizeDiffers;
    QTest::newRow("end of a listed day")
        << file(10, t + 86399) << file(10, t, days) << rules() << Verdict::Same;
    QTest::newRow("past the listed day")
        << file(10, t + 86402) << file(10, t, days) << rules() << Verdict::NewerLocal;
    QTest::newRow("server an hour ahead")
        << file(10, t) << file(10, t + 3600) << rules(2, 3600) << Verdict::Same;
    QTest::newRow("server an hour ahead, not told")
        << file(10, t) << file(10, t + 3600) << rules() << Verdict::NewerRemote;
    QTest::newRow("server an hour behind, minutes")
        << file(10, t + 30) << file(10, t - 3600, minutes) << rules(2, -3600) << Verdict::Same;
    QTest::newRow("no time here, same size")
        << file(10, -1) << file(10, t) << rules() << Verdict::Same;
    QTest::newRow("no time there, other size")
        << file(10, t) << file(12, -1) << rules() << Verdict::SizeDiffers;
    QTest::newRow("times not asked for")
        << file(10, t + 100) << file(10, t) << rules(2, 0, false) << Verdict::Same;
    QTest::newRow("sizes not asked for")
        << file(10, t) << file(11, t) << rules(2, 0, true, false) << Verdict::Same;
    QTest::newRow("neither size nor time known")
        << file(-1, -1) << file(10, t) << rules() << Verdict::Problem;
    QTest::newRow("no time, size not asked for")
        << file(10, -1) << file(10, t) << rules(2, 0, true, false) << Verdict::Problem;
    QTest::newRow("folders without size or time")
        << folder() << folder() << rules() << Verdict::Same;
    QTest::newRow("a file here, a folder there")
        << file(10, t) << folder() << rules() << Verdict::Problem;
    QTest::newRow("a folder here, a file there")
        << folder() << file(10, t) << rules() << Verdict::Problem;
    QTest::newRow("only here") << file(10, t) << absent() << rules() << Verdict::OnlyLocal;
    QTest::newRow("only there") << absent() << folder() << rules() << Verdict::OnlyRemote;
}

void TestFolderCompare::verdicts() {
    QFETCH(SideEntry, local);
    QFETCH(SideEntry, remote);
    QFETCH(CompareRules, rules);
    QFETCH(Verdict, verdict);

    SideTree localTree{{QString(), {}}};
    SideTree remoteTree{{QString(), {}}};
    if (!local.name.isEmpty())
        localTree[QString()].entries.push_back(local);
    if (!remote.name.isEmpty())
        remoteTree[QString()].entries.push_back(remote);
    const ComparedTree compared = compareTrees(localTree, remoteTree, rules, CompiledFilter());
    const ComparedEntry* entry = entryAt(compared, QStringLiteral("f"));
    QVERIFY(entry);
    QCOMPARE(verdictLook(entry->verdict).word, verdictLook(verdict).word);
    QCOMPARE(entry->problem.isEmpty(), verdict != Verdict::Problem);
}

void TestFolderCompare::caseClashes_data() {
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QStringList>("remote");
    QTest::addColumn<QStringList>("clashing"); // each followed by the name it clashes with

    QTest::newRow("two names here")
        << QStringList{"Readme.txt", "README.TXT", "other"} << QStringList{"other"}
        << QStringList{"Readme.txt", "README.TXT", "README.TXT", "Readme.txt"};
    QTest::newRow("one on each side")
        << QStringList{"Readme.txt"} << QStringList{"README.TXT"}
        << QStringList{"Readme.txt", "README.TXT", "README.TXT", "Readme.txt"};
    QTest::newRow("a name on both sides and its twin here")
        << QStringList{"a.txt", "A.txt"} << QStringList{"a.txt"}
        << QStringList{"a.txt", "A.txt", "A.txt", "a.txt"};
    QTest::newRow("folders") << QStringList{"Docs/"} << QStringList{"docs/"}
                             << QStringList{"Docs", "docs", "docs", "Docs"};
    QTest::newRow("beyond ASCII") << QStringList{"Ärger"} << QStringList{"ärger"}
                                  << QStringList{"Ärger", "ärger", "ärger", "Ärger"};
    QTest::newRow("the same name") << QStringList{"x"} << QStringList{"x"} << QStringList{};
}

void TestFolderCompare::caseClashes() {
    QFETCH(QStringList, local);
    QFETCH(QStringList, remote);
    QFETCH(QStringList, clashing);

    const ComparedTree compared =
        compareTrees(tree({{QString(), local}}), tree({{QString(), remote}}), {}, CompiledFilter());
    QStringList problems;
    for (const ComparedEntry& entry : compared.value(QString()).entries)
        if (entry.verdict == Verdict::Problem)
            problems << entry.name;
    QStringList expected;
    for (qsizetype i = 0; i < clashing.size(); i += 2)
        expected << clashing[i];
    problems.sort();
    expected.sort();
    QCOMPARE(problems, expected);
    for (qsizetype i = 0; i < clashing.size(); i += 2) {
        const ComparedEntry* entry = entryAt(compared, clashing[i]);
        QVERIFY2(entry->problem.contains(u'"' + clashing[i + 1] + u'"'),
                 qPrintable(entry->problem));
    }
    QCOMPARE(compared.size(), 1); // no folder of theirs judged further
}

void TestFolderCompare::unreadableFolders_data() {
    QTest::addColumn<bool>("localBroken");
    QTest::addColumn<bool>("read"); // read with an error, rather than not read at all
    QTest::addColumn<QString>("folder");

    QTest::newRow("server folder with an error") << false << true << "site";
    QTest::newRow("local folder with an error") << true << true << "site";
    QTest::newRow("server folder not read") << false << false << "site";
    QTest::newRow("local folder not read") << true << false << "site";
    QTest::newRow("server's top folder with an error") << false << true << "";
    QTest::newRow("top folder not read here") << true << false << "";
}

// The broken side holds nothing in the folder, the other side a file and a
// folder: neither may pass for "only here" or "only there".
void TestFolderCompare::unreadableFolders() {
    QFETCH(bool, localBroken);
    QFETCH(bool, read);
    QFETCH(QString, folder);

    const QString sub = folder.isEmpty() ? QStringLiteral("sub") : folder + QStringLiteral("/sub");
    SideTree whole =
        tree({{QString(), {"site/", "top"}}, {folder, {"index.html", "sub/"}}, {sub, {"deep"}}});
    SideTree broken = tree({{QString(), {"site/", "top"}}});
    broken.remove(folder);
    if (read)
        broken[folder].error = QStringLiteral("550 Permission denied");
    const ComparedTree compared = localBroken ? compareTrees(broken, whole, {}, CompiledFilter())
                                              : compareTrees(whole, broken, {}, CompiledFilter());

    const ComparedFolder judged = compared.value(folder);
    QVERIFY(!judged.error.isEmpty());
    if (read)
        QVERIFY(judged.error.contains(QStringLiteral("550 Permission denied")));
    QVERIFY(!judged.entries.empty());
    for (const ComparedEntry& entry : judged.entries) {
        QCOMPARE(entry.verdict, Verdict::Problem);
        QCOMPARE(entry.problem, judged.error);
    }
    QVERIFY(!compared.contains(sub));
    if (!folder.isEmpty())
        QVERIFY(entryAt(compared, folder)->containsDifferences);
}

void TestFolderCompare::differencesMarked_data() {
    QTest::addColumn<QString>("changed"); // the file that differs, "" for none
    QTest::addColumn<QStringList>("marked");

    QTest::newRow("nothing") << "" << QStringList{};
    QTest::newRow("deep") << "a/b/c/f" << QStringList{"a", "a/b", "a/b/c"};
    QTest::newRow("one level") << "a/h" << QStringList{"a"};
    QTest::newRow("another branch") << "d/g" << QStringList{"d"};
}

void TestFolderCompare::differencesMarked() {
    QFETCH(QString, changed);
    QFETCH(QStringList, marked);

    const QHash<QString, QStringList> layout{{"", {"a/", "d/", "top"}},
                                             {"a", {"b/", "h"}},
                                             {"a/b", {"c/"}},
                                             {"a/b/c", {"f"}},
                                             {"d", {"g"}}};
    SideTree remote = tree(layout);
    const qsizetype slash = changed.lastIndexOf(u'/');
    for (SideEntry& entry : remote[changed.left(slash)].entries)
        if (!changed.isEmpty() && entry.name == changed.mid(slash + 1))
            entry.size = 99;
    const ComparedTree compared = compareTrees(tree(layout), remote, {}, CompiledFilter());

    QStringList found;
    for (const QString path : {"a", "a/b", "a/b/c", "d"})
        if (entryAt(compared, path)->containsDifferences)
            found << path;
    QCOMPARE(found, marked);
}

void TestFolderCompare::filteredNamesLeftOut_data() {
    QTest::addColumn<QStringList>("exclude");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("no filter") << QStringList{} << QStringList{".git", "a.tmp", "B.TXT", "b.txt"};
    QTest::newRow("folder and wildcard")
        << QStringList{".git/", "*.tmp"} << QStringList{"B.TXT", "b.txt"};
    QTest::newRow("a case twin left out is no clash")
        << QStringList{"B.TXT"} << QStringList{".git", "a.tmp", "b.txt"};
}

void TestFolderCompare::filteredNamesLeftOut() {
    QFETCH(QStringList, exclude);
    QFETCH(QStringList, shown);

    const SideTree local = tree({{"", {".git/", "b.txt"}}, {".git", {"config"}}});
    const SideTree remote = tree({{"", {"a.tmp", "B.TXT"}}});
    const ComparedTree compared =
        compareTrees(local, remote, {}, CompiledFilter(NameFilter{{}, exclude}));
    QCOMPARE(namesIn(compared, QString()), shown);
    QCOMPARE(compared.contains(QStringLiteral(".git")), shown.contains(QStringLiteral(".git")));
    QCOMPARE(entryAt(compared, QStringLiteral("b.txt"))->verdict == Verdict::Problem,
             shown.contains(QStringLiteral("B.TXT")));
}

void TestFolderCompare::verdictLooksTellApart() {
    QList<VerdictLook> looks{verdictLook(Verdict::Same, true)};
    for (int verdict = 0; verdict <= int(Verdict::Problem); ++verdict)
        looks << verdictLook(Verdict(verdict));
    QSet<QString> words;
    QSet<QString> marks;
    for (const VerdictLook& look : looks) {
        QVERIFY(!look.word.isEmpty());
        QCOMPARE(look.mark.size(), 1);
        words.insert(look.word);
        marks.insert(look.mark);
    }
    QCOMPARE(words.size(), looks.size());
    QCOMPARE(marks.size(), looks.size());
}

QTEST_GUILESS_MAIN(TestFolderCompare)
#include "tst_folder_compare.moc"
