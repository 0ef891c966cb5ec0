// The connect dialog driven through its widgets, shown without a modal loop;
// the one message it can give is answered by a scripted prompter.
#include "connect/connect_frm.h"
#include "fake_settings_window.h"
#include "raw_names.h"
#include "scripted_prompter.h"
#include "settings_file.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString Key = QStringLiteral("mavrq5216");

HostProfiles threeProfiles() {
    HostProfiles profiles;
    profiles.Hosts = {
        HostInfo{"Home", "home.example", "me", "pw0", ServerProtocol::Sftp, "/home/me/.ssh/id"},
        HostInfo{"Work", "ftp.work.example", "worker", "pw1", ServerProtocol::FtpTlsRequired},
        HostInfo{"Mirror", "mirror.example:2121", "anonymous", "", ServerProtocol::PlainFtp}};
    profiles.iNumHosts = 3;
    profiles.iCurHost = 1;
    return profiles;
}

QStringList names(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// What the dialog shows of the protocol: the protocol, whether the warning
// shows, whether the key file can be given, and the key file.
struct ProtocolFields {
    ServerProtocol protocol;
    bool warning;
    std::optional<bool> keyFileEnabled; // nothing when its controls disagree
    QString keyFile;
    bool operator==(const ProtocolFields&) const = default;
};

// For QCOMPARE's report.
char* toString(const ProtocolFields& f) {
    return qstrdup(QStringLiteral("{%1, warning %2, key file %3 \"%4\"}")
                       .arg(protocolSettingsValue(f.protocol))
                       .arg(f.warning)
                       .arg(!f.keyFileEnabled   ? "half enabled"
                            : *f.keyFileEnabled ? "enabled"
                                                : "disabled",
                            f.keyFile)
                       .toUtf8()
                       .constData());
}

ProtocolFields protocolFields(const Connect_Frm& d) {
    const QList<QWidget*> keyFileControls = {d.Lbl_KeyFile, d.Txt_KeyFile, d.Cmd_KeyFile};
    const auto enabled = [](QWidget* w) {
        return w->isEnabled();
    };
    std::optional<bool> keyFileEnabled;
    if (std::all_of(keyFileControls.begin(), keyFileControls.end(), enabled))
        keyFileEnabled = true;
    else if (std::none_of(keyFileControls.begin(), keyFileControls.end(), enabled))
        keyFileEnabled = false;
    return {d.protocolShown(), d.Lbl_Insecure->isVisibleTo(&d), keyFileEnabled,
            d.Txt_KeyFile->text()};
}

const ProtocolFields NewProfileFields = {ServerProtocol::FtpTlsIfOffered, false, false, ""};

void chooseProtocol(Connect_Frm& d, ServerProtocol protocol) {
    const auto* at =
        std::find(std::begin(AllServerProtocols), std::end(AllServerProtocols), protocol);
    d.Cmb_Protocol->setCurrentIndex(int(at - std::begin(AllServerProtocols)));
}

} // namespace

class TestConnectFrm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsCaptionsAndPositions();
    void tabOrder();

    void noSettingsFileGivesAnonymousSelected();
    void loadSelectsCurrentProfile();
    void currentHostOutsideListSelectsNothing();
    void choosingAndTyping();

    void saveExistingNameUpdatesInPlace();
    void saveNewNameAppendsAndSelectsIt();
    void saveIntoEmptyListSelectsTheProfile();
    void namesDifferingInCaseAreTwoProfiles();
    void unstorablePasswordIsRefused();

    void deleteMovesLaterProfilesDown();
    void deletingTheLastProfileLeavesNothingSelected();

    void connectNamesTheTypedValues();
    void controlCharacterKeepsTheDialogOpen_data();
    void controlCharacterKeepsTheDialogOpen();
    void cancelEscapeAndCloseButtonAllCancel();
    void savePasswordBoxIsStoredOnEveryWayOut();

    void enterMovesOnAndConnectsFromPassword();
    void focusSelectsWholeText();

    void protocolBoxAndTheControlsThatFollowIt();
    void choosingAProfileShowsItsProtocolAndKeyFile();
    void saveAndConnectCarryProtocolAndKeyFile();
    void typedSchemePicksTheProtocol_data();
    void typedSchemePicksTheProtocol();
    void browseAsksTheReplaceableChooser();

private:
    // Makes and shows the dialog over the current profiles.
    Connect_Frm& open();

    // The profiles as the last dialog left them (the window takes them back
    // after every showing), or as set up before the first.
    const HostProfiles& profiles() const { return m_dialog ? m_dialog->profiles() : m_profiles; }

    HostProfiles m_profiles;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Connect_Frm> m_dialog;
};

void TestConnectFrm::init() {
    m_profiles = threeProfiles();
    m_prompter = ScriptedPrompter();
}

void TestConnectFrm::cleanup() {
    m_dialog.reset();
}

Connect_Frm& TestConnectFrm::open() {
    m_dialog = std::make_unique<Connect_Frm>(m_profiles, m_prompter, Key);
    m_dialog->show();
    QApplication::setActiveWindow(m_dialog.get());
    [&] {
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }();
    return *m_dialog;
}

void TestConnectFrm::controlsCaptionsAndPositions() {
    // A font whose captions fit the boxes of the design: the dialog keeps
    // them (tst_whole_captions: how they grow for captions that need more).
    const QFont font = QApplication::font();
    const auto restoreFont = qScopeGuard([font] { QApplication::setFont(font); });
    QFont small = font;
    small.setPointSize(6);
    QApplication::setFont(small);
    Connect_Frm& d = open();
    QCOMPARE(d.windowTitle(), QStringLiteral("Connect to Remote Host"));
    QVERIFY(d.isModal());
    // 15 twips a pixel at the offscreen platform's 96 DPI.
    QCOMPARE(d.logicalDpiX(), 96);
    QCOMPARE(d.size(), QSize(376, 275));
    const QStringList captions = {"Host", "Host address", "User ID", "Password"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(d.Lbl_Cap[i]->text(), captions[i]);
        QCOMPARE(d.Lbl_Cap[i]->geometry(), QRect(8, 8 + 32 * i, 105, 17));
    }
    const QList<std::tuple<QWidget*, QString, QRect>> controls = {
        {d.Cmb_Host, "", QRect(112, 8, 257, 21)},
        {d.Txt_Host, "", QRect(112, 40, 257, 19)},
        {d.Txt_UI, "", QRect(112, 72, 257, 19)},
        {d.Txt_PW, "", QRect(112, 104, 257, 19)},
        {d.Lbl_Protocol, "Protocol", QRect(8, 136, 105, 17)},
        {d.Cmb_Protocol, "", QRect(112, 136, 257, 21)},
        {d.Lbl_Insecure, "Password and files travel unencrypted.", QRect(112, 168, 257, 17)},
        {d.Lbl_KeyFile, "Key file", QRect(8, 200, 105, 17)},
        {d.Txt_KeyFile, "", QRect(112, 200, 191, 19)},
        {d.Cmd_KeyFile, "Browse...", QRect(304, 200, 65, 19)},
        {d.Chk_PW, "Save Password", QRect(8, 216, 89, 33)},
        {d.Cmd_Cancel, "Cancel", QRect(112, 232, 63, 17)},
        {d.Cmd_Save, "Save", QRect(176, 232, 63, 17)},
        {d.Cmd_Delete, "Delete", QRect(240, 232, 63, 17)},
        {d.Cmd_Connect, "Connect", QRect(304, 232, 65, 17)},
    };
    for (const auto& [control, caption, rect] : controls) {
        QCOMPARE(control->geometry(), rect);
        QVERIFY(d.rect().contains(rect));
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        if (auto* label = qobject_cast<QLabel*>(control))
            QCOMPARE(label->text(), caption);
    }
    // The warning is read whole.
    QVERIFY(d.Lbl_Insecure->sizeHint().width() <= d.Lbl_Insecure->width());
    QVERIFY(d.Cmb_Host->isEditable());
    QCOMPARE(d.Cmb_Host->insertPolicy(), QComboBox::NoInsert);
    QVERIFY(!d.Chk_PW->isChecked());
    d.Txt_PW->setText(QStringLiteral("s3cr"));
    QCOMPARE(d.Txt_PW->displayText(), QStringLiteral("****"));

    // Centred on the screen.
    const QRect screen = d.screen()->geometry();
    QCOMPARE(d.x(), screen.x() + (screen.width() - d.width()) / 2);
    QCOMPARE(d.y(), screen.y() + (screen.height() - d.height()) / 2);
}

void TestConnectFrm::tabOrder() {
    Connect_Frm& d = open();
    const auto checkOrder = [&](const QList<QWidget*>& keyFile) {
        d.Cmb_Host->setFocus();
        const QList<QWidget*> expected =
            QList<QWidget*>{d.Txt_Host, d.Txt_UI, d.Txt_PW, d.Cmb_Protocol} + keyFile +
            QList<QWidget*>{d.Cmd_Cancel, d.Cmd_Save, d.Cmd_Connect,
                            d.Cmd_Delete, d.Chk_PW,   d.Cmb_Host};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    };
    // FTP: the key file is passed over.
    checkOrder({});
    emit d.Cmb_Host->activated(0); // SFTP
    checkOrder({d.Txt_KeyFile, d.Cmd_KeyFile});
}

void TestConnectFrm::noSettingsFileGivesAnonymousSelected() {
    QTemporaryDir dir;
    FakeSettingsWindow window;
    m_profiles = HostProfiles();
    LoadSettings(window, m_profiles, Key, dir.filePath(QStringLiteral("tarlen.ini")));
    Connect_Frm& d = open();
    QCOMPARE(names(d.Cmb_Host), QStringList{QStringLiteral("Anonymous")});
    QCOMPARE(d.selectedHost(), 0);
    QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Anonymous"));
    QCOMPARE(d.Txt_Host->text(), QString());
    QCOMPARE(d.Txt_UI->text(), QStringLiteral("anonymous"));
    QCOMPARE(d.Txt_PW->text(), QString());
    QCOMPARE(protocolFields(d), NewProfileFields);
}

void TestConnectFrm::loadSelectsCurrentProfile() {
    m_profiles.iSavePW = 1;
    Connect_Frm& d = open();
    QCOMPARE(names(d.Cmb_Host), (QStringList{"Home", "Work", "Mirror"}));
    QCOMPARE(d.selectedHost(), 1);
    QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Work"));
    QCOMPARE(d.Txt_Host->text(), QStringLiteral("ftp.work.example"));
    QCOMPARE(d.Txt_UI->text(), QStringLiteral("worker"));
    QCOMPARE(d.Txt_PW->text(), QStringLiteral("pw1"));
    QVERIFY(d.Chk_PW->isChecked());
}

void TestConnectFrm::currentHostOutsideListSelectsNothing() {
    // Past the end, negative, and a list without profiles.
    for (const auto& [count, current] : {std::pair{3, 3}, {3, -1}, {3, 300}, {0, 0}}) {
        m_profiles = threeProfiles();
        m_profiles.Hosts.resize(count);
        m_profiles.iNumHosts = short(count);
        m_profiles.iCurHost = short(current);
        Connect_Frm& d = open();
        QCOMPARE(d.Cmb_Host->count(), count);
        QCOMPARE(d.selectedHost(), -1);
        QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Anonymous"));
        QCOMPARE(d.Txt_Host->text(), QString());
        QCOMPARE(d.Txt_UI->text(), QString());
        QCOMPARE(d.Txt_PW->text(), QString());
        QCOMPARE(protocolFields(d), NewProfileFields);
        QCOMPARE(profiles().iCurHost, short(-1));
    }
}

void TestConnectFrm::choosingAndTyping() {
    Connect_Frm& d = open();
    d.Cmb_Host->setFocus();
    // Picking the next entry with the keyboard is a choice like a click.
    QTest::keyClick(d.Cmb_Host, Qt::Key_Down);
    QCOMPARE(d.selectedHost(), 2);
    QCOMPARE(profiles().iCurHost, short(2));
    QCOMPARE(d.Txt_Host->text(), QStringLiteral("mirror.example:2121"));
    QCOMPARE(d.Txt_UI->text(), QStringLiteral("anonymous"));
    QCOMPARE(d.Txt_PW->text(), QString());

    // Typing a name changes the text only.
    d.Cmb_Host->lineEdit()->selectAll();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("Ho"));
    QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Ho"));
    QCOMPARE(d.selectedHost(), -1);
    QCOMPARE(profiles().iCurHost, short(2));
    QCOMPARE(d.Txt_Host->text(), QStringLiteral("mirror.example:2121"));

    emit d.Cmb_Host->activated(0);
    QCOMPARE(profiles().iCurHost, short(0));
    QCOMPARE(d.Txt_PW->text(), QStringLiteral("pw0"));
}

void TestConnectFrm::saveExistingNameUpdatesInPlace() {
    Connect_Frm& d = open();
    d.Txt_Host->setText(QStringLiteral("new.work.example"));
    d.Txt_UI->setText(QStringLiteral("boss"));
    d.Txt_PW->setText(QStringLiteral("typed"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(d.Cmb_Host->count(), 3);
    QCOMPARE(profiles().iNumHosts, short(3));
    QCOMPARE(profiles().Hosts[1].sAddr, QStringLiteral("new.work.example"));
    QCOMPARE(profiles().Hosts[1].sUser, QStringLiteral("boss"));
    QCOMPARE(profiles().Hosts[1].sPW, QStringLiteral("pw1")); // "Save Password" unchecked

    QTest::mouseClick(d.Chk_PW, Qt::LeftButton);
    QVERIFY(d.Chk_PW->isChecked());
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(profiles().Hosts[1].sPW, QStringLiteral("typed"));
    QVERIFY(m_prompter.messages.isEmpty());
}

// A profile saved under a new name is the one in use: Connect names it, and
// the dialog opens on it the next time.
void TestConnectFrm::saveNewNameAppendsAndSelectsIt() {
    Connect_Frm& d = open();
    d.Cmb_Host->setFocus();
    d.Cmb_Host->lineEdit()->selectAll();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("Backup"));
    d.Txt_Host->setText(QStringLiteral("backup.example"));
    d.Txt_UI->setText(QStringLiteral("bk"));
    d.Txt_PW->setText(QStringLiteral("not kept"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);

    QCOMPARE(names(d.Cmb_Host), (QStringList{"Home", "Work", "Mirror", "Backup"}));
    QCOMPARE(profiles().iNumHosts, short(4));
    QCOMPARE(profiles().Hosts.size(), 4);
    QCOMPARE(profiles().Hosts[3].sName, QStringLiteral("Backup"));
    QCOMPARE(profiles().Hosts[3].sAddr, QStringLiteral("backup.example"));
    QCOMPARE(profiles().Hosts[3].sUser, QStringLiteral("bk"));
    QCOMPARE(profiles().Hosts[3].sPW, QString());
    QCOMPARE(d.selectedHost(), 3);
    QCOMPARE(profiles().iCurHost, short(3));
    QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Backup"));
    QCOMPARE(d.Txt_PW->text(), QStringLiteral("not kept"));

    QTest::mouseClick(d.Cmd_Connect, Qt::LeftButton);
    QVERIFY(d.chosenHost());
    QCOMPARE(d.chosenHost()->sName, QStringLiteral("Backup"));
    QCOMPARE(d.chosenHost()->sUser, QStringLiteral("bk"));
    m_profiles = d.profiles();
    Connect_Frm& again = open();
    QCOMPARE(again.selectedHost(), 3);
    QCOMPARE(again.Cmb_Host->currentText(), QStringLiteral("Backup"));
    QCOMPARE(again.Txt_UI->text(), QStringLiteral("bk"));
}

void TestConnectFrm::saveIntoEmptyListSelectsTheProfile() {
    m_profiles = HostProfiles();
    Connect_Frm& d = open();
    QTest::mouseClick(d.Chk_PW, Qt::LeftButton);
    d.Txt_Host->setText(QStringLiteral("a.example"));
    d.Txt_PW->setText(QStringLiteral("pw"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(names(d.Cmb_Host), QStringList{QStringLiteral("Anonymous")});
    QCOMPARE(profiles().iNumHosts, short(1));
    QCOMPARE(profiles().Hosts[0].sPW, QStringLiteral("pw"));
    QCOMPARE(d.selectedHost(), 0);
    QCOMPARE(profiles().iCurHost, short(0));
    QCOMPARE(d.Txt_Host->text(), QStringLiteral("a.example"));
}

void TestConnectFrm::namesDifferingInCaseAreTwoProfiles() {
    Connect_Frm& d = open();
    d.Cmb_Host->setEditText(QStringLiteral("WORK"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(names(d.Cmb_Host), (QStringList{"Home", "Work", "Mirror", "WORK"}));
    QCOMPARE(profiles().Hosts[1].sName, QStringLiteral("Work"));
    QCOMPARE(profiles().Hosts[3].sName, QStringLiteral("WORK"));
}

void TestConnectFrm::unstorablePasswordIsRefused() {
    Connect_Frm& d = open();
    QTest::mouseClick(d.Chk_PW, Qt::LeftButton);
    d.Cmb_Host->setEditText(QStringLiteral("Euro"));
    d.Txt_PW->setText(QStringLiteral("pay\u20AC"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_prompter.messages[0].title, QStringLiteral("Qoro Consulting FTP"));
    QCOMPARE(m_prompter.messages[0].icon, Prompter::Icon::Critical);
    QVERIFY(m_prompter.messages[0].text.contains(QStringLiteral("\"\u20AC\"")));
    QCOMPARE(profiles().iNumHosts, short(3));
    QCOMPARE(d.Cmb_Host->count(), 3);

    // A Latin-1 letter shifted beyond 255 is refused too, for an existing
    // profile as well.
    d.Cmb_Host->setEditText(QStringLiteral("Work"));
    d.Txt_PW->setText(QStringLiteral("\u00E9t\u00E9"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(m_prompter.messages.size(), 2);
    QCOMPARE(profiles().Hosts[1].sPW, QStringLiteral("pw1"));

    // Without "Save Password" the password is not stored, so nothing is in
    // the way.
    QTest::mouseClick(d.Chk_PW, Qt::LeftButton);
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(m_prompter.messages.size(), 2);
    QCOMPARE(profiles().Hosts[1].sPW, QStringLiteral("pw1"));
}

void TestConnectFrm::deleteMovesLaterProfilesDown() {
    Connect_Frm& d = open();
    // With a typed name nothing is selected, so nothing is deleted.
    d.Cmb_Host->setFocus();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("x"));
    QTest::mouseClick(d.Cmd_Delete, Qt::LeftButton);
    QCOMPARE(profiles().iNumHosts, short(3));
    QCOMPARE(d.Cmb_Host->count(), 3);

    emit d.Cmb_Host->activated(1);
    QTest::mouseClick(d.Cmd_Delete, Qt::LeftButton);
    QCOMPARE(names(d.Cmb_Host), (QStringList{"Home", "Mirror"}));
    QCOMPARE(profiles().iNumHosts, short(2));
    QCOMPARE(profiles().Hosts.size(), 2);
    QCOMPARE(profiles().Hosts[1].sName, QStringLiteral("Mirror"));
    QCOMPARE(profiles().Hosts[1].sAddr, QStringLiteral("mirror.example:2121"));
    QCOMPARE(d.selectedHost(), 0);
    QCOMPARE(profiles().iCurHost, short(0));
    QCOMPARE(d.Cmb_Host->currentText(), QStringLiteral("Home"));
    QCOMPARE(d.Txt_Host->text(), QStringLiteral("home.example"));
    QCOMPARE(protocolFields(d), (ProtocolFields{ServerProtocol::Sftp, false, true,
                                                QStringLiteral("/home/me/.ssh/id")}));
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(m_prompter.questions.isEmpty());
}

void TestConnectFrm::deletingTheLastProfileLeavesNothingSelected() {
    m_profiles.Hosts.resize(1);
    m_profiles.iNumHosts = 1;
    m_profiles.iCurHost = 0;
    Connect_Frm& d = open();
    QTest::mouseClick(d.Cmd_Delete, Qt::LeftButton);
    QCOMPARE(d.Cmb_Host->count(), 0);
    QCOMPARE(profiles().iNumHosts, short(0));
    QVERIFY(profiles().Hosts.isEmpty());
    QCOMPARE(d.selectedHost(), -1);
    QCOMPARE(profiles().iCurHost, short(-1));
    QCOMPARE(d.Cmb_Host->currentText(), QString());
    QCOMPARE(d.Txt_Host->text(), QString());
    QCOMPARE(d.Txt_UI->text(), QString());
    QCOMPARE(d.Txt_PW->text(), QString());
    QCOMPARE(protocolFields(d), NewProfileFields);   // Home was SFTP with a key file
    QTest::mouseClick(d.Cmd_Delete, Qt::LeftButton); // nothing left to delete
    QCOMPARE(profiles().iNumHosts, short(0));
}

void TestConnectFrm::connectNamesTheTypedValues() {
    Connect_Frm& d = open();
    d.Txt_Host->setText(QStringLiteral("ftp://typed.example:2121"));
    d.Txt_UI->setText(QStringLiteral("typist"));
    d.Txt_PW->setText(QStringLiteral("unsaved"));
    QTest::mouseClick(d.Cmd_Connect, Qt::LeftButton);

    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(d.chosenHost());
    QCOMPARE(d.chosenHost()->sAddr, QStringLiteral("ftp://typed.example:2121"));
    QCOMPARE(d.chosenHost()->sUser, QStringLiteral("typist"));
    QCOMPARE(d.chosenHost()->sPW, QStringLiteral("unsaved"));
    // An address set by code picks no protocol: Work's stays.
    QCOMPARE(d.chosenHost()->protocol, ServerProtocol::FtpTlsRequired);
    QCOMPARE(profiles().Hosts[1].sAddr, QStringLiteral("ftp.work.example"));
    QCOMPARE(profiles().iNumHosts, short(3));
    QCOMPARE(profiles().iCurHost, short(1));

    // Empty fields are handed over as they are.
    m_profiles = HostProfiles();
    Connect_Frm& empty = open();
    QTest::mouseClick(empty.Cmd_Connect, Qt::LeftButton);
    QVERIFY(empty.chosenHost());
    QCOMPARE(empty.chosenHost()->sAddr, QString());
    QCOMPARE(empty.chosenHost()->sUser, QString());
    QCOMPARE(empty.chosenHost()->protocol, ServerProtocol::FtpTlsIfOffered);
    QCOMPARE(empty.chosenHost()->sKeyFile, QString());
}

// A login that cannot be sent is not handed over: the dialog says which
// field holds the control character (never showing the password), stays
// open with everything typed, and puts the cursor in that field.
void TestConnectFrm::controlCharacterKeepsTheDialogOpen_data() {
    QTest::addColumn<int>("field"); // 0 address, 1 user, 2 password
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("said");
    QTest::newRow("CR LF in the password") << 2 << "pw\r\nDELE /pub/a.txt"
                                           << "password";
    QTest::newRow("line separator in the password")
        << 2 << QStringLiteral("pw\u2028x") << "password";
    QTest::newRow("tab in the user name") << 1 << "me\tyou"
                                          << "user name";
    QTest::newRow("NEL in the user name") << 1 << QStringLiteral("me\u0085") << "user name";
    QTest::newRow("encoded LF in the address") << 0 << "ftp://host%0A.example.org"
                                               << "host address";
}

void TestConnectFrm::controlCharacterKeepsTheDialogOpen() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, said);
    Connect_Frm& d = open();
    QLineEdit* const fields[] = {d.Txt_Host, d.Txt_UI, d.Txt_PW};
    d.Txt_Host->setText(QStringLiteral("files.example.org"));
    d.Txt_UI->setText(QStringLiteral("me"));
    d.Txt_PW->setText(QStringLiteral("pw"));
    fields[field]->setText(typed);
    QTest::mouseClick(d.Cmd_Connect, Qt::LeftButton);

    QVERIFY(d.isVisible());
    QVERIFY(!d.chosenHost());
    QCOMPARE(m_prompter.messages.size(), 1);
    const QString message = m_prompter.messages[0].text;
    QVERIFY2(message.contains(said), qPrintable(message));
    QVERIFY(!message.contains(d.Txt_PW->text()));
    QCOMPARE(fields[field]->text(), typed);
    QTRY_VERIFY(fields[field]->hasFocus());

    // Put right, Connect hands the login over.
    fields[field]->setText(QStringLiteral("fine"));
    QTest::mouseClick(d.Cmd_Connect, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QVERIFY(d.chosenHost());
}

void TestConnectFrm::cancelEscapeAndCloseButtonAllCancel() {
    const auto leave = [&](const std::function<void(Connect_Frm&)>& how) {
        Connect_Frm& d = open();
        d.Txt_Host->setText(QStringLiteral("stale.example"));
        how(d);
        QVERIFY(!d.isVisible());
        QVERIFY(!d.chosenHost());
    };
    leave([](Connect_Frm& d) { QTest::mouseClick(d.Cmd_Cancel, Qt::LeftButton); });
    leave([](Connect_Frm& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    leave([](Connect_Frm& d) { QVERIFY(d.close()); });
}

void TestConnectFrm::savePasswordBoxIsStoredOnEveryWayOut() {
    m_profiles.iSavePW = 1;
    Connect_Frm& d = open();
    QTest::mouseClick(d.Chk_PW, Qt::LeftButton);
    QTest::mouseClick(d.Cmd_Connect, Qt::LeftButton);
    QCOMPARE(profiles().iSavePW, short(0));
    QCOMPARE(profiles().Hosts[1].sPW, QStringLiteral("pw1")); // stored passwords stay

    m_profiles = profiles();
    Connect_Frm& again = open();
    QVERIFY(!again.Chk_PW->isChecked());
    QTest::mouseClick(again.Chk_PW, Qt::LeftButton);
    QVERIFY(again.close());
    QCOMPARE(profiles().iSavePW, short(1));

    m_profiles = profiles();
    Connect_Frm& third = open();
    QVERIFY(third.Chk_PW->isChecked());
    QTest::mouseClick(third.Chk_PW, Qt::LeftButton);
    QTest::mouseClick(third.Cmd_Cancel, Qt::LeftButton);
    QCOMPARE(profiles().iSavePW, short(0));
}

void TestConnectFrm::enterMovesOnAndConnectsFromPassword() {
    Connect_Frm& d = open();
    d.Cmb_Host->setFocus();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("typed"));
    QTest::keyClick(d.Cmb_Host, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), d.Txt_Host);
    QCOMPARE(d.Cmb_Host->count(), 3); // Enter adds no entry
    QTest::keyClick(d.Txt_Host, Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), d.Txt_UI);
    QTest::keyClick(d.Txt_UI, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), d.Txt_PW);
    QVERIFY(d.isVisible());
    QVERIFY(!d.chosenHost());

    QTest::keyClick(d.Txt_PW, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.chosenHost()->sAddr, QStringLiteral("ftp.work.example"));
    QCOMPARE(d.chosenHost()->sPW, QStringLiteral("pw1"));
    QCOMPARE(d.chosenHost()->protocol, ServerProtocol::FtpTlsRequired);
}

void TestConnectFrm::focusSelectsWholeText() {
    Connect_Frm& d = open();
    d.Txt_UI->setFocus();
    QCOMPARE(d.Txt_UI->selectedText(), QStringLiteral("worker"));
    d.Cmb_Host->setFocus();
    QCOMPARE(d.Cmb_Host->lineEdit()->selectedText(), QStringLiteral("Work"));
    QTest::keyClick(d.Cmb_Host, Qt::Key_Tab);
    QCOMPARE(d.Txt_Host->selectedText(), QStringLiteral("ftp.work.example"));

    // A click places the cursor first; the whole text ends up selected.
    QTest::mouseClick(d.Txt_PW, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE(d.Txt_PW->selectedText(), QStringLiteral("pw1"));
    QCOMPARE(QApplication::focusWidget(), d.Txt_PW);

    // Keys other than Enter pass through.
    QTest::keyClicks(d.Txt_PW, QStringLiteral("z"));
    QCOMPARE(d.Txt_PW->text(), QStringLiteral("z"));
}

void TestConnectFrm::protocolBoxAndTheControlsThatFollowIt() {
    Connect_Frm& d = open();
    QStringList offered;
    for (ServerProtocol protocol : AllServerProtocols)
        offered << protocolDisplayName(protocol);
    QCOMPARE(names(d.Cmb_Protocol), offered);
    QVERIFY(!d.Cmb_Protocol->isEditable());

    d.Cmb_Protocol->setFocus();
    QTest::keyClick(d.Cmb_Protocol, Qt::Key_Home);
    for (ServerProtocol protocol : AllServerProtocols) {
        QCOMPARE(d.protocolShown(), protocol);
        QCOMPARE(d.Lbl_Insecure->isVisibleTo(&d), protocol == ServerProtocol::PlainFtp);
        QCOMPARE(protocolFields(d).keyFileEnabled,
                 std::optional<bool>(protocol == ServerProtocol::Sftp));
        QTest::keyClick(d.Cmb_Protocol, Qt::Key_Down);
    }
}

void TestConnectFrm::choosingAProfileShowsItsProtocolAndKeyFile() {
    // An address that names a scheme, filled in from a profile, leaves the
    // profile's protocol alone.
    m_profiles.Hosts[2].sAddr = QStringLiteral("sftp://mirror.example");
    Connect_Frm& d = open();
    const ProtocolFields home = {ServerProtocol::Sftp, false, true, "/home/me/.ssh/id"};
    QCOMPARE(protocolFields(d), (ProtocolFields{ServerProtocol::FtpTlsRequired, false, false, ""}));
    emit d.Cmb_Host->activated(0);
    QCOMPARE(protocolFields(d), home);
    emit d.Cmb_Host->activated(2);
    QCOMPARE(protocolFields(d), (ProtocolFields{ServerProtocol::PlainFtp, true, false, ""}));
    d.Txt_Host->setText(QStringLiteral("ftps://set.by.code")); // not typed
    QCOMPARE(d.protocolShown(), ServerProtocol::PlainFtp);

    // Typing a new name leaves the fields as they are.
    emit d.Cmb_Host->activated(0);
    d.Cmb_Host->setFocus();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("New"));
    QCOMPARE(d.selectedHost(), -1);
    QCOMPARE(protocolFields(d), home);
}

void TestConnectFrm::saveAndConnectCarryProtocolAndKeyFile() {
    Connect_Frm& d = open();
    chooseProtocol(d, ServerProtocol::Sftp);
    d.Txt_KeyFile->setText(QStringLiteral("/keys/work"));
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(profiles().Hosts[1].protocol, ServerProtocol::Sftp);
    QCOMPARE(profiles().Hosts[1].sKeyFile, QStringLiteral("/keys/work"));

    d.Cmb_Host->setFocus();
    QTest::keyClicks(d.Cmb_Host, QStringLiteral("Backup"));
    chooseProtocol(d, ServerProtocol::FtpsImplicit);
    d.Txt_KeyFile->clear();
    QTest::mouseClick(d.Cmd_Save, Qt::LeftButton);
    QCOMPARE(profiles().iNumHosts, short(4));
    QCOMPARE(profiles().Hosts[3].protocol, ServerProtocol::FtpsImplicit);
    QCOMPARE(profiles().Hosts[3].sKeyFile, QString());
    QCOMPARE(profiles().Hosts[1].protocol, ServerProtocol::Sftp);

    // A key file whose name is not UTF-8 keeps its bytes; Enter in its field
    // connects.
    const QByteArray keyBytes = "/keys/\xE9t\xE9\xFF";
    emit d.Cmb_Host->activated(0);
    d.Txt_KeyFile->setText(RawName::decode(keyBytes));
    d.Txt_KeyFile->setFocus();
    QTest::keyClick(d.Txt_KeyFile, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QVERIFY(d.chosenHost());
    QCOMPARE(d.chosenHost()->sAddr, QStringLiteral("home.example"));
    QCOMPARE(d.chosenHost()->protocol, ServerProtocol::Sftp);
    QCOMPARE(RawName::encode(d.chosenHost()->sKeyFile), keyBytes);
}

void TestConnectFrm::typedSchemePicksTheProtocol_data() {
    QTest::addColumn<ServerProtocol>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<ServerProtocol>("after");
    QTest::newRow("sftp") << ServerProtocol::FtpTlsRequired << "sftp://files.example"
                          << ServerProtocol::Sftp;
    QTest::newRow("SFTP in capitals")
        << ServerProtocol::PlainFtp << "SFTP://files.example" << ServerProtocol::Sftp;
    QTest::newRow("ftps") << ServerProtocol::Sftp << "ftps://files.example:990"
                          << ServerProtocol::FtpsImplicit;
    QTest::newRow("ftp keeps an FTP choice")
        << ServerProtocol::PlainFtp << "ftp://files.example" << ServerProtocol::PlainFtp;
    QTest::newRow("ftp after SFTP")
        << ServerProtocol::Sftp << "ftp://files.example" << ServerProtocol::FtpTlsIfOffered;
    QTest::newRow("no scheme") << ServerProtocol::Sftp << "files.example:22"
                               << ServerProtocol::Sftp;
}

void TestConnectFrm::typedSchemePicksTheProtocol() {
    QFETCH(ServerProtocol, before);
    QFETCH(QString, typed);
    QFETCH(ServerProtocol, after);
    m_profiles.Hosts[1].protocol = before;
    Connect_Frm& d = open();
    d.Txt_Host->setFocus(); // selects the whole text, which typing replaces
    QTest::keyClicks(d.Txt_Host, typed);
    QCOMPARE(d.Txt_Host->text(), typed);
    QCOMPARE(d.protocolShown(), after);
    QCOMPARE(protocolFields(d).keyFileEnabled, std::optional<bool>(after == ServerProtocol::Sftp));
}

void TestConnectFrm::browseAsksTheReplaceableChooser() {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });

    Connect_Frm& d = open();
    QStringList starts;
    QString answer;
    d.chooseKeyFile = [&](const QString& startPath) {
        starts << startPath;
        return answer;
    };
    QTest::mouseClick(d.Cmd_KeyFile, Qt::LeftButton); // FTP: the button is off
    QVERIFY(starts.isEmpty());

    emit d.Cmb_Host->activated(0); // SFTP with a key file
    QTest::mouseClick(d.Cmd_KeyFile, Qt::LeftButton);
    QCOMPARE(starts, QStringList{QStringLiteral("/home/me/.ssh/id")});
    QCOMPARE(d.Txt_KeyFile->text(), QStringLiteral("/home/me/.ssh/id")); // none chosen

    answer = QStringLiteral("/keys/other");
    d.Cmd_KeyFile->setFocus();
    QTest::keyClick(d.Cmd_KeyFile, Qt::Key_Space);
    QCOMPARE(d.Txt_KeyFile->text(), QStringLiteral("/keys/other"));
    QCOMPARE(profiles().Hosts[0].sKeyFile, QStringLiteral("/home/me/.ssh/id")); // until Save

    // Without a key file: ~/.ssh when there is one, else home.
    answer.clear();
    d.Txt_KeyFile->clear();
    QTest::mouseClick(d.Cmd_KeyFile, Qt::LeftButton);
    QCOMPARE(starts.last(), home.path());
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral(".ssh")));
    QTest::mouseClick(d.Cmd_KeyFile, Qt::LeftButton);
    QCOMPARE(starts.last(), home.filePath(QStringLiteral(".ssh")));
    QCOMPARE(starts.size(), 4);
}

QTEST_MAIN(TestConnectFrm)
#include "tst_connect_frm.moc"
