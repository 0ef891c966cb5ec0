// Reading listings into the remote lists, and moving about the remote tree,
// against a real pyftpdlib server.
#include "ftp_listing.h"
#include "ftp_test_server.h"
#include "inet.h"
#include "panes/extension_rule.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "transfer_queue.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QTest>
#include <QTimer>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList dirEntries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList fileEntries(const CVantelCtrl* list) {
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

// Waits until the session has nothing running or waiting and its last
// listing is in the remote lists.
bool settled(const TARLEN_Frm& f) {
    return waitUntilIdle(f.session()) &&
           QTest::qWaitFor([&f] { return !f.parts().remotePane->listingPending(); });
}

} // namespace

class TestRemoteBrowsing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listingFillsTheLists_data();
    void listingFillsTheLists();
    void listingFillsDirectoriesAndSortedFiles();
    void reverseOrderKeepsItemData();
    void loginDirectoryGetsTrailingSlash();
    void navigateDownUpAndGuardRoot();
    void refreshWithoutSelectionListsAgain();
    void enterInPatternBoxFilters();
    void enterWhileBusyWaitsForTheRunningCommand();
    void enterWhileDeleteRunsLetsItCompleteAsADelete();
    void doubleClickWhileBusyDoesNothing();
    void namesAreUtf8WhereTheirBytesAreEvenUnannounced();
    void noEventSeesTheListsHalfRebuilt();
    void onlyShortListingsAreWaitedFor_data();
    void onlyShortListingsAreWaitedFor();
    void linksAreMarkedAndEnteredWhenTheyLeadToDirectories();

private:
    void connectToServer();
    void select(const QString& dir) {
        const QList<QListWidgetItem*> items =
            m_frm->parts().remotePane->Lst_Remote_Dir->findItems(dir, Qt::MatchExactly);
        QVERIFY2(!items.isEmpty(), qPrintable(dir));
        m_frm->parts().remotePane->Lst_Remote_Dir->setCurrentItem(items.first());
    }
    QStringList sent() const { return sentCommands(*m_sent); }

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestRemoteBrowsing::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    for (const char* name : {"b.zip", "A.txt", "c.exe", "Index.HTML", "page.asp", "noext",
                             "docs/readme.txt", "docs/deep/x.cpp", "pub/big file.jpg"})
        QVERIFY(m_server.writeFile(QString::fromUtf8(name), "data"));
}

void TestRemoteBrowsing::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_sent = std::make_unique<QSignalSpy>(&m_frm->session(), &RemoteSession::commandExecuted);
}

void TestRemoteBrowsing::cleanup() {
    m_sent.reset();
    m_frm.reset();
}

void TestRemoteBrowsing::connectToServer() {
    TARLEN_Frm& f = *m_frm;
    scriptConnectDialog(f, m_server);
    f.parts().Cmd_Connect->click();
    QVERIFY(settled(f));
    QVERIFY(f.session().connected());
    m_sent->clear();
}

void TestRemoteBrowsing::listingFillsTheLists_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("empty") << QByteArray() << QStringList{"../"} << QStringList();
    QTest::newRow("dot entries") << QByteArray("type=cdir; .\r\ntype=pdir; ..\r\n"
                                               "type=dir; docs\r\ntype=file; a.txt\r\n")
                                 << QStringList{"../", "docs/"} << QStringList{"a.txt"};
    QTest::newRow("directories sorted without regard to case")
        << QByteArray("type=dir; zeta\r\ntype=dir; Beta\r\ntype=dir; alpha\r\n")
        << QStringList{"../", "alpha/", "Beta/", "zeta/"} << QStringList();
    QTest::newRow("unterminated last line") << QByteArray("type=file; a.txt\r\ntype=file; b.txt")
                                            << QStringList{"../"} << QStringList{"a.txt", "b.txt"};
    QTest::newRow("blank lines add nothing")
        << QByteArray("   \r\n\r\ntype=file; x\r\n") << QStringList{"../"} << QStringList{"x"};
    // A name is exactly what the server sent, blanks and all: a name cut to
    // fit would name another file, or none.
    QTest::newRow("blanks in and around names")
        << QByteArray("type=file;  my file.txt \r\ntype=dir; sub dir \r\n")
        << QStringList{"../", "sub dir /"} << QStringList{" my file.txt "};
    QTest::newRow("files sorted without regard to case")
        << QByteArray("type=file; B.txt\r\ntype=file; a.txt\r\n") << QStringList{"../"}
        << QStringList{"a.txt", "B.txt"};
}

void TestRemoteBrowsing::listingFillsTheLists() {
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, dirs);
    QFETCH(QStringList, files);
    RemotePane& pane = *m_frm->parts().remotePane;
    pane.ShowRemoteFileList(std::make_shared<const RemoteListing>(
        buildListing(reply, true, FtpNameCodec(true), QString())));
    QCOMPARE(dirEntries(pane.Lst_Remote_Dir), dirs);
    QStringList names;
    for (int i = 0; i < pane.Lst_Remote.count(); ++i)
        names << pane.Lst_Remote.text(i);
    QCOMPARE(names, files);
    QCOMPARE(fileEntries(pane.LstX_Files), files);
}

void TestRemoteBrowsing::listingFillsDirectoriesAndSortedFiles() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    QCOMPARE(dirEntries(f.parts().remotePane->Lst_Remote_Dir).first(), QStringLiteral("../"));
    QCOMPARE(dirEntries(f.parts().remotePane->Lst_Remote_Dir).mid(1).size(), 2);
    QVERIFY(dirEntries(f.parts().remotePane->Lst_Remote_Dir).contains(QStringLiteral("docs/")));
    const QStringList expected{"A.txt", "b.zip", "c.exe", "Index.HTML", "noext", "page.asp"};
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), expected);
    CVantelCtrl* list = f.parts().remotePane->LstX_Files;
    for (int i = 0; i < list->ListCount(); ++i) {
        QCOMPARE(list->ItemData(i), i);
        const FileKind kind = extensionKind(list->List(i), Pane::Remote);
        QCOMPARE(list->ItemImage(i).toImage(),
                 f.parts().images->Img_Icons[size_t(kind.icon)].toImage());
        QCOMPARE(list->ItemForeColor(i), kind.color);
    }
    // "asp" counts with the documents on the remote side.
    QCOMPARE(extensionKind(QStringLiteral("page.asp"), Pane::Remote).icon, 1);
    QCOMPARE(list->ImageOffset(), short(4));
    QCOMPARE(list->TextOffset(), short(24));
    QCOMPARE(f.parts().remotePane->Cmd_Files[0]->icon().pixmap(16).toImage(),
             f.parts().images->Img_Arrow[1].toImage());
}

void TestRemoteBrowsing::reverseOrderKeepsItemData() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.parts().remotePane->Cmd_Files_Click(3);
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files),
             (QStringList{"page.asp", "noext", "Index.HTML", "c.exe", "b.zip", "A.txt"}));
    QCOMPARE(f.parts().remotePane->LstX_Files->ItemData(0), 5);
    QCOMPARE(f.parts().remotePane->LstX_Files->ItemData(5), 0);
    QCOMPARE(f.parts().remotePane->LstX_Files->ListIndex(), 0);
    QCOMPARE(f.parts().remotePane->Cmd_Files[0]->icon().pixmap(16).toImage(),
             f.parts().images->Img_Arrow[0].toImage());
    // Date and Size only rebuild the list in its current order.
    f.parts().remotePane->Cmd_Files_Click(4);
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files).first(), QStringLiteral("page.asp"));
    f.parts().remotePane->Cmd_Files_Click(3);
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files).first(), QStringLiteral("A.txt"));
}

void TestRemoteBrowsing::loginDirectoryGetsTrailingSlash() {
    TARLEN_Frm& f = *m_frm;
    FtpTestServer vsftpd(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(vsftpd.start(), qPrintable(vsftpd.errorText()));
    QVERIFY(vsftpd.writeFile(QStringLiteral("a.txt"), "a"));
    scriptConnectDialog(f, vsftpd);
    f.parts().Cmd_Connect->click();
    QVERIFY(settled(f));
    QVERIFY(f.session().connected());
    QCOMPARE(f.session().rootDirectory(), vsftpd.root());
    QCOMPARE(f.session().currentDirectory(), vsftpd.root() + u'/');
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), f.session().currentDirectory());
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"a.txt"});
    // Refresh lists exactly that directory, with the pattern.
    m_sent->clear();
    f.parts().remotePane->Lst_Remote_Dir->clearSelection();
    f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(nullptr);
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    QCOMPARE(sent(), QStringList{QStringLiteral("LS ") + vsftpd.root() + QStringLiteral("/*")});
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"a.txt"});
}

void TestRemoteBrowsing::navigateDownUpAndGuardRoot() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("docs/"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/docs/"));
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/docs/"));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"readme.txt"});
    QCOMPARE(dirEntries(f.parts().remotePane->Lst_Remote_Dir), (QStringList{"../", "deep/"}));

    select(QStringLiteral("../"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/"));
    // At the login directory "../" goes nowhere.
    select(QStringLiteral("../"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/"));
    QCOMPARE(sent(), (QStringList{"LS /docs/*", "LS /*", "LS /*"}));
}

void TestRemoteBrowsing::refreshWithoutSelectionListsAgain() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("pub/"));
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/pub/"));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"big file.jpg"});
    f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(nullptr);
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/pub/"));
    QCOMPARE(sent(), (QStringList{"LS /pub/*", "LS /pub/*"}));
}

void TestRemoteBrowsing::enterInPatternBoxFilters() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.windowHandle()));
    f.parts().remotePane->Txt_Pattern->setText(QStringLiteral("*.txt"));
    f.parts().remotePane->Txt_Pattern->setFocus();
    QTest::keyClick(f.parts().remotePane->Txt_Pattern, Qt::Key_Return);
    QVERIFY(settled(f));
    QCOMPARE(sent(), QStringList{"LS /*.txt"});
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"A.txt"});
    QCOMPARE(f.parts().remotePane->Txt_Pattern->text(), QStringLiteral("*.txt"));
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    // The focus selected the whole pattern; other keys go into the box.
    QCOMPARE(f.parts().remotePane->Txt_Pattern->selectedText(), QStringLiteral("*.txt"));
    QTest::keyClick(f.parts().remotePane->Txt_Pattern, Qt::Key_End);
    QTest::keyClick(f.parts().remotePane->Txt_Pattern, Qt::Key_X);
    QCOMPARE(f.parts().remotePane->Txt_Pattern->text(), QStringLiteral("*.txtx"));
}

void TestRemoteBrowsing::enterWhileBusyWaitsForTheRunningCommand() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.parts().remotePane->Txt_Pattern->setText(QStringLiteral("*.zip"));
    f.session().run(commandOf(QStringLiteral("LS /docs/*")));
    QVERIFY(f.session().runner().busy());
    QVERIFY(f.session().runner().Inet1()->StillExecuting());
    short key = 13;
    f.parts().remotePane->Txt_Pattern_KeyPress(key);
    QCOMPARE(key, short(0));
    QVERIFY(settled(f));
    QCOMPARE(sent(), (QStringList{"LS /docs/*", "LS /*.zip"}));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"b.zip"});
}

// The running command's completion is handled as what it is (a delete writes
// its line), and the listing follows it.
void TestRemoteBrowsing::enterWhileDeleteRunsLetsItCompleteAsADelete() {
    QVERIFY(m_server.writeFile(QStringLiteral("gone.txt"), "x"));
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.parts().remotePane->Txt_Pattern->setText(QStringLiteral("*.zip"));
    f.session().remove(QStringLiteral("/gone.txt"), QStringLiteral("/gone.txt"));
    QVERIFY(f.session().runner().Inet1()->StillExecuting());
    short key = 13;
    f.parts().remotePane->Txt_Pattern_KeyPress(key);
    QVERIFY(settled(f));
    QCOMPARE(sent(), (QStringList{"DELETE /gone.txt", "LS /*.zip"}));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\n/gone.txt deleted")));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"b.zip"});
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/gone.txt")));
}

void TestRemoteBrowsing::doubleClickWhileBusyDoesNothing() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("docs/"));
    f.session().run(commandOf(QStringLiteral("LS /*")));
    QVERIFY(f.session().runner().busy());
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(sent(), QStringList{"LS /*"});
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/"));
}

// A server that never says UTF8: names that are UTF-8 show as such, the
// others as Latin-1, and every command gives the server its own bytes back.
void TestRemoteBrowsing::namesAreUtf8WhereTheirBytesAreEvenUnannounced() {
    FtpTestServer latin1(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(latin1.start(), qPrintable(latin1.errorText()));
    const QByteArray root = QFile::encodeName(latin1.root()) + '/';
    const auto create = [&](const QByteArray& name, const QByteArray& content) {
        const int fd = ::open((root + name).constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY2(fd >= 0, name.constData());
        QCOMPARE(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    };
    QCOMPARE(::mkdir((root + "r\xE9pertoire").constData(), 0755), 0);
    create("na\xC3\xAFve.txt", "utf-8");
    create("caf\xE9.txt", "latin-1");
    create("r\xE9pertoire/inside.txt", "deep");
    QTemporaryDir local;
    TARLEN_Frm& f = *m_frm;
    QVERIFY(f.parts().localPane->setLocalPath(local.path()));
    scriptConnectDialog(f, latin1);
    f.parts().Cmd_Connect->click();
    QVERIFY(settled(f));
    QVERIFY(f.session().connected());
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), (QStringList{"café.txt", "naïve.txt"}));
    QCOMPARE(dirEntries(f.parts().remotePane->Lst_Remote_Dir), (QStringList{"../", "répertoire/"}));

    select(QStringLiteral("répertoire/"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QVERIFY(f.parts().remotePane->Lbl_Dir->text().endsWith(QStringLiteral("/répertoire/")));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"inside.txt"});
    select(QStringLiteral("../"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));

    const auto selectOnly = [&](const QString& shown) {
        for (int p = 0; p < f.parts().remotePane->LstX_Files->ListCount(); ++p)
            f.parts().remotePane->LstX_Files->SetSelected(
                p, f.parts().remotePane->LstX_Files->List(p) == shown);
    };
    selectOnly(QStringLiteral("café.txt"));
    f.Cmd_Dn_Click();
    QVERIFY(QTest::qWaitFor([&] { return f.queue().idle(); }, 20000));
    QVERIFY2(f.parts().Txt_Status->text().contains(QStringLiteral("café.txt retrieved")),
             qPrintable(f.parts().Txt_Status->text()));
    const QByteArray fetched = QFile::encodeName(local.path()) + "/caf\xE9.txt";
    QVERIFY(::access(fetched.constData(), F_OK) == 0);
    ::unlink(fetched.constData());

    selectOnly(QStringLiteral("naïve.txt"));
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().remotePane->Cmd_Delete_Click();
    QVERIFY(settled(f));
    QVERIFY(::access((root + "na\xC3\xAFve.txt").constData(), F_OK) != 0);
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"café.txt"});
    QVERIFY(m_prompter.messages.isEmpty());
    ::unlink((root + "caf\xE9.txt").constData());
    ::unlink((root + "r\xE9pertoire/inside.txt").constData());
    ::rmdir((root + "r\xE9pertoire").constData());
}

// Whatever runs while a listing is read finds the remote lists whole: the
// old ones until the new ones are complete.
void TestRemoteBrowsing::noEventSeesTheListsHalfRebuilt() {
    for (int i = 0; i < 400; ++i)
        QVERIFY(m_server.writeFile(QStringLiteral("many/f%1.dat").arg(i), "x"));
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    int ticks = 0;
    QStringList torn;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [&] {
        ++ticks;
        const CVantelCtrl* list = f.parts().remotePane->LstX_Files;
        if (list->ListCount() != f.parts().remotePane->Lst_Remote.count() ||
            f.parts().remotePane->Lst_Remote_Dir->count() == 0)
            torn << QStringLiteral("%1 shown, %2 names, %3 directories")
                        .arg(list->ListCount())
                        .arg(f.parts().remotePane->Lst_Remote.count())
                        .arg(f.parts().remotePane->Lst_Remote_Dir->count());
    });
    watch.start();
    // The listing is made ready away from the window, and comes later.
    f.parts().remotePane->listingWaitMs = 0;
    select(QStringLiteral("many/"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(waitUntilIdle(f.session()));
    QTRY_VERIFY(!f.parts().remotePane->listingPending());
    // A few more looks once the listing is in.
    const int ticksWhenDone = ticks;
    QTRY_VERIFY(ticks >= ticksWhenDone + 3);
    watch.stop();
    QCOMPARE(torn, QStringList());
    QCOMPARE(f.parts().remotePane->LstX_Files->ListCount(), 400);
}

// A listing the window could make ready at once is in the lists when the
// pane has it; a longer one comes later, and the window does not stand
// still for it, however long it would wait otherwise.
void TestRemoteBrowsing::onlyShortListingsAreWaitedFor_data() {
    QTest::addColumn<qsizetype>("waitUpTo");
    QTest::addColumn<bool>("takenAtOnce");
    QTest::newRow("short: waited for") << qsizetype(1000) << true;
    QTest::newRow("long: comes later") << qsizetype(100) << false;
}

void TestRemoteBrowsing::onlyShortListingsAreWaitedFor() {
    QFETCH(qsizetype, waitUpTo);
    QFETCH(bool, takenAtOnce);
    for (int i = 0; i < 400; ++i)
        QVERIFY(m_server.writeFile(QStringLiteral("many/f%1.dat").arg(i), "x"));
    connectToServer();
    RemotePane& pane = *m_frm->parts().remotePane;
    pane.listingWaitMs = 60000;
    pane.listingWaitUpTo = waitUpTo;
    std::optional<bool> pendingOnArrival;
    // Connected after the pane's own handler, so it runs once the pane is done.
    connect(&m_frm->session(), &RemoteSession::listingRead, this,
            [&] { pendingOnArrival = pane.listingPending(); });
    select(QStringLiteral("many/"));
    pane.Lst_Remote_Dir_DblClick();
    QVERIFY(waitUntilIdle(m_frm->session()));
    QTRY_VERIFY(pendingOnArrival.has_value());
    QCOMPARE(*pendingOnArrival, !takenAtOnce);
    QTRY_VERIFY(!pane.listingPending());
    QCOMPARE(pane.LstX_Files->ListCount(), 400);
}

// vsftpd lists a link as "name -> target" without saying what the target
// is: the link shows as a file with a mark, and a double-click enters it if
// it leads to a directory and leaves it a file otherwise.
void TestRemoteBrowsing::linksAreMarkedAndEnteredWhenTheyLeadToDirectories() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("real/inner.txt"), "inner"));
    QVERIFY(server.writeFile(QStringLiteral("plain.txt"), "plain"));
    QVERIFY(QFile::link(QStringLiteral("real"), server.root() + QStringLiteral("/to-dir")));
    QVERIFY(QFile::link(QStringLiteral("plain.txt"), server.root() + QStringLiteral("/to-file")));
    TARLEN_Frm& f = *m_frm;
    scriptConnectDialog(f, server);
    f.parts().Cmd_Connect->click();
    QVERIFY(settled(f));
    QVERIFY(f.session().connected());
    const QString top = f.session().currentDirectory();
    const QStringList listed{"plain.txt", "to-dir@", "to-file@"};
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), listed);

    f.parts().remotePane->LstX_Files->SetListIndex(1);
    f.parts().remotePane->LstX_Files_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), top + QStringLiteral("to-dir/"));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), QStringList{"inner.txt"});

    select(QStringLiteral("../"));
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), listed);
    f.parts().remotePane->LstX_Files->SetListIndex(2);
    f.parts().remotePane->LstX_Files_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(f.session().currentDirectory(), top);
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), top);
    QCOMPARE(fileEntries(f.parts().remotePane->LstX_Files), listed);
}

QTEST_MAIN(TestRemoteBrowsing)
#include "tst_remote_browsing.moc"
