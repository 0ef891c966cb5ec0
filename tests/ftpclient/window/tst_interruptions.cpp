// Close, Cancel and closing the window at every step of a login, of a
// listing and of a delete of several files. pyftpdlib answers behind a
// doorway that holds its answer at the step until the test has acted, then
// lets it through late.
#include "common/client_errors.h"
#include "ftp_test_server.h"
#include "holding_proxy.h"
#include "panes/remote_pane.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Where the interrupted work was when the answer was held.
enum Phase { Login, Listing, RemoveDirectory, DeleteFiles };
enum class Action { Close, Cancel, CloseWindow };

QStringList sortedNames(QStringList names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QStringList shownFiles(const CVantelCtrl* list) {
    QStringList names;
    for (int i = 0; i < list->ListCount(); ++i)
        names << list->List(i);
    return sortedNames(names);
}

QString lines(const QList<QByteArray>& commands) {
    QStringList text;
    for (const QByteArray& line : commands)
        text << QString::fromLatin1(line);
    return text.join(QStringLiteral(" | "));
}

} // namespace

class TestInterruptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void closeStopsEveryStep_data() { addSteps(); }
    void closeStopsEveryStep();
    void cancelStopsEveryStep_data() { addSteps(); }
    void cancelStopsEveryStep();
    void closingTheWindowStopsEveryStep_data() { addSteps(); }
    void closingTheWindowStopsEveryStep();

private:
    static void addSteps();
    // Connects and, for a remove, enters the folder; the row's step is
    // then started and the doorway holds at it, where `action` is done.
    void interrupt(Action action);
    void connectAndWait();
    void startPhase(int phase);
    void act(Action action);
    // Waits until the client holds no connection open: whatever the
    // interrupted work would still have sent has come by then.
    bool allConnectionsClosed() {
        return QTest::qWaitFor([this] { return m_proxy->openConnections() == 0; });
    }
    QStringList filesOnServer() const {
        return sortedNames(QDir(m_server.root()).entryList(QDir::Files));
    }
    // Those of `kept` (paths under the server's root) no longer there.
    QStringList missing(const QStringList& kept) const;
    bool destroyedNothingMore() const;

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<HoldingProxy> m_proxy;
    std::unique_ptr<TARLEN_Frm> m_frm;
    bool m_acted = false;
    QString m_buttonWhenHeld;
    bool m_cancelShownWhenHeld = false;
};

void TestInterruptions::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestInterruptions::init() {
    QDir(m_server.root()).removeRecursively();
    QDir().mkpath(m_server.root());
    for (const char* name :
         {"one.txt", "two.txt", "three.txt", "stays.txt", "gone/a.txt", "gone/b.txt", "gone/c.txt"})
        QVERIFY(m_server.writeFile(QString::fromUtf8(name), name));
    m_prompter = ScriptedPrompter();
    m_proxy = std::make_unique<HoldingProxy>(m_server.port());
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->settingsStore().setFile(m_config.filePath(QStringLiteral("interruptions.ini")));
    m_frm->Form_Load();
    m_frm->show();
    scriptConnectDialog(*m_frm, m_proxy->address(), m_server.userName(), m_server.password());
    m_acted = false;
    m_buttonWhenHeld.clear();
    m_cancelShownWhenHeld = false;
}

void TestInterruptions::cleanup() {
    m_frm.reset();
    m_proxy.reset();
    // A row that failed may have left the pointer busy; the next starts
    // without.
    setBusyPointer(false);
}

// The steps: the verb whose answer is held, which of them, and whether the
// data of a listing is cut off half-way; the files that must outlive an
// interrupted delete.
void TestInterruptions::addSteps() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<bool>("midData");
    QTest::addColumn<QStringList>("kept");
    const QStringList none{"stays.txt"};
    const QByteArray listing("LIST|MLSD");
    QTest::newRow("login, before the greeting") << int(Login) << QByteArray() << 1 << false << none;
    QTest::newRow("login, after USER") << int(Login) << QByteArray("USER") << 1 << false << none;
    QTest::newRow("login, after PASS") << int(Login) << QByteArray("PASS") << 1 << false << none;
    QTest::newRow("login, at PWD") << int(Login) << QByteArray("PWD") << 1 << false << none;
    QTest::newRow("login, listing at EPSV")
        << int(Login) << QByteArray("EPSV") << 1 << false << none;
    QTest::newRow("login, listing mid-data") << int(Login) << listing << 1 << true << none;
    QTest::newRow("listing, at EPSV") << int(Listing) << QByteArray("EPSV") << 1 << false << none;
    QTest::newRow("listing, mid-data") << int(Listing) << listing << 1 << true << none;
    QTest::newRow("remove directory, first DELE")
        << int(RemoveDirectory) << QByteArray("DELE") << 1 << false
        << QStringList{"stays.txt", "gone/b.txt", "gone/c.txt"};
    QTest::newRow("remove directory, middle DELE")
        << int(RemoveDirectory) << QByteArray("DELE") << 2 << false
        << QStringList{"stays.txt", "gone/c.txt"};
    QTest::newRow("remove directory, RMD")
        << int(RemoveDirectory) << QByteArray("RMD") << 1 << false << none;
    QTest::newRow("remove directory, listing the parent")
        << int(RemoveDirectory) << QByteArray("EPSV") << 1 << false << none;
    // Selected in the list's order: one.txt, three.txt, two.txt.
    QTest::newRow("delete files, first DELE")
        << int(DeleteFiles) << QByteArray("DELE") << 1 << false
        << QStringList{"stays.txt", "three.txt", "two.txt"};
    QTest::newRow("delete files, middle DELE") << int(DeleteFiles) << QByteArray("DELE") << 2
                                               << false << QStringList{"stays.txt", "two.txt"};
    QTest::newRow("delete files, listing after")
        << int(DeleteFiles) << QByteArray("EPSV") << 1 << false << none;
}

void TestInterruptions::connectAndWait() {
    TARLEN_Frm& f = *m_frm;
    f.parts().Cmd_Connect->click();
    QTRY_VERIFY(f.parts().Cmd_Cancel->isHidden() &&
                shownFiles(f.parts().remotePane->LstX_Files) == filesOnServer());
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Close"));
}

void TestInterruptions::interrupt(Action action) {
    QFETCH(int, phase);
    QFETCH(QByteArray, verb);
    QFETCH(int, occurrence);
    QFETCH(bool, midData);
    TARLEN_Frm& f = *m_frm;
    if (phase != Login)
        connectAndWait();
    if (QTest::currentTestFailed())
        return;
    if (phase == RemoveDirectory) {
        const QList<QListWidgetItem*> gone =
            f.parts().remotePane->Lst_Remote_Dir->findItems(QStringLiteral("gone/"), Qt::MatchExactly);
        QVERIFY(!gone.isEmpty());
        f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(gone.first());
        f.parts().remotePane->Lst_Remote_Dir_DblClick();
        QTRY_VERIFY(f.parts().Cmd_Cancel->isHidden() && f.parts().remotePane->LstX_Files->ListCount() == 3);
        QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/gone/"));
    }
    m_proxy->holdAt({verb, occurrence, midData});
    connect(m_proxy.get(), &HoldingProxy::held, this, [this, action] {
        act(action);
        m_proxy->release();
        m_acted = true;
    });
    startPhase(phase);
    QTRY_VERIFY(m_acted);
}

void TestInterruptions::startPhase(int phase) {
    TARLEN_Frm& f = *m_frm;
    switch (phase) {
    case Login:
        f.parts().Cmd_Connect->click();
        break;
    case Listing:
        f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(nullptr);
        f.parts().remotePane->Cmd_Refresh_Click();
        break;
    case RemoveDirectory:
        m_prompter.answers = {Prompter::Answer::Yes};
        f.parts().remotePane->Cmd_Rem_Click();
        break;
    case DeleteFiles: {
        CVantelCtrl* list = f.parts().remotePane->LstX_Files;
        for (int i = 0; i < list->ListCount(); ++i)
            list->SetSelected(i, list->List(i) != u"stays.txt");
        m_prompter.answers = {Prompter::Answer::Yes};
        f.parts().remotePane->Cmd_Delete_Click();
        break;
    }
    }
}

// What the user does while the step waits; only what the window offers.
void TestInterruptions::act(Action action) {
    TARLEN_Frm& f = *m_frm;
    m_buttonWhenHeld = f.parts().Cmd_Connect->text();
    m_cancelShownWhenHeld = !f.parts().Cmd_Cancel->isHidden();
    switch (action) {
    case Action::Close:
        if (m_buttonWhenHeld == u"Close")
            f.parts().Cmd_Connect->click();
        break;
    case Action::Cancel:
        if (m_cancelShownWhenHeld)
            f.parts().Cmd_Cancel->click();
        break;
    case Action::CloseWindow:
        f.close();
        break;
    }
}

QStringList TestInterruptions::missing(const QStringList& kept) const {
    QStringList gone;
    for (const QString& name : kept)
        if (!QFile::exists(m_server.root() + u'/' + name))
            gone << name;
    return gone;
}

// No delete and no RMD after the one whose answer was held.
bool TestInterruptions::destroyedNothingMore() const {
    for (const QByteArray& line : m_proxy->commandsAfterHold()) {
        const QByteArray verb = HoldingProxy::verbOf(line);
        if (verb == "DELE" || verb == "RMD")
            return false;
    }
    return true;
}

// Close ends the work at once: the window reads "Connect", its lists are
// empty, the server hears nothing more, what it answers late changes
// nothing, and the next Connect works.
void TestInterruptions::closeStopsEveryStep() {
    QFETCH(QStringList, kept);
    TARLEN_Frm& f = *m_frm;
    interrupt(Action::Close);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_buttonWhenHeld, QStringLiteral("Close"));
    QVERIFY2(allConnectionsClosed(), qPrintable(lines(m_proxy->commandsAfterHold())));
    QVERIFY2(m_proxy->commandsAfterHold().isEmpty(),
             qPrintable(lines(m_proxy->commandsAfterHold())));
    QTRY_VERIFY(f.parts().Cmd_Cancel->isHidden() && !QApplication::overrideCursor());
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QCOMPARE(f.parts().remotePane->LstX_Files->ListCount(), 0);
    QCOMPARE(f.parts().remotePane->Lst_Remote_Dir->count(), 0);
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QString());
    QCOMPARE(missing(kept), QStringList());
    QVERIFY2(m_prompter.messages.isEmpty(), qPrintable(m_prompter.messages.value(0).text));

    connectAndWait();
    QVERIFY2(destroyedNothingMore(), qPrintable(lines(m_proxy->commandsAfterHold())));
    QCOMPARE(missing(kept), QStringList());
}

// Cancel stops the work and leaves the window idle: a Refresh (or, after
// a login or a removed folder, connecting again) lists what the server
// has, and nothing after the cancelled step is deleted.
void TestInterruptions::cancelStopsEveryStep() {
    QFETCH(int, phase);
    QFETCH(QStringList, kept);
    TARLEN_Frm& f = *m_frm;
    interrupt(Action::Cancel);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(m_cancelShownWhenHeld, "Cancel was not shown while the step waited");
    QTRY_VERIFY(f.parts().Cmd_Cancel->isHidden() && !QApplication::overrideCursor());

    // What is listed next must come from the server, not from before.
    QVERIFY(m_server.writeFile(QStringLiteral("after.txt"), "after"));

    if (phase == Listing || phase == DeleteFiles) {
        QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Close"));
        f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(nullptr);
        f.parts().remotePane->Cmd_Refresh_Click();
        QTRY_VERIFY(f.parts().Cmd_Cancel->isHidden() &&
                    shownFiles(f.parts().remotePane->LstX_Files) == filesOnServer());
    } else {
        // Not connected, though the button may still read "Close".
        if (f.parts().Cmd_Connect->text() == u"Close")
            f.parts().Cmd_Connect->click();
        QTRY_COMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
        connectAndWait();
    }
    QVERIFY2(destroyedNothingMore(), qPrintable(lines(m_proxy->commandsAfterHold())));
    QCOMPARE(missing(kept), QStringList());
    QVERIFY2(m_prompter.messages.isEmpty(), qPrintable(m_prompter.messages.value(0).text));
}

// Closing the window abandons the work where it is: the server hears
// nothing more, neither before the window goes nor after.
void TestInterruptions::closingTheWindowStopsEveryStep() {
    QFETCH(QStringList, kept);
    interrupt(Action::CloseWindow);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!m_frm->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY2(allConnectionsClosed(), qPrintable(lines(m_proxy->commandsAfterHold())));
    QVERIFY2(m_proxy->commandsAfterHold().isEmpty(),
             qPrintable(lines(m_proxy->commandsAfterHold())));
    QVERIFY2(m_prompter.messages.isEmpty(), qPrintable(m_prompter.messages.value(0).text));

    m_frm.reset();
    QVERIFY(allConnectionsClosed());
    QVERIFY2(m_proxy->commandsAfterHold().isEmpty(),
             qPrintable(lines(m_proxy->commandsAfterHold())));
    QCOMPARE(missing(kept), QStringList());
}

QTEST_MAIN(TestInterruptions)
#include "tst_interruptions.moc"
