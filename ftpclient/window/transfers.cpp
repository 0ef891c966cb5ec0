#include "transfers.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/name_checks.h"
#include "panes/remote_pane.h"
#include "raw_names.h"
#include "remote_session.h"
#include "transfer_progress.h"

#include <vantel/vantelctrl.h>

#include <QLineEdit>

void PaneTransfers::Cmd_Dn_Click() {
    try {
        const QString localDir = m_local.localDirectory();
        m_session.state.bCancel = false;
        CVantelCtrl* remote = m_remote.LstX_Files;
        const int count = remote->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!remote->Selected(i))
                continue;
            // The name as the server has it: the local file gets the same bytes.
            const QString name = m_remote.remoteName(i);
            m_session.sCurFile = RemotePane::shownRemote(name);
            // A name from the server becomes a local path only when it is a
            // plain name; anything else could write outside the directory.
            if (!isPlainFileName(name)) {
                m_prompter.beep();
                m_prompter.message(QStringLiteral("The server's file name \"%1\" cannot be used as "
                                                  "a local file name; it was not downloaded.")
                                       .arg(m_session.sCurFile),
                                   Titles::Caption, Prompter::Icon::Critical);
                continue;
            }
            // The local file of the same name is only replaced once the new
            // one has arrived whole.
            setBusyPointer(true);
            m_session.log(QStringLiteral("\r\nRetrieving ") + m_session.sCurFile);
            m_progress.begin(m_session.sCurFile);
            m_session.runCommand(LastCommand::Download,
                                 FtpCommand::get(m_session.sRemoteDir + name, localDir + name));
        }
        m_local.reloadLocalFiles();
    } catch (...) {
        reportError(m_prompter,
                    QStringLiteral("The following error occurred trying to download files: "),
                    std::current_exception());
    }
}

void PaneTransfers::Cmd_Up_Click() {
    try {
        const QString localDir = m_local.localDirectory();
        m_session.state.bCancel = false;
        CVantelCtrl* local = m_local.LstX_Files;
        const int count = local->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!local->Selected(i))
                continue;
            const QString name = m_local.shownName(i);
            if (name.contains(u' ')) {
                m_prompter.message(
                    QStringLiteral("Files with embedded spaces can not be transferred"),
                    Titles::Short, Prompter::Icon::Critical);
                continue;
            }
            m_session.sCurFile = RawName::shownWithMarks(name);
            if (m_session.state.bCancel)
                return;
            m_session.log(QStringLiteral("\r\nSending ") + m_session.sCurFile);
            setBusyPointer(true);
            m_progress.begin(m_session.sCurFile);
            m_session.runCommand(LastCommand::Upload,
                                 FtpCommand::put(localDir + name, m_session.sRemoteDir + name));
        }
        if (m_session.busy())
            m_session.WaitResp();
        if (!m_session.state.bCancel)
            m_session.runCommand(
                LastCommand::Listing,
                FtpCommand::list(QStringLiteral("LS"),
                                 m_session.sRemoteDir + m_remote.Txt_Pattern->text()));
    } catch (...) {
        reportError(m_prompter,
                    QStringLiteral("The following error occurred trying to upload files: "),
                    std::current_exception());
    }
}
