// The window over FTP with TLS and over SFTP, as a user meets it: the
// question about the server's certificate or host key, the mark that says
// whether the connection is encrypted, and the everyday work (browse,
// download, upload, rename, make and remove directories, delete) over each
// secure protocol. Also the questions' wording, buttons and defaults.
#include "ftp_test_server.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "protocol_test_server.h"
#include "remote_session.h"
#include "scripted_prompter.h"
#include "sent_commands.h"
#include "session_waits.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/security_mark.h"
#include "window/security_questions.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList entries(const CVantelCtrl* list) {
    QStringList names;
    for (int i = 0; i < list->ListCount(); ++i)
        names << list->List(i);
    return names;
}

PeerIdentity certificateShown(PeerIdentity::Problem problem) {
    PeerIdentity peer;
    peer.host = "files.example.org";
    peer.port = 21;
    peer.problem = problem;
    peer.subject = QStringLiteral("CN = files.example.org");
    peer.issuer = QStringLiteral("CN = files.example.org");
    peer.fingerprint = QStringLiteral("AA:BB");
    peer.knownFingerprint = QStringLiteral("CC:DD");
    peer.reasons = {QStringLiteral("It is self-signed: no certificate authority vouches for it.")};
    return peer;
}

} // namespace

class TestSecureConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void questionsOfferWhatEachCaseAllows_data();
    void questionsOfferWhatEachCaseAllows();
    void plainFtpIsMarkedNotEncrypted();
    void clearTextIsAskedForAndKeptWithTheProfile();
    void workOverEachSecureProtocol_data();
    void workOverEachSecureProtocol();
    void refusedCertificateLeavesTheWindowDisconnected();

private:
    void connectTo(const ProtocolTestServer& server, const QString& name);
    // Connect or Close, and what it set off run to its end.
    void clickConnect();
    void selectRemote(const QStringList& names);
    void enterRemoteDirectory(const QString& entry);
    QString local(const QString& name) const { return m_local->filePath(name); }

    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<QTemporaryDir> m_local;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestSecureConnection::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
}

void TestSecureConnection::init() {
    QDir(m_config.path()).removeRecursively();
    m_prompter = ScriptedPrompter();
    m_local = std::make_unique<QTemporaryDir>();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->parts().localPane->setLocalPath(m_local->path());
}

void TestSecureConnection::cleanup() {
    m_frm.reset();
    m_local.reset();
}

void TestSecureConnection::connectTo(const ProtocolTestServer& server, const QString& name) {
    const HostInfo host{
        name, server.address(), server.userName(), server.password(), server.protocol(), QString()};
    m_frm->dialogs().showConnectDialog = [host]() -> std::optional<HostInfo> {
        return host;
    };
    clickConnect();
}

void TestSecureConnection::clickConnect() {
    m_frm->parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(m_frm->session()));
}

void TestSecureConnection::selectRemote(const QStringList& names) {
    CVantelCtrl* list = m_frm->parts().remotePane->LstX_Files;
    for (int i = 0; i < list->ListCount(); ++i)
        list->SetSelected(i, names.contains(list->List(i)));
}

void TestSecureConnection::enterRemoteDirectory(const QString& entry) {
    QListWidget* dirs = m_frm->parts().remotePane->Lst_Remote_Dir;
    const QList<QListWidgetItem*> found = dirs->findItems(entry, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(entry));
    dirs->setCurrentItem(found.first());
    m_frm->parts().remotePane->Lst_Remote_Dir_DblClick();
    QVERIFY(waitUntilIdle(m_frm->session()));
}

void TestSecureConnection::questionsOfferWhatEachCaseAllows_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("problem");
    QTest::addColumn<bool>("expired");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("shown");
    const QStringList certificateButtons{"Trust this certificate", "Connect once", "Cancel"};
    const int certificate = int(PeerIdentity::Kind::Certificate);
    const int hostKey = int(PeerIdentity::Kind::HostKey);
    QTest::newRow("self-signed certificate")
        << certificate << int(PeerIdentity::Problem::Unverified) << false << certificateButtons
        << QStringList{"files.example.org (port 21)", "self-signed", "AA:BB", "Issuer"};
    QTest::newRow("expired certificate") << certificate << int(PeerIdentity::Problem::Unverified)
                                         << true << certificateButtons << QStringList{"AA:BB"};
    QTest::newRow("changed certificate")
        << certificate << int(PeerIdentity::Problem::Changed) << false
        << QStringList{"Trust the new certificate", "Connect once", "Cancel"}
        << QStringList{"WARNING", "CC:DD", "AA:BB"};
    QTest::newRow("unknown host key") << hostKey << int(PeerIdentity::Problem::Unknown) << false
                                      << QStringList{"Trust this key", "Connect once", "Cancel"}
                                      << QStringList{"files.example.org (port 21)", "256 SHA256:"};
    QTest::newRow("changed host key") << hostKey << int(PeerIdentity::Problem::Changed) << false
                                      << QStringList{"Remove the old key", "Cancel"}
                                      << QStringList{"WARNING", "CC:DD", "256 SHA256:"};
}

void TestSecureConnection::questionsOfferWhatEachCaseAllows() {
    QFETCH(int, kind);
    QFETCH(int, problem);
    QFETCH(bool, expired);
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, shown);
    PeerIdentity peer = certificateShown(PeerIdentity::Problem(problem));
    peer.expired = expired;
    if (kind == int(PeerIdentity::Kind::HostKey)) {
        const PeerIdentity key =
            hostKeyIdentity(QByteArray("\0\0\0\x0bssh-ed25519\0\0\0\x20", 19) + QByteArray(32, 'k'),
                            peer.host, peer.port);
        peer.kind = key.kind;
        peer.keyType = key.keyType;
        peer.keyBits = key.keyBits;
        peer.fingerprint = key.fingerprint;
    }
    const SecurityQuestions::Question q = SecurityQuestions::questionFor(peer);
    QCOMPARE(q.buttons, buttons);
    QCOMPARE(q.decisions.size(), buttons.size());
    for (const QString& part : shown)
        QVERIFY2(q.text.contains(part), qPrintable(q.text));

    // The window asks through its prompter; Escape is always the last button,
    // and no button but the first two ever lets the connection go on. Enter
    // trusts nothing either.
    SecurityQuestions questions(m_prompter);
    m_prompter.choices = {QString()};
    QCOMPARE(questions.decide(peer), SecurityPrompts::Decision::Cancel);
    QCOMPARE(m_prompter.choicesShown.last().escapeButton, int(buttons.size()) - 1);
    const int enter = m_prompter.choicesShown.last().defaultButton;
    QCOMPARE(q.decisions.value(enter), SecurityPrompts::Decision::Cancel);
    QCOMPARE(m_prompter.choicesShown.last().icon, Prompter::Icon::Warning);
}

void TestSecureConnection::plainFtpIsMarkedNotEncrypted() {
    ProtocolTestServer server(ProtocolTestServer::Mode::Vsftpd);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(m_frm->parts().Lbl_Security->isHidden());
    connectTo(server, QStringLiteral("Old server"));
    QVERIFY(m_frm->session().connected());
    QVERIFY(!m_frm->parts().Lbl_Security->isHidden());
    QCOMPARE(m_frm->parts().Lbl_Security->text(), QStringLiteral("Not encrypted"));
    QVERIFY(m_frm->parts().Lbl_Security->toolTip().contains(u"clear text"));
    QVERIFY(m_prompter.choicesShown.isEmpty());
    clickConnect();
    QVERIFY(m_frm->parts().Lbl_Security->isHidden());
}

// A server without TLS, reached with "TLS when offered": asked before the
// password leaves, Enter and Escape answer no, and "always" is kept with the
// profile in the settings file, so that the next login asks nothing.
void TestSecureConnection::clearTextIsAskedForAndKeptWithTheProfile() {
    ProtocolTestServer server(ProtocolTestServer::Mode::Vsftpd);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const HostInfo profile{
        QStringLiteral("No TLS"),        server.address(), server.userName(), server.password(),
        ServerProtocol::FtpTlsIfOffered, QString()};
    m_frm->settingsStore().profiles().Hosts = {profile};
    m_frm->settingsStore().profiles().iNumHosts = 1;
    m_frm->settingsStore().setFile(m_config.filePath(QStringLiteral("tarlen.ini")));
    // As the dialog does: the profile as it stands.
    m_frm->dialogs().showConnectDialog = [this]() -> std::optional<HostInfo> {
        return m_frm->settingsStore().profiles().Hosts[0];
    };

    m_prompter.choices = {QString()};
    clickConnect();
    QVERIFY(!m_frm->session().connected());
    QCOMPARE(m_prompter.choicesShown.size(), 1);
    const ScriptedPrompter::Choice asked = m_prompter.choicesShown.first();
    QVERIFY2(asked.text.startsWith(QStringLiteral("The server does not offer encryption. Continue "
                                                  "in clear text?")),
             qPrintable(asked.text));
    QCOMPARE(asked.buttons.at(asked.defaultButton), QStringLiteral("Cancel"));
    QCOMPARE(asked.escapeButton, asked.defaultButton);
    QVERIFY(!asked.checkBox.isEmpty());

    m_prompter.choices = {QStringLiteral("Continue in clear text")};
    m_prompter.checks = {true};
    clickConnect();
    QVERIFY(m_frm->session().connected());
    QCOMPARE(m_frm->parts().Lbl_Security->text(), QStringLiteral("Not encrypted"));
    QVERIFY(m_frm->settingsStore().profiles().Hosts[0].clearTextAllowed);
    QVERIFY2(readFile(m_frm->settingsStore().path()).contains("HOST0CLEARTEXT= 1"),
             readFile(m_frm->settingsStore().path()).constData());

    clickConnect();
    clickConnect();
    QVERIFY(m_frm->session().connected());
    QCOMPARE(m_prompter.choicesShown.size(), 2);
}

void TestSecureConnection::workOverEachSecureProtocol_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("trustButton");
    QTest::newRow("explicit TLS") << "ftps-explicit"
                                  << "Trust this certificate";
    QTest::newRow("implicit TLS") << "ftps-implicit"
                                  << "Trust this certificate";
    QTest::newRow("SFTP") << "sftp"
                          << "Trust this key";
}

void TestSecureConnection::workOverEachSecureProtocol() {
    QFETCH(QString, mode);
    QFETCH(QString, trustButton);
    const auto serverMode = *ProtocolTestServer::modeNamed(mode);
    if (!ProtocolTestServer::unavailableReason(serverMode).isEmpty())
        QSKIP(qPrintable(ProtocolTestServer::unavailableReason(serverMode)));
    ProtocolTestServer server(serverMode);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("my file.txt"), "blank in name"));
    QVERIFY(server.writeFile(QStringLiteral("grüße.txt"), "non-ascii"));
    QVERIFY(server.writeFile(QStringLiteral("docs/readme.txt"), "docs"));
    TARLEN_Frm& f = *m_frm;

    // First connection: one question, answered once and for all.
    m_prompter.choices = {trustButton};
    connectTo(server, QStringLiteral("Secure server"));
    QVERIFY2(f.session().connected(), qPrintable(f.parts().Txt_Status->text()));
    QCOMPARE(m_prompter.choicesShown.size(), 1);
    QCOMPARE(f.parts().Lbl_Security->text(), QStringLiteral("Encrypted"));
    QVERIFY(!f.parts().Lbl_Security->isHidden());
    QVERIFY(f.parts().Txt_Status->text().contains(u"\r\nEncrypted: "));
    QVERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("grüße.txt")));

    // Into docs/ and back.
    enterRemoteDirectory(QStringLiteral("docs/"));
    QCOMPARE(entries(f.parts().remotePane->LstX_Files), QStringList{"readme.txt"});
    enterRemoteDirectory(QStringLiteral("../"));
    QVERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("my file.txt")));

    // Download two files, upload one back under a new name.
    selectRemote({"my file.txt", "grüße.txt"});
    f.Cmd_Dn_Click();
    QVERIFY(QTest::qWaitFor([&f] { return f.queue().idle(); }, 30000));
    QCOMPARE(readFile(local(QStringLiteral("my file.txt"))), QByteArray("blank in name"));
    QCOMPARE(readFile(local(QStringLiteral("grüße.txt"))), QByteArray("non-ascii"));
    QVERIFY(writeFile(local(QStringLiteral("upload.bin")), QByteArray(70000, 'u')));
    f.parts().localPane->Cmd_Refresh_Click();
    CVantelCtrl* localList = f.parts().localPane->LstX_Files;
    for (int i = 0; i < localList->ListCount(); ++i)
        localList->SetSelected(i, f.parts().localPane->File1->List(localList->ItemData(i)) ==
                                      QStringLiteral("upload.bin"));
    f.Cmd_Up_Click();
    QVERIFY(QTest::qWaitFor([&f] { return f.queue().idle(); }, 30000));
    QCOMPARE(readFile(server.root() + QStringLiteral("/upload.bin")), QByteArray(70000, 'u'));

    // The remote pane shows the upload once the queue has refreshed it.
    QTRY_VERIFY(entries(f.parts().remotePane->LstX_Files).contains(QStringLiteral("upload.bin")));

    // Rename, make a directory, delete a file, remove a directory.
    selectRemote({"upload.bin"});
    m_prompter.inputs = {QStringLiteral("up loaded.bin")};
    f.parts().remotePane->Cmd_Rename_Click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(QFile::exists(server.root() + QStringLiteral("/up loaded.bin")));
    m_prompter.inputs = {QStringLiteral("new dir")};
    f.parts().remotePane->Cmd_Dir_Click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(QFileInfo(server.root() + QStringLiteral("/new dir")).isDir());
    selectRemote({"up loaded.bin"});
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().remotePane->Cmd_Delete_Click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(!QFile::exists(server.root() + QStringLiteral("/up loaded.bin")));
    enterRemoteDirectory(QStringLiteral("new dir/"));
    m_prompter.answers = {Prompter::Answer::Yes};
    f.parts().remotePane->Cmd_Rem_Click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(!QFileInfo::exists(server.root() + QStringLiteral("/new dir")));
    QVERIFY2(m_prompter.messages.isEmpty(), qPrintable(m_prompter.messages.value(0).text));

    // Disconnect, and connect again without being asked.
    clickConnect();
    QVERIFY(f.parts().Lbl_Security->isHidden());
    connectTo(server, QStringLiteral("Secure server"));
    QVERIFY(f.session().connected());
    QCOMPARE(m_prompter.choicesShown.size(), 1);
}

void TestSecureConnection::refusedCertificateLeavesTheWindowDisconnected() {
    ProtocolTestServer server(ProtocolTestServer::Mode::FtpsExplicit);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    m_prompter.choices = {QStringLiteral("Cancel")};
    connectTo(server, QStringLiteral("Secure server"));
    QCOMPARE(m_prompter.choicesShown.size(), 1);
    QVERIFY(!m_frm->session().connected());
    QCOMPARE(m_frm->parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(m_frm->parts().Lbl_Security->isHidden());
    QVERIFY(m_frm->parts().Txt_Status->text().contains(u"Error! 12045: "));
    QCOMPARE(m_frm->parts().remotePane->LstX_Files->ListCount(), 0);
    // Nothing was written without an answer that asked for it.
    QVERIFY(!QFile::exists(m_config.filePath(QStringLiteral("tarlen/trusted_certificates"))));
}

QTEST_MAIN(TestSecureConnection)

#include "tst_secure_connection.moc"
