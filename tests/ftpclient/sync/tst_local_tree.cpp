// Reading a local tree for comparing: hidden entries, links followed but
// never in a circle, folders that cannot be read, folders left out, one
// level only; alone and on several threads at once.
#include "tree_checks.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

constexpr qint64 kPlanted = 1700000000;

// Each folder as "path/" (with " !" when it holds an error), each entry as
// "folder/name" followed by "/" for a folder or its size, " @" for a link
// and " !" for a problem; sorted.
QStringList described(const SideTree& tree) {
    QStringList lines;
    for (auto folder = tree.cbegin(); folder != tree.cend(); ++folder) {
        lines << folder.key() + u'/' + (folder.value().error.isEmpty() ? "" : " !");
        for (const SideEntry& entry : folder.value().entries) {
            QString line = (folder.key().isEmpty() ? "" : folder.key() + u'/') + entry.name;
            line += entry.folder ? QStringLiteral("/") : u' ' + QString::number(entry.size);
            if (entry.link)
                line += QStringLiteral(" @");
            if (!entry.problem.isEmpty())
                line += QStringLiteral(" !");
            lines << line;
        }
    }
    lines.sort();
    return lines;
}

} // namespace

class TestLocalTree : public QObject {
    Q_OBJECT

private slots:
    void readsTheTreeAsTheDiskHasIt_data();
    void readsTheTreeAsTheDiskHasIt();
    void readsOffTheCallersThread();
};

void TestLocalTree::readsTheTreeAsTheDiskHasIt_data() {
    QTest::addColumn<QString>("tree");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("hidden entries")
        << "hidden" << true << QStringList{"/",  ".dot 1", ".hid/", ".hid/", ".hid/f 2",
                                           "a/", "a/",     "a/b/",  "a/b/",  "a/b/g 3"};
    QTest::newRow("links") << "links" << true
                           << QStringList{"/",           "missing -1 @ !", "real/",
                                          "real/",       "real/f 3",       "toFile 3 @",
                                          "toFolder/ @", "toFolder/",      "toFolder/f 3"};
    QTest::newRow("a link back up")
        << "loop" << true << QStringList{"/", "a/", "a/", "a/b/", "a/b/", "a/b/up/ @", "a/b/up/ !"};
    QTest::newRow("a folder left out")
        << "skip" << true << QStringList{"/", "keep/", "keep/", "keep/f 1", "node_modules/"};
    QTest::newRow("one level") << "hidden" << false << QStringList{"/", ".dot 1", ".hid/", "a/"};
    QTest::newRow("a folder that cannot be read")
        << "locked" << true << QStringList{"/", "locked/", "locked/ !"};
}

void TestLocalTree::readsTheTreeAsTheDiskHasIt() {
    QFETCH(QString, tree);
    QFETCH(bool, recursive);
    QFETCH(QStringList, expected);
    expected.sort();
    if (tree == u"locked" && ::geteuid() == 0)
        QSKIP("root reads every folder");
    QTemporaryDir dir;
    const QString root = dir.path();
    if (tree == u"hidden") {
        QVERIFY(plantFile(root, ".dot", 1, kPlanted));
        QVERIFY(plantFile(root, ".hid/f", 2, kPlanted));
        QVERIFY(plantFile(root, "a/b/g", 3, kPlanted));
    } else if (tree == u"links") {
        QVERIFY(plantFile(root, "real/f", 3, kPlanted));
        QVERIFY(QFile::link(root + "/real", root + "/toFolder"));
        QVERIFY(QFile::link(root + "/real/f", root + "/toFile"));
        QVERIFY(QFile::link(root + "/gone", root + "/missing"));
    } else if (tree == u"loop") {
        QVERIFY(QDir().mkpath(root + "/a/b"));
        QVERIFY(QFile::link(root, root + "/a/b/up"));
    } else if (tree == u"skip") {
        QVERIFY(plantFile(root, "keep/f", 1, kPlanted));
        QVERIFY(plantFile(root, "node_modules/big", 5, kPlanted));
    } else if (tree == u"locked") {
        QVERIFY(QDir().mkpath(root + "/locked"));
        QVERIFY(QFile::setPermissions(root + "/locked", {}));
    }
    LocalTreeOptions options;
    options.recursive = recursive;
    options.skip = [](const QString& path, bool folder) {
        return folder && path == u"node_modules";
    };
    for (const int threads : {1, 4}) {
        options.threads = threads;
        const SideTree read = readLocalTree(root, options);
        QCOMPARE(described(read), expected);
        for (const SideFolder& folder : read)
            for (const SideEntry& entry : folder.entries)
                QVERIFY(entry.folder || !entry.problem.isEmpty() || entry.modified == kPlanted);
    }
    QFile::setPermissions(root + "/locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The reader hands its tree back through the event loop, which keeps
// running meanwhile.
void TestLocalTree::readsOffTheCallersThread() {
    QTemporaryDir dir;
    for (int i = 0; i < 50; ++i)
        QVERIFY(plantFile(dir.path(), QStringLiteral("d%1/f").arg(i % 7), i, kPlanted));
    LocalTreeReader reader;
    std::optional<SideTree> read;
    connect(&reader, &LocalTreeReader::finished, this,
            [&read](const SideTree& tree) { read = tree; });
    reader.start(dir.path(), {});
    QVERIFY(reader.running());
    QTRY_VERIFY(read.has_value());
    QCOMPARE(read->size(), 8);
    QVERIFY(!reader.running());
}

QTEST_GUILESS_MAIN(TestLocalTree)
#include "tst_local_tree.moc"
