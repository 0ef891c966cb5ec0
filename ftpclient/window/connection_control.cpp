#include "connection_control.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "connect/login_check.h"
#include "connect/password_check.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "remote_session.h"
#include "security_mark.h"
#include "status_log.h"
#include "transfer_progress.h"

#include <QPushButton>
#include <QTimer>

ConnectionControl::ConnectionControl(RemoteSession& session, const ConnectionView& view,
                                     HostProfiles& profiles, const QString& key, Prompter& prompter,
                                     ConnectionHooks hooks, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_view(view)
    , m_profiles(profiles)
    , m_key(key)
    , m_prompter(prompter)
    , m_hooks(std::move(hooks)) {
    connectSession();
    connect(&m_view.connectButton, &QPushButton::clicked, this, [this] { Cmd_Connect_Click(); });
    connect(&m_view.cancelButton, &QPushButton::clicked, this, [this] { Cmd_Cancel_Click(); });
    connect(&m_view.dots, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void ConnectionControl::connectSession() {
    RemoteSession& s = m_session;
    StatusLog* log = &m_view.log;
    connect(&s, &RemoteSession::logAppended, log, &StatusLog::append);
    connect(&s, &RemoteSession::logTrimmed, log, &StatusLog::cutToLimit);
    connect(&s, &RemoteSession::logCleared, log, &StatusLog::clear);
    connect(&s, &RemoteSession::busyChanged, this, &ConnectionControl::showBusy);
    connect(&s, &RemoteSession::failure, this, [this](const QString& message) {
        m_prompter.beep();
        setBusyPointer(false);
        m_prompter.message(message, Titles::Caption, Prompter::Icon::Critical);
    });
    connect(&s, &RemoteSession::securityEstablished, &m_view.securityMark,
            &SecurityMark::showSecurity);
    connect(&s, &RemoteSession::clearTextAllowedForGood, this,
            &ConnectionControl::allowClearTextForGood);
    connect(&s, &RemoteSession::disconnected, this, [this] {
        m_prompter.message(QStringLiteral("Disconnected from ") + loginName(), Titles::Short,
                           Prompter::Icon::None);
    });
}

// Cancel shows, the dots run and the pointer is busy while a command runs.
void ConnectionControl::showBusy(bool busy) {
    if (busy) {
        m_view.dots.start();
        m_view.cancelButton.show();
        setBusyPointer(true);
        return;
    }
    m_view.cancelButton.hide();
    m_view.progress.end();
    setBusyPointer(false);
    m_view.dots.stop();
}

void ConnectionControl::Cmd_Connect_Click() {
    connectOrClose(std::nullopt);
}

void ConnectionControl::connectOrClose(const std::optional<HostInfo>& given) {
    try {
        if (m_view.connectButton.text() == QStringLiteral("Connect"))
            connectToHost(given);
        else
            disconnectFromHost();
    } catch (...) {
        reportConnectFailure(errorDescription(std::current_exception()));
    }
}

void ConnectionControl::reportConnectFailure(const QString& description) {
    reportError(m_prompter,
                QStringLiteral("The following error occurred trying to connect to ") +
                    m_session.runner().remoteHost() + QStringLiteral(": "),
                description);
    ++m_loginAttempt;
    m_loggingIn = false;
    m_view.connectButton.setText(QStringLiteral("Connect"));
    m_session.reset();
}

void ConnectionControl::connectToHost(const std::optional<HostInfo>& given) {
    m_session.reset();
    m_view.remotePane.clear();
    m_view.securityMark.clear();
    m_view.log.clear();
    std::optional<HostInfo> host = given;
    if (!host && m_hooks.chooseHost)
        host = m_hooks.chooseHost();
    if (!host || m_unloaded)
        return;
    fillPasswordFromKeyring(*host, [this](const HostInfo& filled) {
        try {
            connectWith(filled);
        } catch (...) {
            reportConnectFailure(errorDescription(std::current_exception()));
        }
    });
}

void ConnectionControl::connectWith(const HostInfo& host) {
    m_loginHost = host;
    // A key file only counts for SFTP: a profile switched to FTP keeps it.
    m_session.setHost(host.sAddr, host.sUser, host.sPW, host.protocol,
                      host.protocol == ServerProtocol::Sftp ? host.sKeyFile : QString(),
                      host.clearTextAllowed);
    // A Close while the login runs abandons it: this attempt then no longer
    // owns the window and sends nothing more.
    const quint64 attempt = ++m_loginAttempt;
    const int profile = profileOf(m_profiles, m_loginHost);
    // Ticked when the profile keeps a password: the one that was refused.
    m_savePassword = profile >= 0 && (m_profiles.Hosts[profile].inKeyring ||
                                      !m_profiles.Hosts[profile].sPW.isEmpty());
    m_askedPassword = false;
    m_loggingIn = true;
    m_view.connectButton.setText(QStringLiteral("Close"));
    setBusyPointer(true);
    sendLogin(attempt);
}

bool ConnectionControl::loginAbandoned(quint64 attempt) const {
    return attempt != m_loginAttempt || m_unloaded;
}

void ConnectionControl::sendLogin(quint64 attempt) {
    RemoteJob* job = m_session.logIn();
    connect(job, &RemoteJob::finished, this,
            [this, attempt](const InetResult& result) { onLoginEnded(attempt, result); });
}

// By the time the server refuses a password the connection's protection is
// settled, so another one can be asked for and sent over the same kind of
// connection; one the user wants saved is saved once the server took it.
void ConnectionControl::onLoginEnded(quint64 attempt, const InetResult& result) {
    if (loginAbandoned(attempt))
        return;
    if (m_session.runner().loginRefused() && askAgainAfterRefusal(attempt))
        return;
    if (loginAbandoned(attempt))
        return;
    m_loggingIn = false;
    if (result.refused()) {
        reportConnectFailure(result.info);
        return;
    }
    if (m_askedPassword && m_savePassword && result.completed())
        keepPassword(profileOf(m_profiles, m_loginHost), m_loginHost.sPW);
    if (!result.completed() && !result.cancelled()) {
        // Logged in nowhere: the error line is in the log already.
        m_view.securityMark.clear();
        m_view.connectButton.setText(QStringLiteral("Connect"));
        setBusyPointer(false);
        return;
    }
    if (result.cancelled())
        return;
    listFirst(attempt);
}

// True when another password went out.
bool ConnectionControl::askAgainAfterRefusal(quint64 attempt) {
    setBusyPointer(false);
    const int profile = profileOf(m_profiles, m_loginHost);
    const std::optional<QString> password = askPasswordAgain(m_loginHost, profile, &m_savePassword);
    if (!password || loginAbandoned(attempt))
        return false;
    m_askedPassword = true;
    m_loginHost.sPW = *password;
    m_session.setPassword(*password);
    setBusyPointer(true);
    sendLogin(attempt);
    return true;
}

void ConnectionControl::listFirst(quint64 attempt) {
    m_loggingIn = true;
    setBusyPointer(true);
    RemoteJob* job = m_session.listFirst();
    connect(job, &RemoteJob::finished, this, [this, attempt] {
        if (loginAbandoned(attempt))
            return;
        m_loggingIn = false;
        setBusyPointer(false);
        if (m_hooks.loggedIn)
            m_hooks.loggedIn(m_loginHost);
        const QString directory = std::exchange(m_startDirectory, QString());
        if (!directory.isEmpty() && m_session.connected())
            m_view.remotePane.openDirectory(directory);
    });
}

// Nothing for an anonymous login, which no password helps, or when the
// user cancels. A password that cannot be sent is asked for once more.
std::optional<QString> ConnectionControl::askPasswordAgain(const HostInfo& host, int profile,
                                                           bool* save) {
    if (host.sUser.isEmpty() ||
        host.sUser.compare(QStringLiteral("anonymous"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    QString prompt = QStringLiteral("The server refused the login. Password for %1 on %2:")
                         .arg(host.sUser, host.sAddr);
    QString checkBox;
    if (profile >= 0) {
        checkBox = QStringLiteral("Save Password");
        if (!m_hooks.vault().available())
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
void ConnectionControl::keepPassword(int profile, const QString& password) {
    if (profile < 0 || profile >= m_profiles.Hosts.size())
        return;
    PasswordVault& vault = m_hooks.vault();
    const bool keyring = vault.available();
    if (!keyring && !checkStorablePassword(password, m_key, m_prompter))
        return;
    HostInfo& saved = m_profiles.Hosts[profile];
    saved.sPW = password;
    const QString account = vaultAccount(saved.sUser, saved.sAddr);
    saved.inKeyring = keepInKeyring(saved, &vault, m_prompter, Titles::Caption, this,
                                    [this, profile, account](bool stored) {
                                        if (!stored && keyringRefused(m_profiles, profile, account))
                                            m_hooks.writeSettings();
                                    });
    m_hooks.writeSettings();
}

QString ConnectionControl::loginName() const {
    const int profile = profileOf(m_profiles, m_loginHost);
    return profile >= 0 ? m_profiles.Hosts[profile].sName : m_loginHost.sAddr;
}

// A profile whose password is in the keyring and not yet read gets it
// first; a keyring that cannot give it says why in the log. A Close meanwhile
// abandons the login before anything was sent.
void ConnectionControl::fillPasswordFromKeyring(const HostInfo& host,
                                                const std::function<void(const HostInfo&)>& then) {
    if (!host.inKeyring || !host.sPW.isEmpty()) {
        then(host);
        return;
    }
    const quint64 attempt = ++m_loginAttempt;
    m_loggingIn = true;
    m_view.connectButton.setText(QStringLiteral("Close"));
    m_hooks.vault().read(vaultAccount(host.sUser, host.sAddr), this,
                         [this, host, attempt, then](const VaultAnswer& answer) {
                             if (loginAbandoned(attempt))
                                 return;
                             m_loggingIn = false;
                             if (!answer.ok())
                                 m_view.log.append(QStringLiteral("\r\n") + answer.error);
                             HostInfo filled = host;
                             filled.sPW = answer.password.value_or(QString());
                             then(filled);
                         });
}

void ConnectionControl::allowClearTextForGood() {
    m_loginHost.clearTextAllowed = true;
    bool changed = false;
    for (int n = 0; n < m_profiles.iNumHosts && n < m_profiles.Hosts.size(); ++n) {
        HostInfo& profile = m_profiles.Hosts[n];
        if (profile.sAddr == m_loginHost.sAddr && profile.sUser == m_loginHost.sUser &&
            profile.protocol == m_loginHost.protocol && !profile.clearTextAllowed)
            profile.clearTextAllowed = changed = true;
    }
    if (changed)
        m_hooks.writeSettings();
}

void ConnectionControl::connectAtStart(const LaunchTarget& target) {
    if (m_view.connectButton.text() != QStringLiteral("Connect"))
        return;
    HostInfo host = launchHost(m_profiles, target);
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
    m_startDirectory = target.directory;
    connectOrClose(host);
}

void ConnectionControl::disconnectFromHost() {
    if (m_loggingIn || m_session.runner().busy()) {
        // A login still under way is abandoned, not closed: nothing was
        // opened that a QUIT would end.
        ++m_loginAttempt;
        m_loggingIn = false;
        m_session.reset();
    } else {
        setBusyPointer(true);
        m_session.disconnectFromServer();
        setBusyPointer(false);
    }
    m_startDirectory.clear();
    m_view.remotePane.clear();
    m_view.securityMark.clear();
    m_view.connectButton.setText(QStringLiteral("Connect"));
}

void ConnectionControl::Cmd_Cancel_Click() {
    m_session.Cancel();
    m_view.cancelButton.hide();
    m_view.focusOnCancel.setFocus(Qt::OtherFocusReason);
}

void ConnectionControl::Timer1_Timer() {
    ++m_dots;
    m_view.log.cutToLimit();
    m_view.log.append(QStringLiteral(" ."));
    if (m_dots == 40) {
        m_dots = 0;
        m_view.log.append(QStringLiteral("\r\n"));
    }
}

void ConnectionControl::unload() {
    m_unloaded = true;
    ++m_loginAttempt;
    m_view.dots.stop();
}
