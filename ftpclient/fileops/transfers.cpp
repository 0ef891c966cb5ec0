// Downloading the selected remote files into the local directory and
// uploading the selected local files into the remote directory.
#include "connection/status_log.h"
#include "connection/tarlen_frm.h"
#include "filelists/local_lists.h"
#include "name_checks.h"
#include "transfer_progress.h"

#include <vantel/vantelctrl.h>

#include <QLineEdit>

QString TARLEN_Frm::localDirectory() const {
    QString dir = File1->Path();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString TARLEN_Frm::remoteDirectory() const {
    return sRemoteDir.endsWith(u'/') ? sRemoteDir : sRemoteDir + u'/';
}

void TARLEN_Frm::Cmd_Dn_Click() {
    try {
        const QString localDir = localDirectory();
        state.bCancel = false;
        CVantelCtrl* remote = LstX_Files[1];
        const int count = remote->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!remote->Selected(i))
                continue;
            // The name as the server has it: the local file gets the same bytes.
            const QString name = remoteName(i);
            sCurFile = shownRemote(name);
            // A name from the server becomes a local path only when it is a
            // plain name; anything else could write outside the directory.
            if (!isPlainFileName(name)) {
                m_prompter.beep();
                m_prompter.message(QStringLiteral("The server's file name \"%1\" cannot be used as "
                                                  "a local file name; it was not downloaded.")
                                       .arg(sCurFile),
                                   Caption, Prompter::Icon::Critical);
                continue;
            }
            // The local file of the same name is only replaced once the new
            // one has arrived whole.
            state.bCancel = false;
            state.iLastCommand = LastCommand::Download;
            state.sCommand = QStringLiteral("GET ") + sRemoteDir + name + u' ' + localDir + name;
            setBusyPointer(true);
            Txt_Status->append(QStringLiteral("\r\nRetrieving ") + sCurFile);
            Progress->begin(sCurFile);
            executeCommand();
            WaitResp();
        }
        reloadLocalFiles();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to download files: "),
                    std::current_exception());
    }
}

void TARLEN_Frm::Cmd_Up_Click() {
    try {
        const QString localDir = localDirectory();
        state.bCancel = false;
        CVantelCtrl* local = LstX_Files[0];
        const int count = local->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!local->Selected(i))
                continue;
            const QString name = File1->List(local->ItemData(i));
            if (name.contains(u' ')) {
                m_prompter.message(
                    QStringLiteral("Files with embedded spaces can not be transferred"), ShortTitle,
                    Prompter::Icon::Critical);
                continue;
            }
            sCurFile = shownLocal(name);
            const QString command =
                QStringLiteral("PUT ") + localDir + name + u' ' + sRemoteDir + name;
            state.iLastCommand = LastCommand::Upload;
            if (state.bCancel)
                return;
            state.sCommand = command;
            Txt_Status->append(QStringLiteral("\r\nSending ") + sCurFile);
            setBusyPointer(true);
            Progress->begin(sCurFile);
            executeCommand();
            WaitResp();
        }
        if (m_inet1 && m_inet1->StillExecuting())
            WaitResp();
        if (!state.bCancel)
            runCommand(LastCommand::Listing,
                       QStringLiteral("LS ") + sRemoteDir + Txt_Pattern[1]->text());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to upload files: "),
                    std::current_exception());
    }
}
