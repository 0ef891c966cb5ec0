// Connecting and disconnecting, Cancel, the progress dots, and what the
// session reports.
#include "tarlen_frm.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "connect/login_check.h"
#include "connect/password_check.h"
#include "inet.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "remote_session.h"
#include "security_mark.h"
#include "settings_file.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "window_settings.h"

#include <vantel/vantelctrl.h>

#include <QPushButton>
#include <QTimer>

void TARLEN_Frm::connectSession() {
    RemoteSession& s = *m_session;
    connect(&s, &RemoteSession::logAppended, Txt_Status, &StatusLog::append);
    connect(&s, &RemoteSession::logTrimmed, Txt_Status, &StatusLog::cutToLimit);
    connect(&s, &RemoteSession::logCleared, Txt_Status, &StatusLog::clear);
    connect(&s, &RemoteSession::progress, this, [this](qint64 done, qint64 total) {
        if (!Progress->active())
            Progress->begin(m_session->sCurFile);
        Progress->update(done, total);
    });
    // Cancel shows, the dots run and the pointer is busy while a wait lasts.
    connect(&s, &RemoteSession::waitStarted, this, [this] {
        Timer1->start();
        Cmd_Cancel->show();
        setBusyPointer(true);
    });
    connect(&s, &RemoteSession::waitEnded, this, [this] {
        Cmd_Cancel->hide();
        Progress->end();
        setBusyPointer(false);
        Timer1->stop();
    });
    connect(&s, &RemoteSession::failure, this, [this](const QString& message) {
        m_prompter.beep();
        setBusyPointer(false);
        m_prompter.message(message, Caption, Prompter::Icon::Critical);
    });
    connect(&s, &RemoteSession::securityEstablished, Lbl_Security, &SecurityMark::showSecurity);
    connect(&s, &RemoteSession::clearTextAllowedForGood, this, &TARLEN_Frm::allowClearTextForGood);
    connect(&s, &RemoteSession::disconnected, this, [this] {
        m_prompter.message(QStringLiteral("Disconnected from ") + loginName(), Titles::Short,
                           Prompter::Icon::None);
    });
}

void TARLEN_Frm::Cmd_Connect_Click() {
    connectOrClose(std::nullopt);
}

void TARLEN_Frm::connectOrClose(const std::optional<HostInfo>& given,
                                const std::function<void()>& afterLogin) {
    if (Cmd_Connect->text() == QStringLiteral("Connect"))
        connectToHost(given, afterLogin);
    else
        guardConnect([this] { disconnectFromHost(); });
}

void TARLEN_Frm::guardConnect(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
        reportError(m_prompter,
                    QStringLiteral("The following error occurred trying to connect to ") +
                        m_session->remoteHost() + QStringLiteral(": "),
                    std::current_exception());
        m_loggingIn = false;
        Cmd_Connect->setText(QStringLiteral("Connect"));
        m_session->bConnected = false;
    }
}

// `afterLogin` runs outside the guard, as it did after the login returned.
void TARLEN_Frm::connectToHost(const std::optional<HostInfo>& given,
                               const std::function<void()>& afterLogin) {
    std::optional<HostInfo> host = given;
    bool prepared = false;
    guardConnect([&] {
        RemoteSession& s = *m_session;
        s.reset();
        remotePane->clear();
        Lbl_Security->clear();
        Txt_Status->clear();
        s.state.bConnCancel = false;
        s.bConnected = false;
        s.Inet1()->setRequestTimeout(30);
        if (!host && showConnectDialog)
            host = showConnectDialog();
        s.state.bConnCancel = !host;
        prepared = true;
    });
    if (!prepared || !host || m_unloaded)
        return;
    fillPasswordFromKeyring(*host, [this, afterLogin](const HostInfo& filled) {
        guardConnect([&] { connectWith(filled); });
        if (afterLogin)
            afterLogin();
    });
}

void TARLEN_Frm::connectWith(HostInfo host) {
    RemoteSession& s = *m_session;
    m_loginHost = host;
    // A key file only counts for SFTP: a profile switched to FTP keeps it.
    s.setHost(host.sAddr, host.sUser, host.sPW, host.protocol,
              host.protocol == ServerProtocol::Sftp ? host.sKeyFile : QString(),
              host.clearTextAllowed);

    // A Close while the login waits abandons it: this attempt then no
    // longer owns the window and sends nothing more.
    const quint64 attempt = ++m_loginAttempt;
    m_loggingIn = true;
    Cmd_Connect->setText(QStringLiteral("Close"));
    setBusyPointer(true);
    logIn(host, attempt);
    if (loginAbandoned(attempt))
        return;
    m_loggingIn = false;
    if (s.lastCommandFailed()) {
        // Logged in nowhere: the error line is in the log already.
        Lbl_Security->clear();
        Cmd_Connect->setText(QStringLiteral("Connect"));
        setBusyPointer(false);
        return;
    }
    s.Inet1()->setRequestTimeout(30);
    if (s.state.bCancel)
        return;

    m_loggingIn = true;
    setBusyPointer(true);
    s.runCommand(LastCommand::Listing, FtpCommand::list(QStringLiteral("DIR")));
    if (loginAbandoned(attempt))
        return;
    m_loggingIn = false;
    s.bConnected = true;
    setBusyPointer(false);
    takeQueueLogin(host);
    if (s.sRemoteDir.startsWith(QStringLiteral("//"))) {
        s.sRemoteDir = QStringLiteral("/");
        s.sRootDir = QStringLiteral("/");
    }
}

bool TARLEN_Frm::loginAbandoned(quint64 attempt) const {
    return attempt != m_loginAttempt || m_unloaded;
}

// PWD logs in. By the time the server refuses a password the connection's
// protection is settled, so another one can be asked for and sent over the
// same kind of connection; one the user wants saved is saved once the
// server took it.
void TARLEN_Frm::logIn(HostInfo& host, quint64 attempt) {
    RemoteSession& s = *m_session;
    s.runCommand(LastCommand::FirstAfterConnect, FtpCommand::pwd());
    const int profile = profileOf(host);
    // Ticked when the profile keeps a password: the one that was refused.
    bool save = profile >= 0 &&
                (profiles.Hosts[profile].inKeyring || !profiles.Hosts[profile].sPW.isEmpty());
    bool asked = false;
    while (!loginAbandoned(attempt) && s.loginRefused()) {
        setBusyPointer(false);
        const std::optional<QString> password = askPasswordAgain(host, profile, &save);
        if (!password || loginAbandoned(attempt))
            return;
        asked = true;
        host.sPW = *password;
        m_loginHost.sPW = *password;
        s.setPassword(*password);
        setBusyPointer(true);
        s.runCommand(LastCommand::FirstAfterConnect, FtpCommand::pwd());
    }
    if (asked && save && !loginAbandoned(attempt) && !s.lastCommandFailed())
        keepPassword(profile, host.sPW);
}

// Nothing for an anonymous login, which no password helps, or when the
// user cancels. A password that cannot be sent is asked for once more.
std::optional<QString> TARLEN_Frm::askPasswordAgain(const HostInfo& host, int profile, bool* save) {
    if (host.sUser.isEmpty() ||
        host.sUser.compare(QStringLiteral("anonymous"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    QString prompt = QStringLiteral("The server refused the login. Password for %1 on %2:")
                         .arg(host.sUser, host.sAddr);
    QString checkBox;
    if (profile >= 0) {
        checkBox = QStringLiteral("Save Password");
        if (!vault().available())
            prompt += QStringLiteral("\n\nNo keyring: a saved password is only scrambled.");
    }
    for (;;) {
        std::optional<QString> password =
            m_prompter.password(prompt, Titles::Caption, checkBox, save);
        if (!password)
            return std::nullopt;
        const std::optional<LoginField> unsendable =
            checkSendableLogin(host.sAddr, host.sUser, *password, m_prompter);
        if (!unsendable)
            return password;
        if (*unsendable != LoginField::Password)
            return std::nullopt;
    }
}

// Into the keyring when one runs, else scrambled into the settings file, as
// the connect dialog's "Save Password" does.
void TARLEN_Frm::keepPassword(int profile, const QString& password) {
    if (profile < 0 || profile >= profiles.Hosts.size())
        return;
    const bool keyring = vault().available();
    if (!keyring && !checkStorablePassword(password, sKey, m_prompter))
        return;
    HostInfo& saved = profiles.Hosts[profile];
    saved.sPW = password;
    const QString account = vaultAccount(saved.sUser, saved.sAddr);
    saved.inKeyring = keepInKeyring(saved, &vault(), m_prompter, Titles::Caption, this,
                                    [this, profile, account](bool stored) {
                                        if (!stored && keyringRefused(profiles, profile, account))
                                            writeSettings();
                                    });
    writeSettings();
}

int TARLEN_Frm::profileOf(const HostInfo& host) const {
    const auto same = [&host](const HostInfo& profile) {
        return profile.sAddr == host.sAddr && profile.sUser == host.sUser &&
               profile.protocol == host.protocol;
    };
    const int count = int(qMin<qsizetype>(profiles.iNumHosts, profiles.Hosts.size()));
    if (profiles.iCurHost >= 0 && profiles.iCurHost < count &&
        same(profiles.Hosts[profiles.iCurHost]))
        return profiles.iCurHost;
    for (int n = 0; n < count; ++n) {
        if (same(profiles.Hosts[n]))
            return n;
    }
    return -1;
}

QString TARLEN_Frm::loginName() const {
    const int profile = profileOf(m_loginHost);
    return profile >= 0 ? profiles.Hosts[profile].sName : m_loginHost.sAddr;
}

// A profile whose password is in the keyring and not yet read gets it
// first; `then` goes on with the host, at once when there is nothing to read.
// A keyring that cannot give it says why in the log. While the keyring is
// asked the button says Close: a Close then, or the window closing, abandons
// the attempt and nothing is sent.
void TARLEN_Frm::fillPasswordFromKeyring(const HostInfo& host,
                                         const std::function<void(const HostInfo&)>& then) {
    if (!host.inKeyring || !host.sPW.isEmpty()) {
        then(host);
        return;
    }
    const quint64 attempt = ++m_loginAttempt;
    m_loggingIn = true;
    Cmd_Connect->setText(QStringLiteral("Close"));
    vault().read(vaultAccount(host.sUser, host.sAddr), this,
                 [this, host, attempt, then](const VaultAnswer& answer) {
                     if (loginAbandoned(attempt))
                         return;
                     m_loggingIn = false;
                     if (!answer.ok())
                         Txt_Status->append(QStringLiteral("\r\n") + answer.error);
                     HostInfo filled = host;
                     filled.sPW = answer.password.value_or(QString());
                     then(filled);
                 });
}

void TARLEN_Frm::allowClearTextForGood() {
    m_loginHost.clearTextAllowed = true;
    bool changed = false;
    for (int n = 0; n < profiles.iNumHosts && n < profiles.Hosts.size(); ++n) {
        HostInfo& profile = profiles.Hosts[n];
        if (profile.sAddr == m_loginHost.sAddr && profile.sUser == m_loginHost.sUser &&
            profile.protocol == m_loginHost.protocol && !profile.clearTextAllowed)
            profile.clearTextAllowed = changed = true;
    }
    if (changed)
        writeSettings();
}

void TARLEN_Frm::connectAtStart(const LaunchTarget& target) {
    if (Cmd_Connect->text() != QStringLiteral("Connect"))
        return;
    HostInfo host = launchHost(profiles, target);
    // A user of their own without a password: ask for it, as the dialog
    // would. Over SFTP a key may do; the login says when it does not.
    if (host.sPW.isEmpty() && !host.inKeyring && host.protocol != ServerProtocol::Sftp &&
        host.sUser.compare(QStringLiteral("anonymous"), Qt::CaseInsensitive) != 0) {
        const std::optional<QString> password = m_prompter.password(
            QStringLiteral("Password for %1 on %2:").arg(host.sUser, host.sAddr), Titles::Caption);
        if (!password)
            return;
        host.sPW = *password;
    }
    const QString folder = target.directory;
    connectOrClose(host, [this, folder] {
        if (m_session->bConnected && !folder.isEmpty())
            remotePane->openDirectory(folder);
    });
}

void TARLEN_Frm::disconnectFromHost() {
    RemoteSession& s = *m_session;
    if (m_loggingIn || s.busy()) {
        // A login still under way is abandoned, not closed: nothing was
        // opened that a QUIT would end.
        ++m_loginAttempt;
        m_loggingIn = false;
        if (s.busy())
            s.reset();
    } else {
        setBusyPointer(true);
        s.execute(LastCommand::Disconnect, FtpCommand::quit());
        setBusyPointer(false);
    }
    remotePane->clear();
    Lbl_Security->clear();
    Cmd_Connect->setText(QStringLiteral("Connect"));
    s.bConnected = false;
}

void TARLEN_Frm::Cmd_Cancel_Click() {
    m_session->Cancel();
    Cmd_Cancel->hide();
    localPane->LstX_Files->setFocus(Qt::OtherFocusReason);
}

void TARLEN_Frm::Timer1_Timer() {
    ++iDots;
    Txt_Status->cutToLimit();
    Txt_Status->append(QStringLiteral(" ."));
    if (iDots == 40) {
        iDots = 0;
        Txt_Status->append(QStringLiteral("\r\n"));
    }
}
