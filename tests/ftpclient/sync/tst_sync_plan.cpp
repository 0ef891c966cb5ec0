// The preview's rows: what each verdict becomes in each direction, folders
// only on the source side, deletions and their order, names the target side
// cannot hold, the order of the kinds, the totals, the dry-run text of tricky
// names.
#include "content_comparison.h"
#include "dry_run.h"
#include "folder_compare.h"
#include "raw_names.h"
#include "sync_plan.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(SyncDirection)
Q_DECLARE_METATYPE(ActionKind)
Q_DECLARE_METATYPE(ContentResult::Outcome)

namespace {

constexpr qint64 moment = 1'700'000'000;
const auto toRemote = SyncDirection::LocalToRemote;
const auto toLocal = SyncDirection::RemoteToLocal;
const auto bothWays = SyncDirection::BothByNewest;

// A side's tree from "path" -> names; a name ending in "/" is a folder.
// Files have 10 bytes and one time.
SideTree tree(const QHash<QString, QStringList>& folders) {
    SideTree made;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        SideFolder& side = made[it.key()];
        for (QString name : it.value()) {
            SideEntry entry;
            entry.folder = name.endsWith(u'/');
            if (entry.folder)
                name.chop(1);
            entry.name = name;
            entry.size = entry.folder ? -1 : 10;
            entry.modified = entry.folder ? -1 : moment;
            side.entries.push_back(entry);
        }
    }
    return made;
}

void touch(SideTree& tree, const QString& folder, const QString& name, qint64 size,
           qint64 modified) {
    for (SideEntry& entry : tree[folder].entries)
        if (entry.name == name) {
            entry.size = size;
            entry.modified = modified;
        }
}

SyncOptions options(SyncDirection direction, bool deleteExtra = false, bool recursive = true) {
    SyncOptions made;
    made.direction = direction;
    made.deleteExtra = deleteExtra;
    made.recursive = recursive;
    return made;
}

SyncPlan plan(const SideTree& local, const SideTree& remote, const SyncOptions& options) {
    return planSync(compareTrees(local, remote, options.rules, CompiledFilter()), options);
}

// "action path", a folder's path ending in "/".
QStringList rowsOf(const SyncPlan& plan) {
    QStringList rows;
    for (const SyncAction& action : plan.actions)
        rows << actionWord(action.kind) + u' ' + action.path +
                    (action.folder ? QStringLiteral("/") : QString());
    return rows;
}

} // namespace

class TestSyncPlan : public QObject {
    Q_OBJECT

private slots:
    void rowPerContentOutcome_data();
    void rowPerContentOutcome();
    void rowPerVerdict_data();
    void rowPerVerdict();
    void folderOnlyOnSource_data();
    void folderOnlyOnSource();
    void deletions_data();
    void deletions();
    void namesTheTargetCannotHold_data();
    void namesTheTargetCannotHold();
    void listingNotReadWhole_data();
    void listingNotReadWhole();
    void nothingThroughALocalLink_data();
    void nothingThroughALocalLink();
    void kindsInOrder_data();
    void kindsInOrder();
    void totalsCountChosenRows();
    void dryRunLine_data();
    void dryRunLine();
};

// d/f, of one size on both sides, after its checksums: the row it gets,
// and whether its folder is marked as holding differences.
void TestSyncPlan::rowPerContentOutcome_data() {
    QTest::addColumn<ContentResult::Outcome>("outcome");
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<qint64>("localLater"); // seconds
    QTest::addColumn<ActionKind>("kind");
    QTest::addColumn<QString>("reason"); // a part of it

    using O = ContentResult::Outcome;
    using A = ActionKind;
    QTest::newRow("up: other contents, same time")
        << O::Differ << toRemote << qint64(0) << A::Upload << "other contents";
    QTest::newRow("down: other contents, same time")
        << O::Differ << toLocal << qint64(0) << A::Download << "other contents";
    QTest::newRow("both: other contents, newer here")
        << O::Differ << bothWays << qint64(60) << A::Upload << "other contents";
    QTest::newRow("both: other contents, newer there")
        << O::Differ << bothWays << qint64(-60) << A::Download << "other contents";
    QTest::newRow("both: other contents, same time")
        << O::Differ << bothWays << qint64(0) << A::Problem << "same time";
    QTest::newRow("up: same contents, newer here")
        << O::Same << toRemote << qint64(60) << A::Leave << "same contents";
    QTest::newRow("up: not known, same size and time")
        << O::NotKnown << toRemote << qint64(0) << A::Problem << "contents not compared";
    QTest::newRow("up: not known, newer here")
        << O::NotKnown << toRemote << qint64(60) << A::Upload << "contents not compared";
}

void TestSyncPlan::rowPerContentOutcome() {
    QFETCH(ContentResult::Outcome, outcome);
    QFETCH(SyncDirection, direction);
    QFETCH(qint64, localLater);
    QFETCH(ActionKind, kind);
    QFETCH(QString, reason);

    SideTree local = tree({{"", {"d/"}}, {"d", {"f"}}});
    const SideTree remote = tree({{"", {"d/"}}, {"d", {"f"}}});
    touch(local, "d", "f", 10, moment + localLater);
    const SyncOptions chosen = options(direction);
    ComparedTree compared = compareTrees(local, remote, chosen.rules, CompiledFilter());
    const std::vector<ContentCandidate> candidates = contentCandidates(compared);
    QCOMPARE(candidates.size(), size_t(1));
    applyContentResults(
        compared, {{candidates[0].folder, candidates[0].name, outcome, QStringLiteral("SHA-256")}});

    const SyncPlan made = planSync(compared, chosen);
    QCOMPARE(rowsOf(made), QStringList{actionWord(kind) + QStringLiteral(" d/f")});
    QVERIFY2(made.actions.front().reason.contains(reason), qPrintable(made.actions.front().reason));
    QCOMPARE(compared.value(QString()).entries.front().containsDifferences,
             kind != ActionKind::Leave);
}

void TestSyncPlan::rowPerVerdict_data() {
    QTest::addColumn<Verdict>("verdict");
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("deleteExtra");
    QTest::addColumn<ActionKind>("kind");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<qint64>("bytes"); // here 100, on the server 200

    using V = Verdict;
    using A = ActionKind;
    QTest::newRow("up: only here")
        << V::OnlyLocal << toRemote << false << A::Upload << true << qint64(100);
    QTest::newRow("up: newer here")
        << V::NewerLocal << toRemote << false << A::Upload << true << qint64(100);
    QTest::newRow("up: other size")
        << V::SizeDiffers << toRemote << false << A::Upload << true << qint64(100);
    QTest::newRow("up: newer there")
        << V::NewerRemote << toRemote << false << A::Upload << false << qint64(100);
    QTest::newRow("up: only there")
        << V::OnlyRemote << toRemote << false << A::KeepExtra << true << qint64(0);
    QTest::newRow("up: only there, deleting")
        << V::OnlyRemote << toRemote << true << A::DeleteRemote << true << qint64(0);
    QTest::newRow("up: same") << V::Same << toRemote << true << A::Leave << true << qint64(0);
    QTest::newRow("down: only there")
        << V::OnlyRemote << toLocal << false << A::Download << true << qint64(200);
    QTest::newRow("down: newer there")
        << V::NewerRemote << toLocal << false << A::Download << true << qint64(200);
    QTest::newRow("down: other size")
        << V::SizeDiffers << toLocal << false << A::Download << true << qint64(200);
    QTest::newRow("down: newer here")
        << V::NewerLocal << toLocal << false << A::Download << false << qint64(200);
    QTest::newRow("down: only here")
        << V::OnlyLocal << toLocal << false << A::KeepExtra << true << qint64(0);
    QTest::newRow("down: only here, deleting")
        << V::OnlyLocal << toLocal << true << A::DeleteLocal << true << qint64(0);
    QTest::newRow("both: only here")
        << V::OnlyLocal << bothWays << true << A::Upload << true << qint64(100);
    QTest::newRow("both: only there")
        << V::OnlyRemote << bothWays << true << A::Download << true << qint64(200);
    QTest::newRow("both: newer here")
        << V::NewerLocal << bothWays << false << A::Upload << true << qint64(100);
    QTest::newRow("both: newer there")
        << V::NewerRemote << bothWays << false << A::Download << true << qint64(200);
    QTest::newRow("both: same time, other size")
        << V::SizeDiffers << bothWays << false << A::Problem << true << qint64(0);
}

void TestSyncPlan::rowPerVerdict() {
    QFETCH(Verdict, verdict);
    QFETCH(SyncDirection, direction);
    QFETCH(bool, deleteExtra);
    QFETCH(ActionKind, kind);
    QFETCH(bool, chosen);
    QFETCH(qint64, bytes);

    SideTree local = tree({{"", {"f"}}});
    SideTree remote = tree({{"", {"f"}}});
    touch(local, "", "f", 100, moment);
    touch(remote, "", "f", verdict == Verdict::Same ? 100 : 200, moment);
    if (verdict == Verdict::NewerLocal)
        touch(local, "", "f", 100, moment + 60);
    if (verdict == Verdict::NewerRemote)
        touch(remote, "", "f", 200, moment + 60);
    if (verdict == Verdict::OnlyLocal)
        remote[""].entries.clear();
    if (verdict == Verdict::OnlyRemote)
        local[""].entries.clear();

    const SyncPlan made = plan(local, remote, options(direction, deleteExtra));
    QCOMPARE(made.actions.size(), size_t(1));
    const SyncAction& action = made.actions.front();
    QCOMPARE(actionWord(action.kind), actionWord(kind));
    QCOMPARE(action.chosen, chosen);
    QCOMPARE(action.bytes, bytes);
    QVERIFY(!action.reason.isEmpty());
    QCOMPARE(action.path, QStringLiteral("f"));
}

void TestSyncPlan::folderOnlyOnSource_data() {
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("up") << toRemote << true
                        << QStringList{"upload new/", "upload new/a", "upload new/sub/",
                                       "upload new/sub/b", "upload top"};
    QTest::newRow("up, not recursive") << toRemote << false << QStringList{"upload top"};
    QTest::newRow("both ways") << bothWays << true
                               << QStringList{"upload new/", "upload new/a", "upload new/sub/",
                                              "upload new/sub/b", "upload top"};
    QTest::newRow("down") << toLocal << true
                          << QStringList{"delete-local new/a", "delete-local new/sub/b",
                                         "delete-local top", "delete-local new/sub/",
                                         "delete-local new/"};
}

void TestSyncPlan::folderOnlyOnSource() {
    QFETCH(SyncDirection, direction);
    QFETCH(bool, recursive);
    QFETCH(QStringList, rows);

    const SideTree local =
        tree({{"", {"new/", "top"}}, {"new", {"sub/", "a"}}, {"new/sub", {"b"}}});
    const SyncPlan made = plan(local, tree({{"", {}}}), options(direction, true, recursive));
    QCOMPARE(rowsOf(made), rows);
}

void TestSyncPlan::deletions_data() {
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("deleteExtra");
    QTest::addColumn<QString>("deep"); // how old/deep was read: "read", "not read", "error"
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("files, then folders deepest first")
        << toRemote << true << QStringLiteral("read")
        << QStringList{"delete-remote old/deep/deeper/z",
                       "delete-remote old/deep/y",
                       "delete-remote old/x",
                       "delete-remote stale",
                       "delete-remote old/deep/deeper/",
                       "delete-remote old/deep/",
                       "delete-remote old/",
                       "leave same"};
    QTest::newRow("deleting not asked for") << toRemote << false << QStringLiteral("read")
                                            << QStringList{"keep old/", "keep stale", "leave same"};
    QTest::newRow("a folder not read stays")
        << toRemote << true << QStringLiteral("not read")
        << QStringList{"delete-remote old/x", "delete-remote stale", "problem old/deep/",
                       "problem old/", "leave same"};
    QTest::newRow("a folder that could not be read stays")
        << toRemote << true << QStringLiteral("error")
        << QStringList{"delete-remote old/x", "delete-remote stale", "problem old/deep/",
                       "problem old/", "leave same"};
    QTest::newRow("both ways never delete") << bothWays << true << QStringLiteral("read")
                                            << QStringList{"download old/",
                                                           "download old/deep/",
                                                           "download old/deep/deeper/",
                                                           "download old/deep/deeper/z",
                                                           "download old/deep/y",
                                                           "download old/x",
                                                           "download stale",
                                                           "leave same"};
}

void TestSyncPlan::deletions() {
    QFETCH(SyncDirection, direction);
    QFETCH(bool, deleteExtra);
    QFETCH(QString, deep);
    QFETCH(QStringList, rows);

    SideTree remote = tree({{"", {"old/", "stale", "same"}},
                            {"old", {"x", "deep/"}},
                            {"old/deep", {"y", "deeper/"}},
                            {"old/deep/deeper", {"z"}}});
    if (deep != u"read")
        remote.remove("old/deep");
    if (deep == u"error")
        remote["old/deep"].error = QStringLiteral("550 No access");
    const SyncPlan made = plan(tree({{"", {"same"}}}), remote, options(direction, deleteExtra));
    QCOMPARE(rowsOf(made), rows);
}

void TestSyncPlan::namesTheTargetCannotHold_data() {
    QTest::addColumn<QString>("name"); // ending in "/" for a folder holding "f"
    QTest::addColumn<bool>("onServer");
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<QStringList>("rows");

    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("line feed, up") << "a\nb" << false << toRemote << QStringList{"problem a\nb"};
    QTest::newRow("carriage return, up")
        << "a\rb" << false << toRemote << QStringList{"problem a\rb"};
    QTest::newRow("NUL, up") << nul << false << toRemote << QStringList{"problem " + nul};
    QTest::newRow("dot, up") << "." << false << toRemote << QStringList{"problem ."};
    QTest::newRow("dot dot, down") << ".." << true << toLocal << QStringList{"problem .."};
    QTest::newRow("empty, down") << "" << true << toLocal << QStringList{"problem "};
    QTest::newRow("slash, down") << "a/b" << true << toLocal << QStringList{"problem a/b"};
    QTest::newRow("line feed, down") << "a\nb" << true << toLocal << QStringList{"problem a\nb"};
    QTest::newRow("escape byte, down")
        << "a\x1b[2Jb" << true << toLocal << QStringList{"problem a\x1b[2Jb"};
    QTest::newRow("DEL, down") << "a\x7f" << true << toLocal << QStringList{"problem a\x7f"};
    QTest::newRow("slash, deleted on the server")
        << "../x" << true << toRemote << QStringList{"problem ../x"};
    QTest::newRow("slash, up") << "a/b" << false << toRemote << QStringList{"problem a/b"};
    QTest::newRow("line feed, deleted on the server")
        << "a\nb" << true << toRemote << QStringList{"problem a\nb"};
    QTest::newRow("folder that cannot be made")
        << "bad\n/" << false << toRemote << QStringList{"problem bad\n/", "problem bad\n/f"};
    QTest::newRow("plain name") << "ok" << false << toRemote << QStringList{"upload ok"};
}

void TestSyncPlan::namesTheTargetCannotHold() {
    QFETCH(QString, name);
    QFETCH(bool, onServer);
    QFETCH(SyncDirection, direction);
    QFETCH(QStringList, rows);

    SideTree source = tree({{"", {name}}});
    if (name.endsWith(u'/'))
        source.insert(name.chopped(1), tree({{"", {"f"}}}).value(""));
    const SideTree empty = tree({{"", {}}});
    const SyncOptions chosen = options(direction, true);
    const SyncPlan made = onServer ? plan(empty, source, chosen) : plan(source, empty, chosen);
    QCOMPARE(rowsOf(made), rows);
}

// The server's listing of the folder left two lines out: a row says so, and
// what seems to be only on the local side is not deleted for it.
void TestSyncPlan::listingNotReadWhole_data() {
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("down, deleting") << toLocal << QStringList{"problem /", "problem here"};
    QTest::newRow("up") << toRemote << QStringList{"upload here", "problem /"};
}

void TestSyncPlan::listingNotReadWhole() {
    QFETCH(SyncDirection, direction);
    QFETCH(QStringList, rows);
    SideTree remote = tree({{"", {}}});
    remote[""].leftOut = 2;
    const SyncPlan made = plan(tree({{"", {"here"}}}), remote, options(direction, true));
    QCOMPARE(rowsOf(made), rows);
    QVERIFY(made.actions[size_t(rows.indexOf("problem /"))].reason.contains(u'2'));
}

// "d" is a local folder that is a link to elsewhere: what would be written
// or deleted through it is a problem; reading through it is not.
void TestSyncPlan::nothingThroughALocalLink_data() {
    QTest::addColumn<QStringList>("localInD");  // what the linked folder holds
    QTest::addColumn<QStringList>("remoteInD"); // what the server's "d" holds
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("deleteExtra");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("download into it")
        << QStringList{} << QStringList{"f"} << toLocal << false << QStringList{"problem d/f"};
    QTest::newRow("download of a folder into it")
        << QStringList{} << QStringList{"e/"} << toLocal << false << QStringList{"problem d/e/"};
    QTest::newRow("newer there, both ways") << QStringList{"old"} << QStringList{"old"} << bothWays
                                            << false << QStringList{"problem d/old"};
    QTest::newRow("deleting in it")
        << QStringList{"x"} << QStringList{} << toLocal << true << QStringList{"problem d/x"};
    QTest::newRow("upload from it")
        << QStringList{"x"} << QStringList{} << toRemote << true << QStringList{"upload d/x"};
    QTest::newRow("deleting the link itself")
        << QStringList{} << QStringList{} << toLocal << true << QStringList{"problem d/"};
}

void TestSyncPlan::nothingThroughALocalLink() {
    QFETCH(QStringList, localInD);
    QFETCH(QStringList, remoteInD);
    QFETCH(SyncDirection, direction);
    QFETCH(bool, deleteExtra);
    QFETCH(QStringList, rows);
    const bool extra = localInD.isEmpty() && remoteInD.isEmpty();
    SideTree local = tree({{"", {"d/"}}, {"d", localInD}});
    local[""].entries.front().link = true;
    SideTree remote = extra ? tree({{"", {}}}) : tree({{"", {"d/"}}, {"d", remoteInD}});
    for (const QString& name : remoteInD)
        if (name.endsWith(u'/'))
            remote.insert("d/" + name.chopped(1), tree({{"", {}}}).value(""));
    touch(remote, "d", "old", 10, moment + 3600);
    const SyncPlan made = plan(local, remote, options(direction, deleteExtra));
    QCOMPARE(rowsOf(made), rows);
}

void TestSyncPlan::kindsInOrder_data() {
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("deleteExtra");

    QTest::newRow("up, deleting") << toRemote << true;
    QTest::newRow("up, keeping") << toRemote << false;
    QTest::newRow("down, deleting") << toLocal << true;
    QTest::newRow("both ways") << bothWays << false;
}

// Transfers, deletions, kept extras, problems, then what is left alone.
void TestSyncPlan::kindsInOrder() {
    QFETCH(SyncDirection, direction);
    QFETCH(bool, deleteExtra);

    SideTree local = tree(
        {{"", {"aa", "same", "zz/", "Case", "differs", "mine", "oldest"}}, {"zz", {"inside"}}});
    SideTree remote = tree({{"", {"bb", "same", "case", "differs", "mine/", "oldest", "yy/"}},
                            {"yy", {"inside"}},
                            {"mine", {}}});
    touch(remote, "", "differs", 11, moment);
    touch(remote, "", "oldest", 10, moment + 100);
    const SyncPlan made = plan(local, remote, options(direction, deleteExtra));

    const auto rank = [](ActionKind kind) {
        if (isTransfer(kind))
            return 0;
        if (kind == ActionKind::DeleteLocal || kind == ActionKind::DeleteRemote)
            return 1;
        return kind == ActionKind::KeepExtra ? 2 : kind == ActionKind::Problem ? 3 : 4;
    };
    QSet<int> seen;
    int last = 0;
    for (const SyncAction& action : made.actions) {
        QVERIFY2(rank(action.kind) >= last, qPrintable(rowsOf(made).join(u", ")));
        last = rank(action.kind);
        seen.insert(last);
    }
    QVERIFY(seen.contains(0) && seen.contains(3) && seen.contains(4));
}

void TestSyncPlan::totalsCountChosenRows() {
    SideTree local = tree({{"", {"a", "b", "dir/", "same"}}, {"dir", {"c"}}});
    const SideTree remote = tree({{"", {"b", "same"}}});
    touch(local, "", "a", 100, moment);
    touch(local, "", "b", 50, moment - 100);
    touch(local, "dir", "c", 7, moment);
    SyncPlan made = plan(local, remote, options(toRemote));

    SyncTotals totals = totalsOf(made);
    QCOMPARE(totals.of(ActionKind::Upload).files, 2);
    QCOMPARE(totals.of(ActionKind::Upload).folders, 1);
    QCOMPARE(totals.of(ActionKind::Upload).bytes, 107);
    QCOMPARE(totals.of(ActionKind::Leave).files, 1);

    for (SyncAction& action : made.actions)
        action.chosen = action.chosen && action.path != u"a";
    totals = totalsOf(made);
    QCOMPARE(totals.of(ActionKind::Upload).files, 1);
    QCOMPARE(totals.of(ActionKind::Upload).bytes, 7);
}

void TestSyncPlan::dryRunLine_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("line");

    const QString why = QStringLiteral("why");
    QTest::newRow("plain") << "d/a.txt" << false << true << why << "upload\td/a.txt\t5\twhy";
    QTest::newRow("folder") << "d" << true << true << why << "upload\td/\t5\twhy";
    QTest::newRow("left out") << "a" << false << false << why << "skip-upload\ta\t5\twhy";
    QTest::newRow("tab") << "a\tb" << false << true << why << "upload\t\"a\\tb\"\t5\twhy";
    QTest::newRow("line feed and return")
        << "a\n\rb" << false << true << why << "upload\t\"a\\n\\rb\"\t5\twhy";
    QTest::newRow("quote") << "say \"hi\"" << false << true << why
                           << "upload\t\"say \\\"hi\\\"\"\t5\twhy";
    QTest::newRow("backslash") << "a\\b" << false << true << why << "upload\t\"a\\\\b\"\t5\twhy";
    QTest::newRow("space at the start") << " a" << false << true << why << "upload\t\" a\"\t5\twhy";
    QTest::newRow("space inside") << "a b" << false << true << why << "upload\ta b\t5\twhy";
    QTest::newRow("byte that is not UTF-8")
        << RawName::decode("caf\xe9") << false << true << why << "upload\t\"caf\\xE9\"\t5\twhy";
    QTest::newRow("DEL") << "a\x7f" << false << true << why << "upload\t\"a\\u{007F}\"\t5\twhy";
    QTest::newRow("beyond ASCII") << "é 😀" << false << true << why << "upload\té 😀\t5\twhy";
    QTest::newRow("folder with a tab")
        << "d\te" << true << true << why << "upload\t\"d\\te/\"\t5\twhy";
    QTest::newRow("reason with a line feed") << "a" << false << true << "from \"x\ny\""
                                             << "upload\ta\t5\t\"from \\\"x\\ny\\\"\"";
}

void TestSyncPlan::dryRunLine() {
    QFETCH(QString, path);
    QFETCH(bool, folder);
    QFETCH(bool, chosen);
    QFETCH(QString, reason);
    QFETCH(QString, line);

    SyncAction action;
    action.kind = ActionKind::Upload;
    action.path = path;
    action.folder = folder;
    action.chosen = chosen;
    action.bytes = 5;
    action.reason = reason;
    const QString text = dryRunText(SyncPlan{{action}});

    QStringList rows;
    for (const QString& written : text.split(u'\n', Qt::SkipEmptyParts))
        if (!written.startsWith(u'#'))
            rows << written;
    QCOMPARE(rows, QStringList{line});
    QCOMPARE(rows.front().count(u'\t'), 3);
    QVERIFY(text.startsWith(u'#'));
}

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_sync_plan.moc"
