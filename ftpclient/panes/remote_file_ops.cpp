// Deleting and renaming the selected remote files, and making and removing
// remote directories; each ends by listing the directory again.
#include "remote_pane.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "name_checks.h"
#include "remote_session.h"

#include <vantel/vantelctrl.h>

void RemotePane::Cmd_Delete_Click() {
    if (m_session.busy() || !m_session.Inet1())
        return;
    const QString dir = remoteDirectory();
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete selected files on the remote system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        if (deleteFiles(dir, true))
            listAgain();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                    shownRemote(dir) + QStringLiteral(": "));
    }
}

bool RemotePane::deleteFiles(const QString& dir, bool selectedOnly) {
    const int count = LstX_Files->ListCount();
    for (int i = 0; i < count; ++i) {
        if (selectedOnly && !LstX_Files->Selected(i))
            continue;
        const QString path = dir + remoteName(i);
        m_session.sCurFile = shownRemote(path);
        m_session.runCommand(LastCommand::Delete, FtpCommand::remove(path));
        if (m_session.state.bCancel)
            return false;
    }
    return true;
}

void RemotePane::Cmd_Rename_Click() {
    if (m_session.busy() || !m_session.Inet1())
        return;
    const QString dir = remoteDirectory();
    try {
        const int count = LstX_Files->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!LstX_Files->Selected(i))
                continue;
            const QString oldName = remoteName(i);
            const QString newName =
                m_prompter.input(QStringLiteral("Enter a new name for") + shownRemote(oldName),
                                 Titles::Short, oldName);
            if (newName.isEmpty())
                break;
            checkNewFileName(newName);
            m_session.sCurFile = shownRemote(oldName);
            m_session.runCommand(LastCommand::Rename,
                                 FtpCommand::rename(dir + oldName, dir + newName));
            if (m_session.state.bCancel)
                return;
        }
        listAgain();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                    shownRemote(dir) + QStringLiteral(": "));
    }
}

void RemotePane::Cmd_Dir_Click() {
    if (m_session.busy() || !m_session.Inet1())
        return;
    QString path = m_session.sRemoteDir;
    try {
        const QString answer = m_prompter.input(
            QStringLiteral("Enter a new remote subdirectory for ") + shownRemote(path),
            Titles::Caption, QString());
        if (answer.isEmpty())
            return;
        path = remoteDirectory() + answer;
        checkNewDirectoryName(answer);
        m_session.runCommand(LastCommand::MakeDir, FtpCommand::makeDirectory(path));
        listAgain();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                    shownRemote(path) + QStringLiteral(": "));
    }
}

// Removes the directory shown, with every file its list shows (not only the
// selected ones), then goes up to its parent.
void RemotePane::Cmd_Rem_Click() {
    if (m_session.busy() || !m_session.Inet1())
        return;
    const QString dir = remoteDirectory();
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete the directory ") + shownRemote(dir) +
                                          QStringLiteral(" and all its contents from the remote "
                                                         "system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        if (!deleteFiles(dir, false))
            return;
        m_session.runCommand(LastCommand::RemoveDir, FtpCommand::removeDirectory(dir));
        if (m_session.state.bCancel)
            return;
        m_session.sRemoteDir = parentDirectory(m_session.sRemoteDir);
        showDirectory(m_session.sRemoteDir);
        listAgain();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to remove ") +
                    shownRemote(dir) + QStringLiteral(": "));
    }
}
