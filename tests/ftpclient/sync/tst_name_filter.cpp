// Name filters as the synchronisation dialog takes them: shell wildcards on
// names, or on paths when they hold a "/", folders only when they end in
// one, excludes winning, includes for files alone.
#include "name_filter.h"

#include <QTest>

class TestNameFilter : public QObject {
    Q_OBJECT

private slots:
    void skips_data();
    void skips();
};

void TestNameFilter::skips_data() {
    QTest::addColumn<QStringList>("include");
    QTest::addColumn<QStringList>("exclude");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("skipped");

    const QStringList none;
    const QStringList tmp{"*.tmp"};
    const QStringList git{".git/"};
    QTest::newRow("no patterns") << none << none << "a/b.txt" << false << false;
    QTest::newRow("name pattern at any depth") << none << tmp << "x/y/z.tmp" << false << true;
    QTest::newRow("name pattern, other ending") << none << tmp << "x/z.tmpl" << false << false;
    QTest::newRow("folder pattern, folder") << none << git << "src/.git" << true << true;
    QTest::newRow("folder pattern, file") << none << git << ".git" << false << false;
    QTest::newRow("path pattern") << none << QStringList{"build/out"} << "build/out" << true
                                  << true;
    QTest::newRow("path pattern, deeper")
        << none << QStringList{"build/out"} << "x/build/out" << true << false;
    QTest::newRow("path star stops at slash")
        << none << QStringList{"src/*.o"} << "src/a/b.o" << false << false;
    QTest::newRow("path star within a folder")
        << none << QStringList{"src/*.o"} << "src/b.o" << false << true;
    QTest::newRow("double star crosses slashes")
        << none << QStringList{"src/**.o"} << "src/a/b.o" << false << true;
    QTest::newRow("leading slash anchors")
        << none << QStringList{"/build/"} << "build" << true << true;
    QTest::newRow("leading slash, deeper")
        << none << QStringList{"/build/"} << "a/build" << true << false;
    QTest::newRow("question mark and set")
        << none << QStringList{"file?.[ch]"} << "d/file1.c" << false << true;
    QTest::newRow("question mark is one character")
        << none << QStringList{"file?.[ch]"} << "file12.c" << false << false;
    QTest::newRow("set range") << none << QStringList{"v[0-9]"} << "v7" << true << true;
    QTest::newRow("negated set") << none << QStringList{"[!a]x"} << "ax" << false << false;
    QTest::newRow("negated set, other") << none << QStringList{"[!a]x"} << "bx" << false << true;
    QTest::newRow("escaped star") << none << QStringList{"a\\*"} << "ab" << false << false;
    QTest::newRow("escaped star, itself") << none << QStringList{"a\\*"} << "a*" << false << true;
    QTest::newRow("unclosed bracket") << none << QStringList{"[ab"} << "[ab" << false << true;
    QTest::newRow("stars, text repeated")
        << none << QStringList{"a*b*c"} << "abxbyc" << false << true;
    QTest::newRow("stars, last text missing")
        << none << QStringList{"a*b*c"} << "abxbyd" << false << false;
    QTest::newRow("case matters") << none << QStringList{"*.TMP"} << "a.tmp" << false << false;
    QTest::newRow("include leaves others out")
        << QStringList{"*.txt"} << none << "notes.md" << false << true;
    QTest::newRow("include lets its files in")
        << QStringList{"*.txt"} << none << "d/a.txt" << false << false;
    QTest::newRow("include keeps folders")
        << QStringList{"*.txt"} << none << "docs" << true << false;
    QTest::newRow("exclude wins over include")
        << QStringList{"*.txt"} << QStringList{"secret*"} << "secret.txt" << false << true;
}

void TestNameFilter::skips() {
    QFETCH(QStringList, include);
    QFETCH(QStringList, exclude);
    QFETCH(QString, path);
    QFETCH(bool, folder);
    QFETCH(bool, skipped);

    const CompiledFilter filter(NameFilter{include, exclude});
    QCOMPARE(filter.skips(path, folder), skipped);
    const QStringView name = QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
    QCOMPARE(filter.skips(QStringView(path), name, folder), skipped);
}

QTEST_GUILESS_MAIN(TestNameFilter)
#include "tst_name_filter.moc"
