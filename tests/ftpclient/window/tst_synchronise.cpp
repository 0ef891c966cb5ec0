// Compare and Synchronise in the real window against a real server: the
// marks both panes show, and the preview whose ticked rows, and only
// those, the queue carries out.
#include "ftp_test_server.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "sync_control.h"
#include "sync_dialog.h"
#include "sync_preview_model.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/browse_together.h"
#include "window/tarlen_frm.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <utime.h>

namespace {

constexpr qint64 kTime = 1700000000; // both sides' files, unless newer

bool setTime(const QString& path, qint64 time) {
    const utimbuf times{time_t(time), time_t(time)};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

// One file on one side: its content and time.
bool place(const QString& root, const QString& path, const QByteArray& content, qint64 time) {
    QDir().mkpath(QFileInfo(root + u'/' + path).path());
    return writeFile(root + u'/' + path, content) && setTime(root + u'/' + path, time);
}

} // namespace

class TestSynchronise : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void compareMarksEveryEntryInBothPanes_data();
    void compareMarksEveryEntryInBothPanes();
    void startDoesTheTickedRowsAndNothingElse_data();
    void startDoesTheTickedRowsAndNothingElse();
    void browsingTogetherFollowsIntoFoldersOfOneName_data();
    void browsingTogetherFollowsIntoFoldersOfOneName();
    void hidingLeavesOutWhatIsTheSame_data();
    void hidingLeavesOutWhatIsTheSame();
    void keysAreOneEach_data();
    void keysAreOneEach();

private:
    bool listed(int pane, const QString& name, bool folder) const;
    void connectAndShowBothRoots();
    bool compare();
    SyncDialog& preview(SyncDirection direction, bool deleteExtra);

    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<FtpTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_local;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestSynchronise::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
}

// Both sides: "same.txt", "sub/same.txt" alike; "sub/changed.txt" of
// another size; "newer.txt" newer here; "older.txt" newer there;
// "here.txt" and "there.txt" on one side each.
void TestSynchronise::init() {
    m_prompter = ScriptedPrompter();
    m_server = std::make_unique<FtpTestServer>(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_local = std::make_unique<QTemporaryDir>();
    const QString local = m_local->path();
    const QString remote = m_server->root();
    for (const QString& root : {local, remote}) {
        QVERIFY(place(root, QStringLiteral("same.txt"), "same", kTime));
        QVERIFY(place(root, QStringLiteral("sub/same.txt"), "same", kTime));
        QVERIFY(place(root, QStringLiteral("alike/same.txt"), "same", kTime));
    }
    QVERIFY(place(local, QStringLiteral("sub/changed.txt"), "local", kTime));
    QVERIFY(place(remote, QStringLiteral("sub/changed.txt"), "remote!", kTime));
    QVERIFY(place(local, QStringLiteral("newer.txt"), "new here", kTime + 3600));
    QVERIFY(place(remote, QStringLiteral("newer.txt"), "old there", kTime));
    QVERIFY(place(local, QStringLiteral("older.txt"), "old here", kTime));
    QVERIFY(place(remote, QStringLiteral("older.txt"), "new there", kTime + 3600));
    QVERIFY(place(local, QStringLiteral("here.txt"), "here", kTime));
    QVERIFY(place(remote, QStringLiteral("there.txt"), "there", kTime));
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->dialogs().chooseDryRunFile = [this](const QString& suggested) {
        return m_config.filePath(suggested);
    };
}

void TestSynchronise::cleanup() {
    m_frm.reset();
    m_server.reset();
}

void TestSynchronise::connectAndShowBothRoots() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(f.parts().localPane->setLocalPath(m_local->path()));
    scriptConnectDialog(f, *m_server);
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QTRY_VERIFY(!f.parts().remotePane->listingPending());
    QTRY_COMPARE(f.parts().localPane->localDirectory(), m_local->path() + u'/');
}

bool TestSynchronise::compare() {
    QSignalSpy compared(&m_frm->sync(), &SyncControl::compared);
    m_frm->sync().Act_Compare_Click();
    return compared.wait(60000);
}

// "pane": 0 local, 1 remote; "mark": the symbol the row shows, "" none.
void TestSynchronise::compareMarksEveryEntryInBothPanes_data() {
    QTest::addColumn<int>("pane");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("mark");
    QTest::newRow("same, here") << 0 << "same.txt" << false << "=";
    QTest::newRow("same, there") << 1 << "same.txt" << false << "=";
    QTest::newRow("newer here") << 0 << "newer.txt" << false << ">";
    QTest::newRow("newer there, seen there") << 1 << "older.txt" << false << "<";
    QTest::newRow("only here") << 0 << "here.txt" << false << "+";
    QTest::newRow("only there") << 1 << "there.txt" << false << "-";
    QTest::newRow("folder with a difference inside") << 1 << "sub" << true << "*";
}

void TestSynchronise::compareMarksEveryEntryInBothPanes() {
    QFETCH(int, pane);
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(QString, mark);
    connectAndShowBothRoots();
    QVERIFY(compare());
    const FilePane& shown = *m_frm->parts().Frm_Local[size_t(pane)];
    const EntryMarks& marks = shown.marks();
    const QHash<QString, EntryMark>& kind = folder ? marks.folders : marks.files;
    QVERIFY2(kind.contains(name), qPrintable(QStringList(kind.keys()).join(u',')));
    QCOMPARE(kind.value(name).symbol, mark);
    // Compare again takes the marks away.
    m_frm->sync().Act_Compare_Click();
    QVERIFY(shown.marks().empty());
}

SyncDialog& TestSynchronise::preview(SyncDirection direction, bool deleteExtra) {
    m_frm->sync().Act_Synchronise_Click();
    SyncDialog& dialog = *m_frm->sync().dialog();
    SyncOptions options = dialog.options();
    options.direction = direction;
    options.deleteExtra = deleteExtra;
    dialog.setOptions(options);
    QSignalSpy compared(&m_frm->sync(), &SyncControl::compared);
    dialog.Cmd_Preview->click();
    compared.wait(60000);
    return dialog;
}

// "untick": a path whose row is left out; "local"/"remote": what each side
// holds afterwards, file by file ("name=content", "name" alone: missing).
void TestSynchronise::startDoesTheTickedRowsAndNothingElse_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("deleteExtra");
    QTest::addColumn<QString>("untick");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QStringList>("remote");
    QTest::newRow("local to server, deleting")
        << int(SyncDirection::LocalToRemote) << true << "sub/changed.txt"
        << QStringList{"here.txt=here", "there.txt"}
        << QStringList{"here.txt=here", "newer.txt=new here", "older.txt=new there",
                       "sub/changed.txt=remote!", "there.txt"};
    QTest::newRow("server to local, keeping")
        << int(SyncDirection::RemoteToLocal) << false << ""
        << QStringList{"there.txt=there", "here.txt=here", "older.txt=new there",
                       "sub/changed.txt=remote!"}
        << QStringList{"here.txt"};
    QTest::newRow("both ways") << int(SyncDirection::BothByNewest) << false << "newer.txt"
                               << QStringList{"there.txt=there", "older.txt=new there"}
                               << QStringList{"here.txt=here", "newer.txt=old there"};
}

void TestSynchronise::startDoesTheTickedRowsAndNothingElse() {
    QFETCH(int, direction);
    QFETCH(bool, deleteExtra);
    QFETCH(QString, untick);
    QFETCH(QStringList, local);
    QFETCH(QStringList, remote);
    connectAndShowBothRoots();
    SyncDialog& dialog = preview(SyncDirection(direction), deleteExtra);
    QVERIFY(!dialog.plan().actions.empty());
    SyncPreviewModel& model = dialog.preview();
    const QModelIndex copies = model.index(SyncPreviewModel::Copies, 0);
    for (int row = 0; row < model.rowCount(copies); ++row)
        if (model.index(row, SyncPreviewModel::PathColumn, copies).data() == untick)
            QVERIFY(model.setData(model.index(row, 0, copies), Qt::Unchecked, Qt::CheckStateRole));

    dialog.Cmd_DryRun->click();
    const QByteArray dryRun = readFile(m_config.filePath(QStringLiteral("synchronise.txt")));
    QVERIFY2(untick.isEmpty() || dryRun.contains("skip-"), dryRun.constData());
    dialog.Cmd_Start->click();
    QVERIFY(QTest::qWaitFor([this] { return m_frm->queue().idle(); }, 60000));

    const auto check = [](const QString& root, const QStringList& expected) {
        for (const QString& file : expected) {
            const QString name = file.section(u'=', 0, 0);
            const QByteArray content =
                file.contains(u'=') ? file.section(u'=', 1).toUtf8() : QByteArray("<missing>");
            if (readFile(root + u'/' + name) != content)
                return name;
        }
        return QString();
    };
    QCOMPARE(check(m_local->path(), local), QString());
    QCOMPARE(check(m_server->root(), remote), QString());
}

// "moves": the pane the user moves in (0 local, 1 remote) and where, as a
// path below the compared folders ("" the folders themselves); "other":
// where the other pane is then, below its own.
void TestSynchronise::browsingTogetherFollowsIntoFoldersOfOneName_data() {
    QTest::addColumn<int>("pane");
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("other");
    QTest::newRow("local into a folder both have") << 0 << QStringList{"sub"} << "sub";
    QTest::newRow("server into a folder both have") << 1 << QStringList{"sub"} << "sub";
    QTest::newRow("into a folder the other lacks") << 0 << QStringList{"lone"} << "";
    QTest::newRow("in and up again") << 0 << QStringList{"sub", ""} << "";
}

void TestSynchronise::browsingTogetherFollowsIntoFoldersOfOneName() {
    QFETCH(int, pane);
    QFETCH(QStringList, moves);
    QFETCH(QString, other);
    QVERIFY(QDir(m_local->path()).mkpath(QStringLiteral("lone")));
    connectAndShowBothRoots();
    TARLEN_Frm& f = *m_frm;
    const QString roots[] = {m_local->path(), m_server->loginDir()};
    const auto at = [&roots](int side, const QString& below) {
        QString root = roots[side];
        if (root.endsWith(u'/') && root.size() > 1)
            root.chop(1);
        return below.isEmpty() ? root : (root == u"/" ? root : root + u'/') + below;
    };
    const auto plain = [](QString folder) {
        return folder.size() > 1 && folder.endsWith(u'/') ? folder.chopped(1) : folder;
    };
    f.browseTogether().setOn(true);
    FilePane& moving = *f.parts().Frm_Local[size_t(pane)];
    FilePane& following = *f.parts().Frm_Local[size_t(1 - pane)];
    for (const QString& move : moves) {
        moving.openFolder(at(pane, move));
        QTRY_COMPARE(plain(moving.shownFolder()), at(pane, move));
        QVERIFY(waitUntilIdle(f.session()));
        QTRY_VERIFY(!f.parts().remotePane->listingPending());
    }
    QTRY_COMPARE(plain(following.shownFolder()), at(1 - pane, other));
}

// Whether a pane's lists show the entry `name` now.
bool TestSynchronise::listed(int pane, const QString& name, bool folder) const {
    const FilePane& shown = *m_frm->parts().Frm_Local[size_t(pane)];
    if (!folder) {
        for (int row = 0; row < shown.LstX_Files->ListCount(); ++row)
            if (shown.LstX_Files->List(row).section(u'\t', 0, 0) == name)
                return true;
        return false;
    }
    const QListWidget* list = pane == 0 ? static_cast<QListWidget*>(m_frm->parts().localPane->Dir1)
                                        : m_frm->parts().remotePane->Lst_Remote_Dir;
    for (int row = 0; row < list->count(); ++row) {
        const QString data = list->item(row)->data(Qt::UserRole).toString();
        if ((data.endsWith(u'/' + name) || data == name + u'/') && !list->item(row)->isHidden())
            return true;
    }
    return false;
}

// "shown": whether the entry stays in the list while what is the same is
// hidden; once hiding is off again every entry is back.
void TestSynchronise::hidingLeavesOutWhatIsTheSame_data() {
    QTest::addColumn<int>("pane");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("shown");
    QTest::newRow("same file, here") << 0 << "same.txt" << false << false;
    QTest::newRow("same file, there") << 1 << "same.txt" << false << false;
    QTest::newRow("newer here") << 0 << "newer.txt" << false << true;
    QTest::newRow("only there") << 1 << "there.txt" << false << true;
    QTest::newRow("folder alike throughout, here") << 0 << "alike" << true << false;
    QTest::newRow("folder alike throughout, there") << 1 << "alike" << true << false;
    QTest::newRow("folder with a difference inside") << 1 << "sub" << true << true;
}

void TestSynchronise::hidingLeavesOutWhatIsTheSame() {
    QFETCH(int, pane);
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(bool, shown);
    connectAndShowBothRoots();
    QVERIFY(listed(pane, name, folder));
    m_frm->sync().setHidingSame(true);
    QVERIFY(listed(pane, name, folder)); // nothing is hidden before a comparison
    QVERIFY(compare());
    QTRY_COMPARE(listed(pane, name, folder), shown);
    // Another order, and the same folder listed again, still leave it out.
    FilePane& list = *m_frm->parts().Frm_Local[size_t(pane)];
    list.Cmd_Files_Click(pane == 0 ? 1 : 3);
    QTRY_COMPARE(listed(pane, name, folder), shown);
    list.refreshKeepingView();
    QVERIFY(waitUntilIdle(m_frm->session()));
    QTRY_VERIFY(!m_frm->parts().remotePane->listingPending());
    QTRY_COMPARE(listed(pane, name, folder), shown);
    m_frm->sync().setHidingSame(false);
    QTRY_VERIFY(listed(pane, name, folder));
}

void TestSynchronise::keysAreOneEach_data() {
    QTest::addColumn<bool>("menu");
    QTest::newRow("the Synchronise dialog") << false;
    QTest::newRow("the menu under the arrows") << true;
}

// No two of the dialog's controls, and no two of the menu's entries, answer
// to the same key.
void TestSynchronise::keysAreOneEach() {
    QFETCH(bool, menu);
    QStringList texts;
    if (menu) {
        for (const QAction* action : m_frm->parts().Cmd_Menu->menu()->actions())
            texts << action->text();
    } else {
        const SyncDialog dialog;
        for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            texts << button->text();
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
    }
    QMap<QKeySequence, QString> owners;
    for (const QString& text : texts) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            continue;
        QVERIFY2(!owners.contains(key),
                 qPrintable(QStringLiteral("\"%1\" and \"%2\" share %3")
                                .arg(owners.value(key), text, key.toString())));
        owners.insert(key, text);
    }
    QVERIFY(owners.size() >= (menu ? 8 : 10));
}

QTEST_MAIN(TestSynchronise)
#include "tst_synchronise.moc"
