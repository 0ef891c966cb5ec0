// Reading listings into the remote lists, and moving about the remote tree,
// against a real pyftpdlib server.
#include "connection/status_log.h"
#include "connection/tarlen_frm.h"
#include "filelists/extension_rule.h"
#include "ftp_test_server.h"
#include "remote/listing_split.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

} // namespace

class TestRemoteBrowsing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void splitListing_data();
    void splitListing();
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

private:
    void connectToServer();
    void select(const QString& dir) {
        const QList<QListWidgetItem*> items =
            m_frm->Lst_Remote_Dir->findItems(dir, Qt::MatchExactly);
        QVERIFY2(!items.isEmpty(), qPrintable(dir));
        m_frm->Lst_Remote_Dir->setCurrentItem(items.first());
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
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    for (const char* name : {"b.zip", "A.txt", "c.exe", "Index.HTML", "page.asp", "noext",
                             "docs/readme.txt", "docs/deep/x.cpp", "pub/big file.jpg"})
        QVERIFY(m_server.writeFile(QString::fromUtf8(name), "data"));
}

void TestRemoteBrowsing::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_sent = std::make_unique<QSignalSpy>(m_frm.get(), &TARLEN_Frm::commandExecuted);
}

void TestRemoteBrowsing::cleanup() {
    m_sent.reset();
    m_frm.reset();
}

void TestRemoteBrowsing::connectToServer() {
    TARLEN_Frm& f = *m_frm;
    scriptConnectDialog(f, m_server);
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    m_sent->clear();
}

void TestRemoteBrowsing::splitListing_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("empty") << "" << QStringList() << QStringList();
    QTest::newRow("dot entries") << "./\r\n../\r\ndocs/\r\na.txt\r\n"
                                 << QStringList{"../", "docs/"} << QStringList{"a.txt"};
    QTest::newRow("unterminated last line")
        << "a.txt\r\nb.txt" << QStringList() << QStringList{"a.txt", "b.txt"};
    QTest::newRow("unterminated ./ is a directory")
        << "a.txt\r\n./" << QStringList{"./"} << QStringList{"a.txt"};
    QTest::newRow("blank lines add nothing") << "   \r\n\r\nx\r\n"
                                             << QStringList() << QStringList{"x"};
    QTest::newRow("blanks around names") << "  my file.txt  \r\n  sub dir/ \r\n"
                                         << QStringList{"sub dir/"} << QStringList{"my file.txt"};
}

void TestRemoteBrowsing::splitListing() {
    QFETCH(QString, reply);
    QFETCH(QStringList, dirs);
    QFETCH(QStringList, files);
    QStringList gotDirs, gotFiles;
    splitRemoteListing(reply, gotDirs, gotFiles);
    QCOMPARE(gotDirs, dirs);
    QCOMPARE(gotFiles, files);
}

void TestRemoteBrowsing::listingFillsDirectoriesAndSortedFiles() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    QCOMPARE(dirEntries(f.Lst_Remote_Dir).first(), QStringLiteral("../"));
    QCOMPARE(dirEntries(f.Lst_Remote_Dir).mid(1).size(), 2);
    QVERIFY(dirEntries(f.Lst_Remote_Dir).contains(QStringLiteral("docs/")));
    const QStringList expected{"A.txt", "b.zip", "c.exe", "Index.HTML", "noext", "page.asp"};
    QCOMPARE(fileEntries(f.LstX_Files[1]), expected);
    CVantelCtrl* list = f.LstX_Files[1];
    for (int i = 0; i < list->ListCount(); ++i) {
        QCOMPARE(list->ItemData(i), i);
        const FileKind kind = extensionKind(list->List(i), Pane::Remote);
        QCOMPARE(list->ItemImage(i).toImage(), f.Img_Icons[size_t(kind.icon)].toImage());
        QCOMPARE(list->ItemForeColor(i), kind.color);
    }
    // "asp" counts with the documents on the remote side.
    QCOMPARE(extensionKind(QStringLiteral("page.asp"), Pane::Remote).icon, 1);
    QCOMPARE(list->ImageOffset(), short(4));
    QCOMPARE(list->TextOffset(), short(24));
    QCOMPARE(f.Cmd_Files[3]->icon().pixmap(16).toImage(), f.Img_Arrow[1].toImage());
}

void TestRemoteBrowsing::reverseOrderKeepsItemData() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Files_Click(3);
    QCOMPARE(fileEntries(f.LstX_Files[1]),
             (QStringList{"page.asp", "noext", "Index.HTML", "c.exe", "b.zip", "A.txt"}));
    QCOMPARE(f.LstX_Files[1]->ItemData(0), 5);
    QCOMPARE(f.LstX_Files[1]->ItemData(5), 0);
    QCOMPARE(f.LstX_Files[1]->ListIndex(), 0);
    QCOMPARE(f.Cmd_Files[3]->icon().pixmap(16).toImage(), f.Img_Arrow[0].toImage());
    // Date and Size only rebuild the list in its current order.
    f.Cmd_Files_Click(4);
    QCOMPARE(fileEntries(f.LstX_Files[1]).first(), QStringLiteral("page.asp"));
    f.Cmd_Files_Click(3);
    QCOMPARE(fileEntries(f.LstX_Files[1]).first(), QStringLiteral("A.txt"));
}

void TestRemoteBrowsing::loginDirectoryGetsTrailingSlash() {
    TARLEN_Frm& f = *m_frm;
    FtpTestServer vsftpd(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(vsftpd.start(), qPrintable(vsftpd.errorText()));
    QVERIFY(vsftpd.writeFile(QStringLiteral("a.txt"), "a"));
    scriptConnectDialog(f, vsftpd);
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    QCOMPARE(f.sRootDir, vsftpd.root());
    QCOMPARE(f.sRemoteDir, vsftpd.root() + u'/');
    QCOMPARE(f.Lbl_Dir->text(), f.sRemoteDir);
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"a.txt"});
    // Refresh lists exactly that directory, with the pattern.
    m_sent->clear();
    f.Lst_Remote_Dir->clearSelection();
    f.Lst_Remote_Dir->setCurrentItem(nullptr);
    f.Cmd_Refresh_Click(1);
    QCOMPARE(sent(), QStringList{QStringLiteral("LS ") + vsftpd.root() + QStringLiteral("/*")});
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"a.txt"});
}

void TestRemoteBrowsing::navigateDownUpAndGuardRoot() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("docs/"));
    f.Lst_Remote_Dir_DblClick();
    QCOMPARE(f.sRemoteDir, QStringLiteral("/docs/"));
    QCOMPARE(f.Lbl_Dir->text(), QStringLiteral("/docs/"));
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"readme.txt"});
    QCOMPARE(dirEntries(f.Lst_Remote_Dir), (QStringList{"../", "deep/"}));

    select(QStringLiteral("../"));
    f.Lst_Remote_Dir_DblClick();
    QCOMPARE(f.sRemoteDir, QStringLiteral("/"));
    // At the login directory "../" goes nowhere.
    select(QStringLiteral("../"));
    f.Lst_Remote_Dir_DblClick();
    QCOMPARE(f.sRemoteDir, QStringLiteral("/"));
    QCOMPARE(sent(), (QStringList{"LS /docs/*", "LS /*", "LS /*"}));
}

void TestRemoteBrowsing::refreshWithoutSelectionListsAgain() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("pub/"));
    f.Cmd_Refresh_Click(1);
    QCOMPARE(f.sRemoteDir, QStringLiteral("/pub/"));
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"big file.jpg"});
    f.Lst_Remote_Dir->setCurrentItem(nullptr);
    f.Cmd_Refresh_Click(1);
    QCOMPARE(f.sRemoteDir, QStringLiteral("/pub/"));
    QCOMPARE(sent(), (QStringList{"LS /pub/*", "LS /pub/*"}));
}

void TestRemoteBrowsing::enterInPatternBoxFilters() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.windowHandle()));
    f.Txt_Pattern[1]->setText(QStringLiteral("*.txt"));
    f.Txt_Pattern[1]->setFocus();
    QTest::keyClick(f.Txt_Pattern[1], Qt::Key_Return);
    QCOMPARE(sent(), QStringList{"LS /*.txt"});
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"A.txt"});
    QCOMPARE(f.Txt_Pattern[1]->text(), QStringLiteral("*.txt"));
    QCOMPARE(f.Lbl_Dir->text(), QStringLiteral("/"));
    // The focus selected the whole pattern; other keys go into the box.
    QCOMPARE(f.Txt_Pattern[1]->selectedText(), QStringLiteral("*.txt"));
    QTest::keyClick(f.Txt_Pattern[1], Qt::Key_End);
    QTest::keyClick(f.Txt_Pattern[1], Qt::Key_X);
    QCOMPARE(f.Txt_Pattern[1]->text(), QStringLiteral("*.txtx"));
}

void TestRemoteBrowsing::enterWhileBusyWaitsForTheRunningCommand() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.Txt_Pattern[1]->setText(QStringLiteral("*.zip"));
    bool pressed = false;
    QTimer::singleShot(0, &f, [&] {
        QVERIFY(f.Inet1()->StillExecuting());
        short key = 13;
        f.Txt_Pattern_KeyPress(1, key);
        QCOMPARE(key, short(0));
        pressed = true;
    });
    f.runCommand(LastCommand::Listing, QStringLiteral("LS /docs/*"));
    QVERIFY(pressed);
    QCOMPARE(sent(), (QStringList{"LS /docs/*", "LS /*.zip"}));
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"b.zip"});
}

// The running command's completion is handled as what it is (a delete writes
// its line), and the listing follows it.
void TestRemoteBrowsing::enterWhileDeleteRunsLetsItCompleteAsADelete() {
    QVERIFY(m_server.writeFile(QStringLiteral("gone.txt"), "x"));
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    f.Txt_Pattern[1]->setText(QStringLiteral("*.zip"));
    QTimer::singleShot(0, &f, [&] {
        QVERIFY(f.Inet1()->StillExecuting());
        short key = 13;
        f.Txt_Pattern_KeyPress(1, key);
    });
    f.sCurFile = QStringLiteral("/gone.txt");
    f.runCommand(LastCommand::Delete, QStringLiteral("DELETE /gone.txt"));
    QCOMPARE(sent(), (QStringList{"DELETE /gone.txt", "LS /*.zip"}));
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("\r\n/gone.txt deleted")));
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"b.zip"});
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/gone.txt")));
}

void TestRemoteBrowsing::doubleClickWhileBusyDoesNothing() {
    connectToServer();
    TARLEN_Frm& f = *m_frm;
    select(QStringLiteral("docs/"));
    QTimer::singleShot(0, &f, [&] { f.Lst_Remote_Dir_DblClick(); });
    f.runCommand(LastCommand::Listing, QStringLiteral("LS /*"));
    QCOMPARE(sent(), QStringList{"LS /*"});
    QCOMPARE(f.sRemoteDir, QStringLiteral("/"));
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
    QVERIFY(f.setLocalPath(local.path()));
    scriptConnectDialog(f, latin1);
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    QCOMPARE(fileEntries(f.LstX_Files[1]), (QStringList{"café.txt", "naïve.txt"}));
    QCOMPARE(dirEntries(f.Lst_Remote_Dir), (QStringList{"../", "répertoire/"}));

    select(QStringLiteral("répertoire/"));
    f.Lst_Remote_Dir_DblClick();
    QVERIFY(f.Lbl_Dir->text().endsWith(QStringLiteral("/répertoire/")));
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"inside.txt"});
    select(QStringLiteral("../"));
    f.Lst_Remote_Dir_DblClick();

    const auto selectOnly = [&](const QString& shown) {
        for (int p = 0; p < f.LstX_Files[1]->ListCount(); ++p)
            f.LstX_Files[1]->SetSelected(p, f.LstX_Files[1]->List(p) == shown);
    };
    selectOnly(QStringLiteral("café.txt"));
    f.Cmd_Dn_Click();
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("café.txt retrieved")));
    const QByteArray fetched = QFile::encodeName(local.path()) + "/caf\xE9.txt";
    QVERIFY(::access(fetched.constData(), F_OK) == 0);
    ::unlink(fetched.constData());

    selectOnly(QStringLiteral("naïve.txt"));
    m_prompter.answers = {Prompter::Answer::Yes};
    f.Cmd_Delete_Click(1);
    QVERIFY(::access((root + "na\xC3\xAFve.txt").constData(), F_OK) != 0);
    QCOMPARE(fileEntries(f.LstX_Files[1]), QStringList{"café.txt"});
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
        const CVantelCtrl* list = f.LstX_Files[1];
        if (list->ListCount() != f.Lst_Remote.count() || f.Lst_Remote_Dir->count() == 0)
            torn << QStringLiteral("%1 shown, %2 names, %3 directories")
                        .arg(list->ListCount())
                        .arg(f.Lst_Remote.count())
                        .arg(f.Lst_Remote_Dir->count());
    });
    watch.start();
    select(QStringLiteral("many/"));
    f.Lst_Remote_Dir_DblClick();
    watch.stop();
    QVERIFY(ticks > 0);
    QCOMPARE(torn, QStringList());
    QCOMPARE(f.LstX_Files[1]->ListCount(), 400);
}

QTEST_MAIN(TestRemoteBrowsing)
#include "tst_remote_browsing.moc"
