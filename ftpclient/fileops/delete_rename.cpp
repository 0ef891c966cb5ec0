// Deleting and renaming the selected files of either pane.
#include "connection/tarlen_frm.h"
#include "file_error.h"
#include "filelists/local_fs.h"
#include "filelists/local_lists.h"
#include "name_checks.h"
#include "raw_names.h"

#include <vantel/vantelctrl.h>

#include <QLineEdit>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Removes a file, or a symbolic link itself, never what the link points to.
void removeLocalFile(const QString& path) {
    if (::unlink(LocalFs::bytes(path).constData()) != 0)
        throw FileError(QStringLiteral("Cannot delete %1: %2")
                            .arg(RawName::shownWithMarks(path), systemError()));
}

void checkNewName(const QString& name) {
    if (!isPlainFileName(name))
        throw FileError(
            QStringLiteral("\"%1\" cannot be a file name: it holds \"/\" or a control character.")
                .arg(name));
}

} // namespace

void TARLEN_Frm::Cmd_Delete_Click(int index) {
    if (index == 0)
        deleteLocal();
    else
        deleteRemote();
}

void TARLEN_Frm::Cmd_Rename_Click(int index) {
    if (index == 0)
        renameLocal();
    else
        renameRemote();
}

void TARLEN_Frm::deleteLocal() {
    QString dir;
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete all selected files?"), ShortTitle,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        dir = localDirectory();
        CVantelCtrl* list = LstX_Files[0];
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i)
            if (list->Selected(i))
                removeLocalFile(dir + File1->List(list->ItemData(i)));
        reloadLocalFiles();
        list->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                        shownLocal(dir) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::deleteRemote() {
    if (!m_inet1 || m_inet1->StillExecuting())
        return;
    const QString dir = remoteDirectory();
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete selected files on the remote system?"),
                                      Caption, Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        CVantelCtrl* list = LstX_Files[1];
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!list->Selected(i))
                continue;
            const QString path = dir + remoteName(i);
            sCurFile = shownRemote(path);
            runCommand(LastCommand::Delete, QStringLiteral("DELETE ") + path);
            if (state.bCancel)
                return;
        }
        runCommand(LastCommand::Listing,
                   QStringLiteral("DIR ") + sRemoteDir + Txt_Pattern[1]->text());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                        shownRemote(dir) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::renameLocal() {
    QString dir;
    try {
        dir = localDirectory();
        CVantelCtrl* list = LstX_Files[0];
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!list->Selected(i))
                continue;
            const QString oldName = File1->List(list->ItemData(i));
            const QString newName = m_prompter.input(
                QStringLiteral("Enter a new name for") + shownLocal(oldName), ShortTitle, oldName);
            if (newName.isEmpty())
                break;
            checkNewName(newName);
            if (newName == oldName)
                continue;
            // rename(2) would silently replace a file of the new name.
            const QString target = dir + newName;
            if (LocalFs::exists(target))
                throw FileError(QStringLiteral("A file named \"%1\" already exists.")
                                    .arg(RawName::shownWithMarks(newName)));
            if (std::rename(LocalFs::bytes(dir + oldName).constData(),
                            LocalFs::bytes(target).constData()) != 0)
                throw FileError(QStringLiteral("Cannot rename %1: %2")
                                    .arg(RawName::shownWithMarks(oldName), systemError()));
        }
        reloadLocalFiles();
        list->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                        shownLocal(dir) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::renameRemote() {
    if (!m_inet1 || m_inet1->StillExecuting())
        return;
    const QString dir = remoteDirectory();
    try {
        CVantelCtrl* list = LstX_Files[1];
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!list->Selected(i))
                continue;
            const QString oldName = remoteName(i);
            const QString newName = m_prompter.input(
                QStringLiteral("Enter a new name for") + shownRemote(oldName), ShortTitle, oldName);
            if (newName.isEmpty())
                break;
            checkNewName(newName);
            sCurFile = shownRemote(oldName);
            runCommand(LastCommand::Rename,
                       QStringLiteral("RENAME ") + dir + oldName + u' ' + dir + newName);
            if (state.bCancel)
                return;
        }
        runCommand(LastCommand::Listing,
                   QStringLiteral("DIR ") + sRemoteDir + Txt_Pattern[1]->text());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                        shownRemote(dir) + QStringLiteral(": "),
                    std::current_exception());
    }
}
