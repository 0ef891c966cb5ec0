// Transfers, delete, rename and directories on both panes, and dragging one
// list onto the other, against a real pyftpdlib server with scripted answers.
#include "event_waits.h"
#include "ftp_test_server.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/name_checks.h"
#include "panes/remote_pane.h"
#include "queue_model.h"
#include "queue_store.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "silent_server.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/queue_panel.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"
#include "window/transfer_progress.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList entries(const CVantelCtrl* list) {
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

constexpr int kSlowRate = 256 * 1024;

FtpTestServer::Options slow() {
    FtpTestServer::Options options;
    options.rateLimit = kSlowRate;
    return options;
}

// Waits until the session has nothing running or waiting and its last
// listing is in the remote lists.
bool settled(const TARLEN_Frm& f) {
    return waitUntilIdle(f.session()) &&
           QTest::qWaitFor([&f] { return !f.parts().remotePane->listingPending(); });
}

// "256 KiB/s" in bytes per second.
double rateOf(const QString& text) {
    const QStringList parts = text.split(u' ');
    if (parts.size() != 2)
        return 0;
    const QString unit = parts[1];
    const double scale = unit.startsWith(u"KiB")   ? 1024.0
                         : unit.startsWith(u"MiB") ? 1024.0 * 1024.0
                                                   : 1.0;
    return parts[0].toDouble() * scale;
}

} // namespace

class TestFileOperations : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void plainNames_data();
    void plainNames();
    void downloadSelectedFiles();
    void totalsCountInWords_data();
    void totalsCountInWords();
    void nothingSelectedQueuesNothing();
    void failedDownloadKeepsLocalFile();
    void hostileNameIsRefusedAndOthersGo();
    void uploadSelectedFilesAndListAgain();
    void uploadRefusesNameWithBlank();
    void uploadKeepsTheBytesOfANameThatIsNotUtf8();
    void existingTargetQuestionTellsBothSides_data();
    void existingTargetQuestionTellsBothSides();
    void cancellingOneTransferLetsTheOthersGoOn();
    void browsingGoesOnWhileTwoFilesMove();
    void folderGoesWithEverythingInIt();
    void keptQueueIsOfferedAtTheNextLogin();
    void keptQueueIsFoundWhateverTheProtocol();
    void quittingWhileTransfersRunAsksFirst_data();
    void quittingWhileTransfersRunAsksFirst();
    void connectingElsewhereLetsTransfersFinish();
    void progressShowsTheFileWhileItMoves();
    void destructiveQuestionsDefaultToNo();
    void remoteDeleteAsksThenDeletesAndLists();
    void remoteRenameStopsAtEmptyAnswer();
    void remoteMakeAndRemoveDirectory();
    void localDeleteRenameAndRefusals();
    void localDeleteRemovesLinkNotTarget();
    void localMakeAndRemoveDirectory();
    void rightButtonDragDownloadsLeftClickDoesNothing();
    void rightButtonDragTakesTheEntryItStartsOn_data();
    void rightButtonDragTakesTheEntryItStartsOn();
    void deleteKeyRunsThatPanesDelete();
    void dragIsForgottenWhenItsReleaseIsLost_data();
    void dragIsForgottenWhenItsReleaseIsLost();

private:
    void useServer(FtpTestServer& server);
    // A window, loaded, its local pane on the test's folder.
    void openWindow();
    // Quits the window (answering "Quit" if transfers run) and opens
    // another, as after a restart.
    bool quitAndReopen();
    void selectRemote(const QStringList& names);
    void selectLocal(const QStringList& names);
    QStringList sent() const { return sentCommands(*m_sent); }
    bool waitForQueue(int ms = 30000) {
        return QTest::qWaitFor([this] { return m_frm->queue().idle(); }, ms);
    }
    QString local(const QString& name) const { return m_local->path() + u'/' + name; }

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    FtpTestServer m_slow{FtpTestServer::Kind::Pyftpdlib, slow()};
    QTemporaryDir m_config;
    QTemporaryDir m_data; // the kept queues
    ScriptedPrompter m_prompter;
    std::unique_ptr<QTemporaryDir> m_local;
    std::unique_ptr<TARLEN_Frm> m_frm;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestFileOperations::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY2(m_slow.start(), qPrintable(m_slow.errorText()));
}

void TestFileOperations::init() {
    QDir(m_server.root()).removeRecursively();
    QDir().mkpath(m_server.root());
    QVERIFY(m_server.writeFile(QStringLiteral("a.txt"), "alpha"));
    QVERIFY(m_server.writeFile(QStringLiteral("b.zip"), QByteArray(70000, 'b')));
    QVERIFY(m_server.writeFile(QStringLiteral("my file.txt"), "blank in name"));
    QVERIFY(m_server.writeFile(QStringLiteral("docs/readme.txt"), "docs"));
    QDir(QueueStore::defaultFolder()).removeRecursively();

    m_prompter = ScriptedPrompter();
    m_local = std::make_unique<QTemporaryDir>();
    openWindow();
    m_sent = std::make_unique<QSignalSpy>(&m_frm->session(), &RemoteSession::commandExecuted);
    useServer(m_server);
}

void TestFileOperations::cleanup() {
    m_sent.reset();
    m_frm.reset();
    m_local.reset();
}

void TestFileOperations::openWindow() {
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->parts().localPane->setLocalPath(m_local->path());
}

bool TestFileOperations::quitAndReopen() {
    m_prompter.choices = {QStringLiteral("Quit")};
    if (!m_frm->close())
        return false;
    m_frm.reset();
    openWindow();
    return true;
}

void TestFileOperations::useServer(FtpTestServer& server) {
    TARLEN_Frm& f = *m_frm;
    if (f.session().connected()) {
        f.parts().Cmd_Connect->click();
        QVERIFY(settled(f));
    }
    scriptConnectDialog(f, server);
    f.parts().Cmd_Connect->click();
    QVERIFY(settled(f));
    QVERIFY(f.session().connected());
    m_prompter.messages.clear();
    m_sent->clear();
}

void TestFileOperations::selectRemote(const QStringList& names) {
    CVantelCtrl* list = m_frm->parts().remotePane->LstX_Files;
    for (int i = 0; i < list->ListCount(); ++i)
        list->SetSelected(i, names.contains(list->List(i)));
}

void TestFileOperations::selectLocal(const QStringList& names) {
    TARLEN_Frm& f = *m_frm;
    CVantelCtrl* list = f.parts().localPane->LstX_Files;
    for (int i = 0; i < list->ListCount(); ++i)
        list->SetSelected(i, names.contains(f.parts().localPane->File1->List(list->ItemData(i))));
}

void TestFileOperations::plainNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("ordinary") << "report 2026.txt" << true;
    QTest::newRow("dot file") << ".profile" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("parent path") << "../../etc/passwd" << false;
    QTest::newRow("absolute") << "/etc/passwd" << false;
    QTest::newRow("control") << QStringLiteral("a") + QChar(1) + QStringLiteral("b") << false;
    QTest::newRow("tab") << "a\tb" << false;
}

void TestFileOperations::plainNames() {
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(isPlainFileName(name), plain);
}

// The window does not wait: the files go into the queue, which moves them
// on connections of its own and writes the lines the window used to.
void TestFileOperations::downloadSelectedFiles() {
    TARLEN_Frm& f = *m_frm;
    selectRemote({"a.txt", "b.zip", "my file.txt"});
    QElapsedTimer clock;
    clock.start();
    f.Cmd_Dn_Click();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(f.queue().items().size(), size_t(3));
    QVERIFY(sent().isEmpty());
    QVERIFY(waitForQueue());
    for (const char* name : {"a.txt", "b.zip", "my file.txt"})
        QCOMPARE(readFile(local(QString::fromUtf8(name))),
                 readFile(m_server.root() + u'/' + QString::fromUtf8(name)));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nRetrieving b.zip")));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nb.zip retrieved")));
    // The local pane shows them once they are there.
    QTRY_COMPARE(f.parts().localPane->LstX_Files->ListCount(), 3);
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestFileOperations::totalsCountInWords_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("totals");
    QTest::newRow("one file") << QStringList{"a.txt"} << "1 of 1 file, 5 bytes of 5 bytes";
    // 70,005 bytes, counted in 1,024s.
    QTest::newRow("two files") << QStringList{"a.txt", "b.zip"} << "2 of 2 files, 68 KiB of 68 KiB";
}

// The queue's totals line: the noun fits the count, sizes say how they count.
void TestFileOperations::totalsCountInWords() {
    QFETCH(QStringList, names);
    QFETCH(QString, totals);
    selectRemote(names);
    m_frm->Cmd_Dn_Click();
    QVERIFY(waitForQueue());
    const QString text = QueuePanel::totalsText(m_frm->queue());
    QVERIFY2(text == totals || text.startsWith(totals + u','), qPrintable(text));
}

void TestFileOperations::nothingSelectedQueuesNothing() {
    TARLEN_Frm& f = *m_frm;
    selectRemote({});
    f.Cmd_Dn_Click();
    f.Cmd_Up_Click();
    QVERIFY(f.queue().items().empty());
    QVERIFY(sent().isEmpty());
}

void TestFileOperations::failedDownloadKeepsLocalFile() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(writeFile(local(QStringLiteral("a.txt")), "precious local"));
    QFile::remove(m_server.root() + QStringLiteral("/a.txt"));
    selectRemote({"a.txt"});
    m_prompter.choices = {QStringLiteral("Overwrite")};
    f.Cmd_Dn_Click();
    QVERIFY(waitForQueue());
    QCOMPARE(m_prompter.choicesShown.size(), 1);
    QVERIFY(m_prompter.choicesShown[0].text.contains(u"exists already"));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("Error! 12003")));
    QCOMPARE(f.queue().items().front().state, TransferState::Failed);
    QCOMPARE(readFile(local(QStringLiteral("a.txt"))), QByteArray("precious local"));
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
}

void TestFileOperations::hostileNameIsRefusedAndOthersGo() {
    TARLEN_Frm& f = *m_frm;
    // A control character in a name is legal on the server's disk, but the
    // listing never shows such a name.
    const QString bad = QStringLiteral("bad") + QChar(1) + QStringLiteral("name");
    QVERIFY(m_server.writeFile(bad, "x"));
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    for (int i = 0; i < f.parts().remotePane->LstX_Files->ListCount(); ++i)
        QVERIFY(f.parts().remotePane->LstX_Files->List(i) != bad);
    // A name no listing lets through, as if one had.
    f.parts().remotePane->Lst_Remote.add(QStringLiteral("../escape.txt"));
    f.parts().remotePane->Load_FilesR();
    selectRemote({QStringLiteral("../escape.txt"), QStringLiteral("a.txt")});
    f.Cmd_Dn_Click();
    QCOMPARE(f.queue().items().size(), size_t(1));
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages[0].text.contains(QStringLiteral("cannot be used")));
    QCOMPARE(m_prompter.messages[0].icon, Prompter::Icon::Critical);
    QVERIFY(waitForQueue());
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files), QStringList{"a.txt"});
    QVERIFY(!QFile::exists(m_local->path() + QStringLiteral("/../escape.txt")));
}

void TestFileOperations::uploadSelectedFilesAndListAgain() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(writeFile(local(QStringLiteral("up1.txt")), "first"));
    QVERIFY(writeFile(local(QStringLiteral("up2.bin")), QByteArray(50000, '\x7f')));
    f.parts().localPane->Cmd_Refresh_Click();
    selectLocal({"up1.txt", "up2.bin"});
    f.Cmd_Up_Click();
    QVERIFY(waitForQueue());
    QCOMPARE(readFile(m_server.root() + QStringLiteral("/up2.bin")), QByteArray(50000, '\x7f'));
    // The remote pane lists its directory again once files arrived there.
    QTRY_VERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("up1.txt")));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nSending up1.txt")));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nup1.txt sent")));
}

void TestFileOperations::existingTargetQuestionTellsBothSides_data() {
    QTest::addColumn<bool>("upload");
    QTest::addColumn<QDateTime>("serverTime");
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("arriving");
    const QDateTime early(QDate(2023, 1, 2), QTime(3, 4));
    const QDateTime late(QDate(2024, 5, 6), QTime(7, 8));
    // The local a.txt ("old", 3 bytes) was changed at `early + 1 day`.
    QTest::newRow("upload over a newer server file")
        << true << late << "5 bytes, changed 2024-05-06 07:08 (newer)"
        << "3 bytes, changed 2023-01-03 03:04";
    QTest::newRow("upload over an older server file")
        << true << early << "5 bytes, changed 2023-01-02 03:04"
        << "3 bytes, changed 2023-01-03 03:04 (newer)";
    QTest::newRow("download of a newer server file")
        << false << late << "3 bytes, changed 2023-01-03 03:04"
        << "5 bytes, changed 2024-05-06 07:08 (newer)";
}

// The question about an existing target gives the size and time of both
// files, whichever side the listing left without a time, and marks the newer.
void TestFileOperations::existingTargetQuestionTellsBothSides() {
    QFETCH(bool, upload);
    QFETCH(QDateTime, serverTime);
    QFETCH(QString, existing);
    QFETCH(QString, arriving);
    TARLEN_Frm& f = *m_frm;
    const auto setTime = [](const QString& path, const QDateTime& time) {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) &&
               file.setFileTime(time, QFileDevice::FileModificationTime);
    };
    QVERIFY(setTime(m_server.root() + QStringLiteral("/a.txt"), serverTime));
    QVERIFY(writeFile(local(QStringLiteral("a.txt")), "old"));
    QVERIFY(setTime(local(QStringLiteral("a.txt")), QDateTime(QDate(2023, 1, 3), QTime(3, 4))));
    f.parts().localPane->Cmd_Refresh_Click();
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    m_prompter.choices = {QStringLiteral("Skip")};
    if (upload) {
        selectLocal({"a.txt"});
        f.Cmd_Up_Click();
    } else {
        selectRemote({"a.txt"});
        f.Cmd_Dn_Click();
    }
    QVERIFY(waitForQueue());
    QCOMPARE(m_prompter.choicesShown.size(), 1);
    const QString text = m_prompter.choicesShown[0].text;
    QVERIFY2(text.endsWith(QStringLiteral("\n\nExisting: ") + existing + QStringLiteral("\nNew: ") +
                           arriving),
             qPrintable(text));
}

void TestFileOperations::uploadRefusesNameWithBlank() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(writeFile(local(QStringLiteral("has blank.txt")), "b"));
    QVERIFY(writeFile(local(QStringLiteral("ok.txt")), "o"));
    f.parts().localPane->Cmd_Refresh_Click();
    selectLocal({"has blank.txt", "ok.txt"});
    f.Cmd_Up_Click();
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_prompter.messages[0].text,
             QStringLiteral("Files with embedded spaces can not be transferred"));
    QCOMPARE(m_prompter.messages[0].title, QStringLiteral("Qoro FTP"));
    QCOMPARE(f.queue().items().size(), size_t(1));
    QVERIFY(waitForQueue());
    QCOMPARE(readFile(m_server.root() + QStringLiteral("/ok.txt")), QByteArray("o"));
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/has blank.txt")));
}

// A local name from a program of another encoding reaches the server as the
// same bytes (vsftpd keeps names byte for byte).
void TestFileOperations::uploadKeepsTheBytesOfANameThatIsNotUtf8() {
    TARLEN_Frm& f = *m_frm;
    FtpTestServer bytewise(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(bytewise.start(), qPrintable(bytewise.errorText()));
    const QByteArray name = "r\xE9sum\xE9.txt";
    const QByteArray localPath = QFile::encodeName(m_local->path()) + '/' + name;
    const int fd = ::open(localPath.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "cv", 2), ssize_t(2));
    ::close(fd);
    useServer(bytewise);
    f.parts().localPane->Cmd_Refresh_Click();
    f.parts().localPane->LstX_Files->SetSelected(0, true);
    f.Cmd_Up_Click();
    QVERIFY(waitForQueue());
    const QByteArray uploaded = QFile::encodeName(bytewise.root()) + '/' + name;
    QFile copy;
    const int copyFd = ::open(uploaded.constData(), O_RDONLY);
    QVERIFY(copyFd >= 0 && copy.open(copyFd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    QCOMPARE(copy.readAll(), QByteArray("cv"));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("r\uFFFDsum\uFFFD.txt sent")));
    QVERIFY(m_prompter.messages.isEmpty());
    ::unlink(uploaded.constData());
    ::unlink(localPath.constData());
}

// Cancel in the queue stops that one file, keeping what arrived for later;
// the others go on.
void TestFileOperations::cancellingOneTransferLetsTheOthersGoOn() {
    TARLEN_Frm& f = *m_frm;
    for (const char* name : {"d1.bin", "d2.bin", "d3.bin"})
        QVERIFY(m_slow.writeFile(QString::fromUtf8(name), QByteArray(1024 * 1024, 'd')));
    useServer(m_slow);
    f.queue().setParallel(1);
    selectRemote({"d1.bin", "d2.bin", "d3.bin"});
    f.Cmd_Dn_Click();
    const quint64 second = f.queue().items()[1].id;
    QTRY_VERIFY_WITH_TIMEOUT(f.queue().item(second)->state == TransferState::Running &&
                                 f.queue().item(second)->done > 0,
                             30000);
    f.queue().controls().cancel(second);
    QVERIFY(waitForQueue(60000));
    QCOMPARE(f.queue().item(second)->state, TransferState::Cancelled);
    QVERIFY(QFile::exists(local(QStringLiteral("d2.bin.part"))));
    QVERIFY(!QFile::exists(local(QStringLiteral("d2.bin"))));
    QCOMPARE(readFile(local(QStringLiteral("d3.bin"))), QByteArray(1024 * 1024, 'd'));
    for (const char* name : {"d1.bin", "d2.bin", "d3.bin"})
        QFile::remove(m_slow.root() + u'/' + QString::fromUtf8(name));
}

// Two files move on connections of their own while the window lists a
// directory on its own connection.
void TestFileOperations::browsingGoesOnWhileTwoFilesMove() {
    TARLEN_Frm& f = *m_frm;
    for (const char* name : {"m1.bin", "m2.bin"})
        QVERIFY(m_slow.writeFile(QString::fromUtf8(name), QByteArray(1024 * 1024, 'm')));
    QVERIFY(m_slow.writeFile(QStringLiteral("docs/readme.txt"), "docs"));
    useServer(m_slow);
    QCOMPARE(f.queue().parallel(), 2);
    selectRemote({"m1.bin", "m2.bin"});
    f.Cmd_Dn_Click();
    QTRY_COMPARE_WITH_TIMEOUT(f.queue().totals().running, 2, 10000);
    f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(
        f.parts()
            .remotePane->Lst_Remote_Dir->findItems(QStringLiteral("docs/"), Qt::MatchExactly)
            .first());
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    QCOMPARE(entries(f.parts().remotePane->LstX_Files), QStringList{"readme.txt"});
    QCOMPARE(f.queue().totals().running, 2);
    QVERIFY(waitForQueue(60000));
    QCOMPARE(readFile(local(QStringLiteral("m2.bin"))), QByteArray(1024 * 1024, 'm'));
    for (const char* name : {"m1.bin", "m2.bin", "docs/readme.txt"})
        QFile::remove(m_slow.root() + u'/' + QString::fromUtf8(name));
}

// A directory selected in either pane goes with everything in it.
void TestFileOperations::folderGoesWithEverythingInIt() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_server.writeFile(QStringLiteral("docs/inner/deep.txt"), "deep"));
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(
        f.parts()
            .remotePane->Lst_Remote_Dir->findItems(QStringLiteral("docs/"), Qt::MatchExactly)
            .first());
    selectRemote({});
    f.Cmd_Dn_Click();
    QVERIFY(waitForQueue());
    QCOMPARE(readFile(local(QStringLiteral("docs/inner/deep.txt"))), QByteArray("deep"));
    QCOMPARE(readFile(local(QStringLiteral("docs/readme.txt"))), QByteArray("docs"));

    // Back up under another name, chosen in the local directory list.
    QVERIFY(QDir().rename(local(QStringLiteral("docs")), local(QStringLiteral("copy"))));
    f.parts().localPane->reloadLocalFiles();
    QTRY_VERIFY(
        !f.parts().localPane->Dir1->findItems(QStringLiteral("copy"), Qt::MatchEndsWith).isEmpty());
    QListWidgetItem* copy =
        f.parts().localPane->Dir1->findItems(QStringLiteral("copy"), Qt::MatchEndsWith).first();
    f.parts().localPane->Dir1->setCurrentItem(copy);
    copy->setSelected(true);
    selectLocal({});
    f.Cmd_Up_Click();
    QVERIFY(waitForQueue());
    QCOMPARE(readFile(m_server.root() + QStringLiteral("/copy/inner/deep.txt")),
             QByteArray("deep"));
    QTRY_VERIFY(
        f.parts()
            .remotePane->Lst_Remote_Dir->findItems(QStringLiteral("copy/"), Qt::MatchExactly)
            .size() == 1);
}

// Closing the window with work left keeps it; the next login to the same
// server offers it, and Yes puts it back in the queue.
void TestFileOperations::keptQueueIsOfferedAtTheNextLogin() {
    TARLEN_Frm& f = *m_frm;
    useServer(m_slow);
    QVERIFY(m_slow.writeFile(QStringLiteral("later.bin"), QByteArray(2 * 1024 * 1024, 'l')));
    f.parts().remotePane->Cmd_Refresh_Click();
    QVERIFY(settled(f));
    selectRemote({"later.bin"});
    f.Cmd_Dn_Click();
    QTRY_VERIFY_WITH_TIMEOUT(f.queue().items().front().done > 0, 10000);
    QVERIFY(quitAndReopen());
    m_prompter.answers = {Prompter::Answer::Yes};
    useServer(m_slow);
    QCOMPARE(m_prompter.questions.last().defaultButton, Prompter::Answer::Yes);
    QVERIFY(m_prompter.questions.last().text.contains(u"1 transfer with"));
    QCOMPARE(m_frm->queue().items().size(), size_t(1));
    QVERIFY(m_frm->queue().items().front().partly);
    QVERIFY(QTest::qWaitFor([this] { return m_frm->queue().idle(); }, 60000));
    QCOMPARE(readFile(local(QStringLiteral("later.bin"))), QByteArray(2 * 1024 * 1024, 'l'));
    QFile::remove(m_slow.root() + QStringLiteral("/later.bin"));
}

// A queue kept after a login with one protocol is offered at a login to the
// same server and account with another (here: a profile's plain FTP, then
// "ftp://" from the command line, TLS when offered). Kept for later, the
// same file queued again continues the part file it left.
void TestFileOperations::keptQueueIsFoundWhateverTheProtocol() {
    const QByteArray content(2 * 1024 * 1024, 'k');
    QVERIFY(m_slow.writeFile(QStringLiteral("kept.bin"), content));
    const qint64 sentBefore = m_slow.downloadedBytes();
    useServer(m_slow);
    selectRemote({"kept.bin"});
    m_frm->Cmd_Dn_Click();
    QTRY_VERIFY_WITH_TIMEOUT(m_frm->queue().items().front().done > 1024 * 1024, 20000);
    QVERIFY(quitAndReopen());
    HostInfo fromUrl{QString(), m_slow.address(), m_slow.userName(), m_slow.password(),
                     ServerProtocol::FtpTlsIfOffered};
    fromUrl.clearTextAllowed = true; // pyftpdlib offers no TLS
    m_frm->dialogs().showConnectDialog = [fromUrl] {
        return std::optional<HostInfo>(fromUrl);
    };
    m_prompter.answers = {Prompter::Answer::Cancel};
    m_frm->parts().Cmd_Connect->click();
    QVERIFY(settled(*m_frm));
    QVERIFY(m_frm->session().connected());
    QVERIFY(m_prompter.questions.last().text.startsWith(u"1 transfer with"));
    QVERIFY(m_frm->queue().items().empty());
    selectRemote({"kept.bin"});
    m_frm->Cmd_Dn_Click();
    QVERIFY(m_frm->queue().items().front().partly);
    QVERIFY(waitForQueue(60000));
    QCOMPARE(readFile(local(QStringLiteral("kept.bin"))), content);
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.bin"});
    // Only what the part file lacked came again: both attempts together sent
    // little more than the file (its last second's worth, perhaps, twice).
    const qint64 sent = m_slow.downloadedBytes() - sentBefore;
    QVERIFY2(sent < content.size() + 512 * 1024, qPrintable(QString::number(sent)));
    QFile::remove(m_slow.root() + QStringLiteral("/kept.bin"));
}

void TestFileOperations::quittingWhileTransfersRunAsksFirst_data() {
    QTest::addColumn<int>("running");
    QTest::addColumn<QString>("answer"); // "" for Escape
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("quits");
    const QString two =
        QStringLiteral("2 transfers are running: quit and continue them next time?");
    QTest::newRow("nothing runs") << 0 << ""
                                  << "" << true;
    QTest::newRow("one, Quit") << 1 << "Quit"
                               << "1 transfer is running: quit and continue it next time?" << true;
    QTest::newRow("two, Cancel") << 2 << "Cancel" << two << false;
    QTest::newRow("two, Escape") << 2 << "" << two << false;
}

// Ctrl+Q and the window's close ask before they stop running transfers;
// Enter and Escape keep them running. Quitting keeps them for the next time.
void TestFileOperations::quittingWhileTransfersRunAsksFirst() {
    QFETCH(int, running);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    QFETCH(bool, quits);
    TARLEN_Frm& f = *m_frm;
    useServer(m_slow);
    QStringList names;
    for (int n = 0; n < running; ++n) {
        names << QStringLiteral("q%1.bin").arg(n);
        QVERIFY(m_slow.writeFile(names.last(), QByteArray(1024 * 1024, 'q')));
    }
    if (running > 0) {
        f.parts().remotePane->Cmd_Refresh_Click();
        QVERIFY(settled(f));
        selectRemote(names);
        f.Cmd_Dn_Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.queue().totals().running, running, 10000);
    }
    m_prompter.choices = {answer};
    QCOMPARE(f.close(), quits);
    QCOMPARE(m_prompter.choicesShown.size(), running > 0 ? 1 : 0);
    if (running > 0) {
        const ScriptedPrompter::Choice asked = m_prompter.choicesShown.front();
        QCOMPARE(asked.text, question);
        QCOMPARE(asked.buttons.value(asked.defaultButton), QStringLiteral("Cancel"));
        QCOMPARE(asked.escapeButton, asked.defaultButton);
    }
    if (quits) {
        QCOMPARE(QueueStore().load(f.queue().loginKey()).size(), size_t(running));
    } else {
        QCOMPARE(f.queue().totals().running, running);
        QVERIFY(waitForQueue(60000));
        for (const QString& name : names)
            QCOMPARE(readFile(local(name)), QByteArray(1024 * 1024, 'q'));
    }
    for (const QString& name : names)
        QFile::remove(m_slow.root() + u'/' + name);
}

// Connecting to another server leaves what runs with its own connections:
// it goes on, the log says so and the queue view names its server; the new
// server's files go beside it.
void TestFileOperations::connectingElsewhereLetsTransfersFinish() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_slow.writeFile(QStringLiteral("far.bin"), QByteArray(1024 * 1024, 'f')));
    useServer(m_slow);
    selectRemote({"far.bin"});
    f.Cmd_Dn_Click();
    QTRY_VERIFY_WITH_TIMEOUT(f.queue().items().front().done > 0, 10000);
    useServer(m_server);
    QCOMPARE(f.queue().items().size(), size_t(1));
    QCOMPARE(f.queue().items().front().state, TransferState::Running);
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("1 transfer with ") +
                                                  m_slow.address() + QStringLiteral(" goes on")));
    QCOMPARE(f.parts().Queue->model().index(0, QueueModel::Remote).data().toString(),
             QStringLiteral("/far.bin on ") + m_slow.address());
    selectRemote({"a.txt"});
    f.Cmd_Dn_Click();
    QCOMPARE(f.parts().Queue->model().index(1, QueueModel::Remote).data().toString(),
             QStringLiteral("/a.txt"));
    QVERIFY(waitForQueue(60000));
    QCOMPARE(readFile(local(QStringLiteral("far.bin"))), QByteArray(1024 * 1024, 'f'));
    QCOMPARE(readFile(local(QStringLiteral("a.txt"))), QByteArray("alpha"));
    QVERIFY(m_prompter.messages.isEmpty());
    QFile::remove(m_slow.root() + QStringLiteral("/far.bin"));
}

// Each file shows under its own name, with the rate of the last seconds and
// the time left at that rate.
void TestFileOperations::progressShowsTheFileWhileItMoves() {
    TARLEN_Frm& f = *m_frm;
    constexpr int kSize = 640 * 1024;
    // vsftpd keeps to its rate smoothly, so that the rate shown can be judged.
    FtpTestServer steady(FtpTestServer::Kind::Vsftpd, slow());
    QVERIFY2(steady.start(), qPrintable(steady.errorText()));
    QVERIFY(steady.writeFile(QStringLiteral("movie.bin"), QByteArray(kSize, 'm')));
    QVERIFY(steady.writeFile(QStringLiteral("trailer.bin"), QByteArray(kSize, 't')));
    useServer(steady);
    f.queue().setParallel(1);
    selectRemote({"movie.bin", "trailer.bin"});
    QStringList names;
    QList<double> secondRates;
    QList<int> secondLeft;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (f.parts().Progress->isHidden() || f.parts().Progress->percent() == 0)
            return;
        if (!names.contains(f.parts().Progress->nameText()))
            names << f.parts().Progress->nameText();
        QVERIFY(f.parts().Progress->amountText().endsWith(QStringLiteral("of 640 KiB")));
        if (f.parts().Progress->nameText() == u"trailer.bin" &&
            f.parts().Progress->percent() >= 40) {
            secondRates << rateOf(f.parts().Progress->rateText());
            const QStringList left =
                f.parts().Progress->timeLeftText().split(u' ').value(0).split(u':');
            secondLeft << left.value(0).toInt() * 60 + left.value(1).toInt();
        }
    });
    poll.start(100);
    f.Cmd_Dn_Click();
    QVERIFY(waitForQueue());
    poll.stop();
    QCOMPARE(names, (QStringList{"movie.bin", "trailer.bin"}));
    QVERIFY(!secondRates.isEmpty());
    // The server sends 256 KiB/s; what the second file shows is near that,
    // not an average that counts the first file's time.
    const double rate = secondRates.last();
    QVERIFY2(rate > 0.6 * kSlowRate && rate < 1.6 * kSlowRate, qPrintable(QString::number(rate)));
    // At 40 % or more of 640 KiB, at most 384 KiB are left: a second or two.
    QVERIFY2(secondLeft.first() <= 3, qPrintable(QString::number(secondLeft.first())));
    QTRY_VERIFY(f.parts().Progress->isHidden());
    QCOMPARE(TransferProgressPanel::formatDuration(75), QStringLiteral("1:15"));
}

// Every question before something is destroyed answers No to Enter.
void TestFileOperations::destructiveQuestionsDefaultToNo() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(writeFile(local(QStringLiteral("keep.txt")), "keep"));
    f.parts().localPane->Cmd_Refresh_Click();
    selectLocal({"keep.txt"});
    selectRemote({"a.txt"});
    m_prompter.answers = {Prompter::Answer::No, Prompter::Answer::No, Prompter::Answer::No,
                          Prompter::Answer::No};
    f.parts().localPane->Cmd_Delete_Click();
    f.parts().remotePane->Cmd_Delete_Click();
    f.parts().localPane->Cmd_Rem_Click();
    f.parts().remotePane->Cmd_Rem_Click();
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.questions.size(), 4);
    for (const ScriptedPrompter::Shown& question : m_prompter.questions)
        QCOMPARE(question.defaultButton, Prompter::Answer::No);
    QVERIFY(sent().isEmpty());
    QVERIFY(QFile::exists(local(QStringLiteral("keep.txt"))));
}

void TestFileOperations::remoteDeleteAsksThenDeletesAndLists() {
    TARLEN_Frm& f = *m_frm;
    selectRemote({"a.txt", "my file.txt"});
    m_prompter.answers = {Prompter::Answer::No};
    f.parts().remotePane->Cmd_Delete_Click();
    QVERIFY(settled(f));
    QVERIFY(sent().isEmpty());
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().remotePane->Cmd_Delete_Click();
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.questions.last().text,
             QStringLiteral("Delete selected files on the remote system?"));
    QCOMPARE(m_prompter.questions.last().title, QStringLiteral("Qoro Consulting FTP"));
    QCOMPARE(sent(), (QStringList{"DELETE /a.txt", "DELETE /my file.txt", "DIR /*"}));
    QCOMPARE(entries(f.parts().remotePane->LstX_Files), QStringList{"b.zip"});
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\n/a.txt deleted")));
}

void TestFileOperations::remoteRenameStopsAtEmptyAnswer() {
    TARLEN_Frm& f = *m_frm;
    selectRemote({"a.txt", "b.zip"});
    m_prompter.inputs = {QStringLiteral("renamed a.txt"), QString()};
    f.parts().remotePane->Cmd_Rename_Click();
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.prompts[0].text, QStringLiteral("Enter a new name fora.txt"));
    QCOMPARE(m_prompter.prompts[0].title, QStringLiteral("Qoro FTP"));
    QCOMPARE(sent(), (QStringList{"RENAME /a.txt /renamed a.txt", "DIR /*"}));
    QVERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("renamed a.txt")));
    QVERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("b.zip")));

    // A new name with a "/" is refused before anything is sent.
    m_sent->clear();
    selectRemote({"b.zip"});
    m_prompter.inputs = {QStringLiteral("../b.zip")};
    f.parts().remotePane->Cmd_Rename_Click();
    QVERIFY(settled(f));
    QVERIFY(sent().isEmpty());
    QVERIFY(m_prompter.messages.last().text.startsWith(
        QStringLiteral("The following error occurred trying to rename /: ")));
}

void TestFileOperations::remoteMakeAndRemoveDirectory() {
    TARLEN_Frm& f = *m_frm;
    m_prompter.inputs = {QStringLiteral("new dir")};
    f.parts().remotePane->Cmd_Dir_Click();
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.prompts[0].text, QStringLiteral("Enter a new remote subdirectory for /"));
    QCOMPARE(sent(), (QStringList{"MKDIR /new dir", "DIR /*"}));
    QVERIFY(QFileInfo(m_server.root() + QStringLiteral("/new dir")).isDir());

    // An empty answer does nothing at all.
    m_sent->clear();
    f.parts().remotePane->Cmd_Dir_Click();
    QVERIFY(settled(f));
    QVERIFY(sent().isEmpty());

    // Into docs/, then remove it with every file it lists.
    f.parts().remotePane->Lst_Remote_Dir->setCurrentItem(
        f.parts()
            .remotePane->Lst_Remote_Dir->findItems(QStringLiteral("docs/"), Qt::MatchExactly)
            .first());
    f.parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(settled(f));
    m_sent->clear();
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().remotePane->Cmd_Rem_Click();
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.questions.last().text,
             QStringLiteral("Delete the directory /docs/ and all its contents from the remote "
                            "system?"));
    QCOMPARE(sent(), (QStringList{"DELETE /docs/readme.txt", "RMDIR /docs/", "DIR /*"}));
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/"));
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(!QFileInfo::exists(m_server.root() + QStringLiteral("/docs")));
}

void TestFileOperations::localDeleteRenameAndRefusals() {
    TARLEN_Frm& f = *m_frm;
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        QVERIFY(writeFile(local(QString::fromUtf8(name)), name));
    f.parts().localPane->Cmd_Refresh_Click();

    // Renaming onto an existing name is refused; the other file stays.
    selectLocal({"one.txt"});
    m_prompter.inputs = {QStringLiteral("two.txt")};
    f.parts().localPane->Cmd_Rename_Click();
    QCOMPARE(readFile(local(QStringLiteral("two.txt"))), QByteArray("two.txt"));
    QVERIFY(QFile::exists(local(QStringLiteral("one.txt"))));
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages[0].text.startsWith(
        QStringLiteral("The following error occurred trying to rename ") + m_local->path() +
        QStringLiteral("/: ")));

    // Three selected, the second answer empty: only the first is renamed.
    selectLocal({"one.txt", "three.txt", "two.txt"});
    m_prompter.inputs = {QStringLiteral("uno.txt"), QString()};
    f.parts().localPane->Cmd_Rename_Click();
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files),
             (QStringList{"three.txt", "two.txt", "uno.txt"}));
    QCOMPARE(f.parts().localPane->LstX_Files->ListCount(), 3);

    selectLocal({"uno.txt", "two.txt"});
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().localPane->Cmd_Delete_Click();
    QCOMPARE(m_prompter.questions.last().text, QStringLiteral("Delete all selected files?"));
    QCOMPARE(m_prompter.questions.last().title, QStringLiteral("Qoro FTP"));
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files), QStringList{"three.txt"});
    QCOMPARE(entries(f.parts().localPane->LstX_Files).size(), 1);
}

void TestFileOperations::localDeleteRemovesLinkNotTarget() {
    TARLEN_Frm& f = *m_frm;
    QTemporaryDir outside;
    const QString target = outside.path() + QStringLiteral("/keep.txt");
    QVERIFY(writeFile(target, "outside"));
    QVERIFY(QFile::link(target, local(QStringLiteral("link.txt"))));
    f.parts().localPane->Cmd_Refresh_Click();
    selectLocal({"link.txt"});
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().localPane->Cmd_Delete_Click();
    QVERIFY(!QFileInfo(local(QStringLiteral("link.txt"))).isSymLink());
    QCOMPARE(readFile(target), QByteArray("outside"));
}

void TestFileOperations::localMakeAndRemoveDirectory() {
    TARLEN_Frm& f = *m_frm;
    m_prompter.inputs = {QStringLiteral("sub")};
    f.parts().localPane->Cmd_Dir_Click();
    const QString sub = local(QStringLiteral("sub"));
    QVERIFY(QFileInfo(sub).isDir());
    QCOMPARE(f.parts().localPane->File1->Path(), sub);
    QCOMPARE(m_prompter.prompts[0].text,
             QStringLiteral("Enter a new subdirectory for ") + m_local->path());

    // A name with "/" is refused.
    m_prompter.inputs = {QStringLiteral("a/b")};
    f.parts().localPane->Cmd_Dir_Click();
    QVERIFY(!QFileInfo::exists(sub + QStringLiteral("/a")));
    QVERIFY(m_prompter.messages.last().text.startsWith(
        QStringLiteral("The following error occurred trying to create ")));

    // Removing a directory that holds a sub-directory deletes its listed
    // files, then fails; the view stays.
    QVERIFY(writeFile(sub + QStringLiteral("/f.txt"), "f"));
    QVERIFY(QDir().mkpath(sub + QStringLiteral("/inner")));
    f.parts().localPane->Cmd_Refresh_Click();
    m_prompter.answers = {Prompter::Answer::Yes};
    m_prompter.messages.clear();
    f.parts().localPane->Cmd_Rem_Click();
    QVERIFY(!QFile::exists(sub + QStringLiteral("/f.txt")));
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages[0].text.startsWith(
        QStringLiteral("The following error occurred trying to remove ") + sub +
        QStringLiteral("/: ")));
    QCOMPARE(f.parts().localPane->File1->Path(), sub);

    QVERIFY(QDir().rmdir(sub + QStringLiteral("/inner")));
    f.parts().localPane->Cmd_Refresh_Click();
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().localPane->Cmd_Rem_Click();
    QVERIFY(!QFileInfo::exists(sub));
    QCOMPARE(QDir(f.parts().localPane->File1->Path()).canonicalPath(),
             QDir(m_local->path()).canonicalPath());
}

void TestFileOperations::rightButtonDragDownloadsLeftClickDoesNothing() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.windowHandle()));
    selectRemote({"a.txt"});
    QWidget* from = f.parts().remotePane->LstX_Files->listBox()->viewport();
    QWidget* to = f.parts().localPane->LstX_Files->listBox()->viewport();
    const QPoint start(20, 8);

    // A left click is only a click.
    QTest::mouseClick(from, Qt::LeftButton, {}, start);
    QVERIFY(waitForPostedEvents());
    QVERIFY(f.queue().items().empty());

    // Right button down on the remote list, over to the local list, release
    // there. The pressed list keeps the mouse, as it would on screen.
    selectRemote({"a.txt"});
    const QPoint over = from->mapFromGlobal(to->mapToGlobal(QPoint(30, 30)));
    QTest::mousePress(from, Qt::RightButton, {}, start);
    QTest::mouseMove(from, start + QPoint(-30, 0));
    QCOMPARE(QApplication::overrideCursor() ? QApplication::overrideCursor()->pixmap().width() : 0,
             32);
    QTest::mouseMove(from, over);
    QTest::mouseRelease(from, Qt::RightButton, {}, over);
    QVERIFY(!QApplication::overrideCursor());
    QTRY_COMPARE(f.queue().items().size(), size_t(1));
    QCOMPARE(f.queue().items().front().remote, QStringLiteral("/a.txt"));
    QTRY_COMPARE(readFile(local(QStringLiteral("a.txt"))), QByteArray("alpha"));

    // Dropped back on the list it came from, or outside both lists: nothing.
    for (QWidget* target : {from, static_cast<QWidget*>(f.parts().Cmd_Connect)}) {
        const QPoint back = from->mapFromGlobal(target->mapToGlobal(QPoint(5, 5)));
        QTest::mousePress(from, Qt::RightButton, {}, start);
        QTest::mouseMove(from, start + QPoint(0, 20));
        QTest::mouseRelease(from, Qt::RightButton, {}, back);
    }
    QVERIFY(waitForPostedEvents());
    QCOMPARE(f.queue().items().size(), size_t(1));
}

void TestFileOperations::rightButtonDragTakesTheEntryItStartsOn_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("downloaded");
    QTest::newRow("nothing selected") << QStringList() << "b.zip" << QStringList{"/b.zip"};
    QTest::newRow("another entry selected")
        << QStringList{"a.txt"} << "my file.txt" << QStringList{"/my file.txt"};
    QTest::newRow("one of the selection")
        << QStringList{"a.txt", "b.zip"} << "b.zip" << QStringList{"/a.txt", "/b.zip"};
}

// A drag starting on an entry that is not selected selects it alone and
// takes it; one starting on a selected entry takes the whole selection.
void TestFileOperations::rightButtonDragTakesTheEntryItStartsOn() {
    QFETCH(QStringList, selected);
    QFETCH(QString, pressed);
    QFETCH(QStringList, downloaded);
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(f.windowHandle()));
    selectRemote(selected);
    CVantelCtrl* list = f.parts().remotePane->LstX_Files;
    QWidget* from = list->listBox()->viewport();
    QWidget* to = f.parts().localPane->LstX_Files->listBox()->viewport();
    const int row = int(entries(list).indexOf(pressed));
    QVERIFY(row >= 0);
    const QPoint start = list->listBox()->itemRect(row).center();
    const QPoint over = from->mapFromGlobal(to->mapToGlobal(QPoint(30, 30)));
    QTest::mousePress(from, Qt::RightButton, {}, start);
    QTest::mouseMove(from, start + QPoint(-30, 0));
    QTest::mouseMove(from, over);
    QTest::mouseRelease(from, Qt::RightButton, {}, over);
    QTRY_COMPARE(f.queue().items().size(), size_t(downloaded.size()));
    QStringList queued;
    for (const TransferItem& item : f.queue().items())
        queued << item.remote;
    queued.sort();
    QCOMPARE(queued, downloaded);
    QVERIFY(waitForQueue());
}

void TestFileOperations::deleteKeyRunsThatPanesDelete() {
    TARLEN_Frm& f = *m_frm;
    selectRemote({"a.txt"});
    m_prompter.answers = {Prompter::Answer::Cancel};
    short key = 46;
    f.parts().remotePane->LstX_Files_KeyDown(key, 1);
    QVERIFY(settled(f));
    QCOMPARE(m_prompter.questions.size(), 1);
    QCOMPARE(m_prompter.questions[0].text,
             QStringLiteral("Delete selected files on the remote system?"));
    QVERIFY(sent().isEmpty());
}

void TestFileOperations::dragIsForgottenWhenItsReleaseIsLost_data() {
    QTest::addColumn<QString>("lostBy");
    QTest::newRow("window deactivated") << QStringLiteral("deactivate");
    QTest::newRow("focus moved") << QStringLiteral("focus");
    QTest::newRow("next press") << QString();
}

// A drag whose release never reached a list must not turn the next click
// into a drop.
void TestFileOperations::dragIsForgottenWhenItsReleaseIsLost() {
    QFETCH(QString, lostBy);
    TARLEN_Frm& f = *m_frm;
    f.show();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    selectRemote({"a.txt"});
    QWidget* from = f.parts().remotePane->LstX_Files->listBox()->viewport();
    QWidget* to = f.parts().localPane->LstX_Files->listBox()->viewport();
    QTest::mousePress(from, Qt::RightButton, {}, QPoint(20, 8));
    QTest::mouseMove(from, QPoint(-40, 8));
    QVERIFY(QApplication::overrideCursor());

    QWidget other;
    if (lostBy == u"deactivate") {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    } else if (lostBy == u"focus") {
        f.parts().localPane->Txt_Pattern->setFocus();
    }
    if (!lostBy.isEmpty())
        QVERIFY(!QApplication::overrideCursor());

    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::mousePress(to, Qt::RightButton, {}, QPoint(30, 8));
    QTest::mouseRelease(to, Qt::RightButton, {}, QPoint(30, 8));
    QVERIFY(waitForPostedEvents());
    QVERIFY(settled(f));
    QVERIFY(f.queue().items().empty());
    QVERIFY(sent().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestFileOperations)
#include "tst_file_operations.moc"
