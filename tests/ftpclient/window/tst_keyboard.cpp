// Driving the window from the keyboard, as a desktop user expects: Enter,
// Backspace, F5, F2 and Delete in each pane, the window's own keys, the
// order Tab walks, and a tooltip on every button that shows only a picture.
#include "ftp_test_server.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void localPaneKeys();
    void remotePaneKeys();
    void windowKeys();
    void tabWalksThePanesInOrder();
    void pictureButtonsHaveTooltips();

private:
    QStringList remoteFiles() const;
    void focusAndPress(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {});

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_local;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestKeyboard::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestKeyboard::init() {
    m_prompter = ScriptedPrompter();
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_local->path()).mkpath(QStringLiteral("sub")));
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frm.get()));
    QVERIFY(m_frm->parts().localPane->setLocalPath(m_local->filePath(QStringLiteral("sub"))));
    scriptConnectDialog(*m_frm, m_server);
}

void TestKeyboard::cleanup() {
    m_frm.reset();
}

QStringList TestKeyboard::remoteFiles() const {
    QStringList names;
    CVantelCtrl* list = m_frm->parts().remotePane->LstX_Files;
    for (int i = 0; i < list->ListCount(); ++i)
        names << list->List(i);
    return names;
}

void TestKeyboard::focusAndPress(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    widget->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(widget->hasFocus());
    // To the widget that has the focus, which may be the one's focus proxy.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

void TestKeyboard::localPaneKeys() {
    LocalPane& pane = *m_frm->parts().localPane;
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("sub/new.txt")), "x"));
    focusAndPress(pane.LstX_Files, Qt::Key_F5);
    QTRY_COMPARE(pane.LstX_Files->ListCount(), 1);

    // Backspace edits the pattern box, and goes up from anywhere else.
    pane.Txt_Pattern->setText(QStringLiteral("*.tx"));
    pane.Txt_Pattern->setFocus();
    pane.Txt_Pattern->end(false);
    QTest::keyClick(pane.Txt_Pattern, Qt::Key_Backspace);
    QCOMPARE(pane.Txt_Pattern->text(), QStringLiteral("*.t"));
    QCOMPARE(pane.localPath(), m_local->filePath(QStringLiteral("sub")));
    focusAndPress(pane.LstX_Files, Qt::Key_Backspace);
    QTRY_COMPARE(pane.localPath(), m_local->path());

    // Enter in the directory list opens the directory chosen.
    const QList<QListWidgetItem*> sub =
        pane.Dir1->findItems(QStringLiteral("sub"), Qt::MatchContains);
    QVERIFY(!sub.isEmpty());
    pane.Dir1->setCurrentItem(sub.last());
    focusAndPress(pane.Dir1, Qt::Key_Return);
    QTRY_COMPARE(pane.localPath(), m_local->filePath(QStringLiteral("sub")));
}

void TestKeyboard::remotePaneKeys() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_server.writeFile(QStringLiteral("docs/inside.txt"), "x"));
    QVERIFY(m_server.writeFile(QStringLiteral("old.txt"), "x"));
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    RemotePane& pane = *f.parts().remotePane;

    const QList<QListWidgetItem*> docs =
        pane.Lst_Remote_Dir->findItems(QStringLiteral("docs/"), Qt::MatchExactly);
    QVERIFY(!docs.isEmpty());
    pane.Lst_Remote_Dir->setCurrentItem(docs.first());
    focusAndPress(pane.Lst_Remote_Dir, Qt::Key_Return);
    QTRY_COMPARE(pane.Lbl_Dir->text(), QStringLiteral("/docs/"));
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(remoteFiles(), QStringList{"inside.txt"});
    focusAndPress(pane.LstX_Files, Qt::Key_Backspace);
    QTRY_COMPARE(pane.Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(waitUntilIdle(f.session()));

    // F2 renames the selected file, Delete deletes it, F5 lists again.
    pane.LstX_Files->SetSelected(int(remoteFiles().indexOf(QStringLiteral("old.txt"))), true);
    m_prompter.inputs = {QStringLiteral("new.txt")};
    focusAndPress(pane.LstX_Files, Qt::Key_F2);
    QTRY_VERIFY(QFile::exists(m_server.root() + QStringLiteral("/new.txt")));
    QTRY_VERIFY(remoteFiles().contains(QStringLiteral("new.txt")));
    pane.LstX_Files->SetSelected(int(remoteFiles().indexOf(QStringLiteral("new.txt"))), true);
    m_prompter.answers = {Prompter::Answer::Yes};
    focusAndPress(pane.LstX_Files, Qt::Key_Delete);
    QTRY_VERIFY(!QFile::exists(m_server.root() + QStringLiteral("/new.txt")));
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(m_server.writeFile(QStringLiteral("later.txt"), "x"));
    focusAndPress(pane.LstX_Files, Qt::Key_F5);
    QTRY_VERIFY(remoteFiles().contains(QStringLiteral("later.txt")));
}

void TestKeyboard::windowKeys() {
    TARLEN_Frm& f = *m_frm;
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    focusAndPress(f.parts().localPane->LstX_Files, Qt::Key_F1);
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages.first().text.startsWith(QStringLiteral("tarlen 1.2.3")));

    Preferences offered;
    f.dialogs().showPreferences = [&offered](const Preferences& current) {
        offered = current;
        Preferences chosen;
        chosen.parallelTransfers = 4;
        chosen.existingFiles = 2;
        return std::optional<Preferences>(chosen);
    };
    focusAndPress(f.parts().localPane->LstX_Files, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(offered.parallelTransfers, Preferences::DefaultParallelTransfers);
    QCOMPARE(f.queue().parallel(), 4);
    QCOMPARE(f.queue().existingTargetRule(), ExistingTargetRule::Skip);

    focusAndPress(f.parts().localPane->LstX_Files, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!f.isVisible());
}

void TestKeyboard::tabWalksThePanesInOrder() {
    TARLEN_Frm& f = *m_frm;
    const QList<QWidget*> expected = {f.parts().localPane->Dir1,
                                      f.parts().localPane->LstX_Files,
                                      f.parts().localPane->Txt_Pattern,
                                      f.parts().Cmd_Dn,
                                      f.parts().Cmd_Up,
                                      f.parts().remotePane->Lst_Remote_Dir,
                                      f.parts().remotePane->LstX_Files,
                                      f.parts().remotePane->Txt_Pattern,
                                      f.parts().Cmd_Connect};
    QList<QWidget*> walked;
    f.parts().localPane->Dir1->setFocus();
    QTRY_VERIFY(f.parts().localPane->Dir1->hasFocus());
    for (int step = 0; step < 60 && walked.size() < expected.size(); ++step) {
        QWidget* focused = QApplication::focusWidget();
        QWidget* now = focused;
        while (now && !expected.contains(now))
            now = now->parentWidget();
        if (now && !walked.contains(now))
            walked << now;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QStringList names;
    for (QWidget* w : walked)
        names << QString::fromLatin1(w->metaObject()->className()) + w->objectName();
    QVERIFY2(walked == expected, qPrintable(names.join(",")));
}

void TestKeyboard::pictureButtonsHaveTooltips() {
    const QList<QAbstractButton*> buttons = m_frm->findChildren<QAbstractButton*>();
    QVERIFY(!buttons.isEmpty());
    for (QAbstractButton* button : buttons)
        if (button->text().isEmpty() && !button->icon().isNull())
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
