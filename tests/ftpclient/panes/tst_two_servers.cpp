// Two sessions to two servers side by side in one window, each with a remote
// pane of its own: what one pane lists and where it stands never leaks into
// the other, while both work at the same time.
#include "common/twips_geometry.h"
#include "ftp_test_server.h"
#include "panes/file_images.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_prompter.h"
#include "session_waits.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace {

QStringList shownFiles(const RemotePane& pane) {
    QStringList names;
    for (int i = 0; i < pane.LstX_Files->ListCount(); ++i)
        names << pane.LstX_Files->List(i);
    return names;
}

void select(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

// One server, its session and the pane that shows it.
struct Side {
    explicit Side(FtpTestServer::Kind kind)
        : server(kind) {}
    FtpTestServer server;
    RemoteSession session;
    RemotePane* pane = nullptr;
};

} // namespace

class TestTwoServers : public QObject {
    Q_OBJECT

private slots:
    void eachPaneKeepsItsOwnDirectoryAndListing();
};

void TestTwoServers::eachPaneKeepsItsOwnDirectoryAndListing() {
    for (const auto kind : {FtpTestServer::Kind::Pyftpdlib, FtpTestServer::Kind::Vsftpd}) {
        const QString why = FtpTestServer::unavailableReason(kind);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
    }
    ScriptedPrompter prompter;
    FileImages images;
    TwipsGeometry twips;
    QWidget window;
    Side first(FtpTestServer::Kind::Pyftpdlib);
    Side second(FtpTestServer::Kind::Vsftpd);
    int n = 0;
    for (Side* side : {&first, &second}) {
        QVERIFY2(side->server.start(), qPrintable(side->server.errorText()));
        const QString mark = QString::number(++n);
        QVERIFY(side->server.writeFile(QStringLiteral("top") + mark + QStringLiteral(".txt"), "x"));
        QVERIFY(side->server.writeFile(QStringLiteral("sub") + mark + QStringLiteral("/in") + mark +
                                           QStringLiteral(".txt"),
                                       "y"));
        side->pane = new RemotePane(side->session, images, prompter, twips, &window);
        side->session.setHost(side->server.address(), side->server.userName(),
                              side->server.password());
    }
    // Both log in and list at the same time.
    for (Side* side : {&first, &second}) {
        side->session.logIn();
        side->session.listFirst();
    }
    for (Side* side : {&first, &second}) {
        QVERIFY(waitUntilIdle(side->session));
        QVERIFY(side->session.connected());
        QCOMPARE(side->session.currentDirectory(), side->server.loginDir().endsWith(u'/')
                                                       ? side->server.loginDir()
                                                       : side->server.loginDir() + u'/');
    }
    QTRY_COMPARE(shownFiles(*first.pane), QStringList{"top1.txt"});
    QTRY_COMPARE(shownFiles(*second.pane), QStringList{"top2.txt"});

    // Each enters its own sub-directory; the two listings run side by side.
    select(first.pane->Lst_Remote_Dir, QStringLiteral("sub1/"));
    select(second.pane->Lst_Remote_Dir, QStringLiteral("sub2/"));
    first.pane->Lst_Remote_Dir_DblClick();
    second.pane->Lst_Remote_Dir_DblClick();
    QVERIFY(first.session.runner().busy() && second.session.runner().busy());
    QVERIFY(waitUntilIdle(first.session));
    QVERIFY(waitUntilIdle(second.session));
    QVERIFY(first.session.currentDirectory().endsWith(QStringLiteral("/sub1/")));
    QVERIFY(second.session.currentDirectory().endsWith(QStringLiteral("/sub2/")));
    QCOMPARE(first.pane->Lbl_Dir->text(), first.session.currentDirectory());
    QCOMPARE(second.pane->Lbl_Dir->text(), second.session.currentDirectory());
    QTRY_COMPARE(shownFiles(*first.pane), QStringList{"in1.txt"});
    QTRY_COMPARE(shownFiles(*second.pane), QStringList{"in2.txt"});

    // Cancel on one leaves the other's work alone.
    first.pane->goUp();
    second.pane->goUp();
    first.session.Cancel();
    QVERIFY(waitUntilIdle(first.session));
    QVERIFY(waitUntilIdle(second.session));
    QVERIFY(first.session.currentDirectory().endsWith(QStringLiteral("/sub1/")));
    QCOMPARE(second.session.currentDirectory(), second.session.rootDirectory().endsWith(u'/')
                                                    ? second.session.rootDirectory()
                                                    : second.session.rootDirectory() + u'/');
    QTRY_COMPARE(shownFiles(*second.pane), QStringList{"top2.txt"});
    QCOMPARE(shownFiles(*first.pane), QStringList{"in1.txt"});
}

QTEST_MAIN(TestTwoServers)
#include "tst_two_servers.moc"
