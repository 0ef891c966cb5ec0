// Drag and drop with other programs: files and folders dropped from the file
// manager on the remote pane are uploaded into the directory it shows; the
// local pane hands its selected files to a drag as file URLs.
#include "ftp_test_server.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopDrag : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void dropOnRemotePaneUploadsFilesAndFolders();
    void nothingIsTakenWhileDisconnected();
    void localSelectionGoesOutAsFileUrls();

private:
    // Offers `mime` to the remote pane as a drag would; whether it took it.
    bool dragAndDrop(const QMimeData& mime);

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_local;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestDesktopDrag::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestDesktopDrag::init() {
    m_prompter = ScriptedPrompter();
    m_local = std::make_unique<QTemporaryDir>();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->show();
    QVERIFY(m_frm->parts().localPane->setLocalPath(m_local->path()));
    scriptConnectDialog(*m_frm, m_server);
}

void TestDesktopDrag::cleanup() {
    m_frm.reset();
}

bool TestDesktopDrag::dragAndDrop(const QMimeData& mime) {
    RemotePane* pane = m_frm->parts().remotePane;
    const QPoint middle = pane->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pane, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pane, &drop);
    return drop.isAccepted();
}

void TestDesktopDrag::dropOnRemotePaneUploadsFilesAndFolders() {
    QVERIFY(m_server.writeFile(QStringLiteral("target/keep.txt"), "x"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("one.txt")), "first"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("with blank.txt")), "second"));
    QVERIFY(QDir(m_local->path()).mkpath(QStringLiteral("folder/deep")));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("folder/deep/inner.bin")), "third"));
    TARLEN_Frm& f = *m_frm;
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    f.parts().remotePane->openDirectory(QStringLiteral("target/"));
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(f.parts().remotePane->remoteDirectory(), QStringLiteral("/target/"));

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_local->filePath(QStringLiteral("one.txt"))),
                  QUrl::fromLocalFile(m_local->filePath(QStringLiteral("with blank.txt"))),
                  QUrl::fromLocalFile(m_local->filePath(QStringLiteral("folder")) + u'/'),
                  QUrl(QStringLiteral("https://example.org/not-a-file.txt"))});
    QVERIFY(dragAndDrop(mime));
    QVERIFY(QTest::qWaitFor([&f] { return f.queue().idle(); }, 30000));
    const QString target = m_server.root() + QStringLiteral("/target/");
    QCOMPARE(readFile(target + QStringLiteral("one.txt")), QByteArray("first"));
    QCOMPARE(readFile(target + QStringLiteral("with blank.txt")), QByteArray("second"));
    QCOMPARE(readFile(target + QStringLiteral("folder/deep/inner.bin")), QByteArray("third"));
    QVERIFY(!QFile::exists(target + QStringLiteral("not-a-file.txt")));
    QCOMPARE(f.queue().items().size(), size_t(5)); // three files, two folders

    // Only URLs of other kinds: nothing to take.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/"))});
    QVERIFY(!dragAndDrop(web));
}

void TestDesktopDrag::nothingIsTakenWhileDisconnected() {
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("one.txt")), "first"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_local->filePath(QStringLiteral("one.txt")))});
    QVERIFY(!dragAndDrop(mime));
    QVERIFY(m_frm->queue().items().empty());
}

void TestDesktopDrag::localSelectionGoesOutAsFileUrls() {
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("a.txt")), "a"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("b c.txt")), "b"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("d.txt")), "d"));
    LocalPane& pane = *m_frm->parts().localPane;
    pane.Cmd_Refresh_Click();
    QTRY_COMPARE(pane.LstX_Files->ListCount(), 3);
    QVERIFY(!pane.selectionMime());
    for (int i = 0; i < pane.LstX_Files->ListCount(); ++i)
        pane.LstX_Files->SetSelected(i, pane.shownName(i) != QStringLiteral("d.txt"));
    std::unique_ptr<QMimeData> mime(pane.selectionMime());
    QVERIFY(mime);
    QList<QUrl> expected{QUrl::fromLocalFile(m_local->filePath(QStringLiteral("a.txt"))),
                         QUrl::fromLocalFile(m_local->filePath(QStringLiteral("b c.txt")))};
    QList<QUrl> urls = mime->urls();
    std::sort(urls.begin(), urls.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(urls, expected);
    QVERIFY(mime->text().isEmpty() || mime->text().contains(QStringLiteral("file://")));
}

QTEST_MAIN(TestDesktopDrag)
#include "tst_desktop_drag.moc"
