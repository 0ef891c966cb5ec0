// The connection controller: connect and disconnect, Cancel, the transfer
// component's state changes and the progress dots of the status log.
#include "tarlen_frm.h"

#include "fileops/transfer_progress.h"
#include "inet.h"
#include "status_log.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

void TARLEN_Frm::createInet() {
    m_inet1 = new Inet(this);
    connect(m_inet1, &Inet::StateChanged, this, [this](short s) { Inet1_StateChanged(s); });
    connect(m_inet1, &Inet::TransferProgress, this, [this](qint64 done, qint64 total) {
        if (!Progress->active())
            Progress->begin(sCurFile);
        Progress->update(done, total);
    });
}

void TARLEN_Frm::reloadInet() {
    const QString url = m_inet1 ? m_inet1->URL() : QString();
    const QString user = m_inet1 ? m_inet1->UserName() : QString();
    const QString password = m_inet1 ? m_inet1->Password() : QString();
    if (m_inet1) {
        // The old instance may be the one whose event is being handled right
        // now: silence it and let it go once control is back in the loop.
        m_inet1->disconnect(this);
        m_inet1->Cancel();
        m_inet1->deleteLater();
    }
    createInet();
    m_inet1->setRequestTimeout(30);
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setURL(url);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
}

void TARLEN_Frm::executeCommand() {
    if (m_unloaded || !m_inet1)
        return;
    m_commandFailed = false;
    m_inet1->Execute(m_inet1->URL(), state.sCommand);
    emit commandExecuted(state.sCommand);
}

void TARLEN_Frm::runCommand(short code, const QString& command) {
    state.iLastCommand = code;
    state.bCancel = false;
    state.sCommand = command;
    setBusyPointer(true);
    executeCommand();
    WaitResp();
}

void TARLEN_Frm::Cmd_Connect_Click() {
    try {
        if (Cmd_Connect->text() == QStringLiteral("Connect"))
            connectToHost();
        else
            disconnectFromHost();
    } catch (...) {
        const QString host = m_inet1 ? m_inet1->RemoteHost() : QString();
        reportError(QStringLiteral("The following error occurred trying to connect to ") + host +
                        QStringLiteral(": "),
                    std::current_exception());
        m_loggingIn = false;
        Cmd_Connect->setText(QStringLiteral("Connect"));
        bConnected = false;
    }
}

// Abandons whatever the component is doing: no reply of it reaches the
// window, and a fresh component takes its place.
void TARLEN_Frm::resetInet() {
    if (m_inet1 && m_inet1->StillExecuting()) {
        m_inet1->Cancel();
        reloadInet();
    }
}

void TARLEN_Frm::connectToHost() {
    resetInet();
    Lbl_Dir->clear();
    Txt_Status->clear();
    LstX_Files[1]->Clear();
    Lst_Remote_Dir->clear();
    state.bConnCancel = false;
    bConnected = false;
    m_inet1->setRequestTimeout(30);
    if (showConnectDialog)
        showConnectDialog();
    if (state.bConnCancel || m_unloaded)
        return;

    // A Close while the login waits abandons it: this attempt then no
    // longer owns the window and sends nothing more.
    const quint64 attempt = ++m_loginAttempt;
    m_loggingIn = true;
    const auto abandoned = [this, attempt] {
        return attempt != m_loginAttempt || m_unloaded;
    };
    Cmd_Connect->setText(QStringLiteral("Close"));
    state.bCancel = false;
    setBusyPointer(true);
    state.sCommand = QStringLiteral("PWD");
    executeCommand();
    WaitResp();
    if (abandoned())
        return;
    if (m_commandFailed) {
        // Logged in nowhere: the error line is in the log already.
        m_loggingIn = false;
        Cmd_Connect->setText(QStringLiteral("Connect"));
        bConnected = false;
        setBusyPointer(false);
        return;
    }
    if (m_inet1)
        m_inet1->setRequestTimeout(30);
    if (state.bCancel) {
        m_loggingIn = false;
        return;
    }

    state.iLastCommand = LastCommand::Listing;
    state.sCommand = QStringLiteral("DIR");
    setBusyPointer(true);
    executeCommand();
    WaitResp();
    if (abandoned())
        return;
    m_loggingIn = false;
    bConnected = true;
    setBusyPointer(false);
    if (sRemoteDir.startsWith(QStringLiteral("//"))) {
        sRemoteDir = QStringLiteral("/");
        sRootDir = QStringLiteral("/");
    }
}

void TARLEN_Frm::disconnectFromHost() {
    if (m_loggingIn || (m_inet1 && m_inet1->StillExecuting())) {
        // A login still under way is abandoned, not closed: nothing was
        // opened that a QUIT would end.
        ++m_loginAttempt;
        m_loggingIn = false;
        if (m_inet1)
            m_inet1->Cancel();
        reloadInet();
    } else {
        state.iLastCommand = LastCommand::Disconnect;
        state.bCancel = false;
        state.sCommand = QStringLiteral("QUIT");
        setBusyPointer(true);
        executeCommand();
        setBusyPointer(false);
    }
    LstX_Files[1]->Clear();
    Lst_Remote.clear();
    Lst_Remote_Dir->clear();
    Lbl_Dir->clear();
    Cmd_Connect->setText(QStringLiteral("Connect"));
    bConnected = false;
}

void TARLEN_Frm::Cmd_Cancel_Click() {
    state.iLastCommand = LastCommand::Cancelled;
    // The timeout can only change while the component is idle; an abandoned
    // command ends at once anyway.
    if (m_inet1 && !m_inet1->StillExecuting())
        m_inet1->setRequestTimeout(1);
    state.bCancel = true;
    Txt_Status->clear();
    if (m_inet1)
        m_inet1->Cancel();
    WaitResp();
    reloadInet();
    state.bCancel = true;
    Cmd_Cancel->hide();
    LstX_Files[0]->setFocus(Qt::OtherFocusReason);
}

void TARLEN_Frm::Inet1_StateChanged(short s) {
    // Nothing may escape into the event loop: a failure here is reported
    // like any other run-time failure.
    try {
        reactToState(s);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "), std::current_exception());
    }
    Txt_Status->cutToLimit();
}

void TARLEN_Frm::reactToState(short s) {
    switch (s) {
    case InetState::ResolvingHost:
        Txt_Status->append(kCrLf + QStringLiteral("Resolving Host"));
        break;
    case InetState::HostResolved:
        Txt_Status->append(kCrLf + QStringLiteral("Host Resolved"));
        break;
    case InetState::Connecting:
        Txt_Status->append(kCrLf + QStringLiteral("Connecting..."));
        break;
    case InetState::Connected:
        Txt_Status->append(kCrLf + QStringLiteral("Connected!"));
        break;
    case InetState::Disconnecting:
        Txt_Status->append(kCrLf + QStringLiteral("Disconnecting..."));
        break;
    case InetState::Disconnected:
        Txt_Status->append(kCrLf + QStringLiteral("Disconnected"));
        break;
    case InetState::Error: {
        const int code = m_inet1 ? m_inet1->ResponseCode() : 0;
        const QString info = m_inet1 ? m_inet1->ResponseInfo() : QString();
        Txt_Status->append(QStringLiteral("Error! ") + QString::number(code) +
                           QStringLiteral(": ") + info + kCrLf);
        m_commandFailed = true;
        if (code == InetResponse::ServerError) {
            // Start again with a fresh component; every other refusal since
            // start-up gets one more try.
            reloadInet();
            setBusyPointer(true);
            if (++iRetry == 1) {
                executeCommand();
                WaitResp();
            } else {
                iRetry = 0;
            }
        }
        break;
    }
    case InetState::ResponseCompleted:
        m_commandFailed = false;
        ReactToResponse(state.iLastCommand);
        break;
    default:
        break;
    }
}

void TARLEN_Frm::Timer1_Timer() {
    ++iDots;
    Txt_Status->cutToLimit();
    Txt_Status->append(QStringLiteral(" ."));
    if (iDots == 40) {
        iDots = 0;
        Txt_Status->append(kCrLf);
    }
}
