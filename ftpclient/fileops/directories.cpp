// Making a sub-directory, and removing the current directory together with
// the files its pane lists, on either side.
#include "connection/tarlen_frm.h"
#include "file_error.h"
#include "filelists/local_fs.h"
#include "filelists/local_lists.h"
#include "name_checks.h"
#include "raw_names.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QLineEdit>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void checkNewName(const QString& name) {
    if (!isPlainFileName(name))
        throw FileError(
            QStringLiteral(
                "\"%1\" cannot be a directory name: it holds \"/\" or a control character.")
                .arg(name));
}

// The parent of a directory path that ends with a separator: /a/b/ gives /a/.
// A path with no separator before its last character stays as it is.
QString parentDirectory(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/', path.size() - 2);
    return slash >= 0 ? path.left(slash + 1) : path;
}

} // namespace

void TARLEN_Frm::Cmd_Dir_Click(int index) {
    if (index == 0)
        makeLocalDirectory();
    else
        makeRemoteDirectory();
}

void TARLEN_Frm::Cmd_Rem_Click(int index) {
    if (index == 0)
        removeLocalDirectory();
    else
        removeRemoteDirectory();
}

void TARLEN_Frm::makeLocalDirectory() {
    QString path = File1->Path();
    try {
        const QString answer = m_prompter.input(
            QStringLiteral("Enter a new subdirectory for ") + shownLocal(path), Caption, QString());
        if (answer.isEmpty())
            return;
        if (!path.endsWith(u'/'))
            path += u'/';
        path += answer;
        checkNewName(answer);
        if (::mkdir(LocalFs::bytes(path).constData(), 0777) != 0)
            throw FileError(systemError());
        Dir1->setPath(path);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                        shownLocal(path) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::makeRemoteDirectory() {
    if (!m_inet1 || m_inet1->StillExecuting())
        return;
    QString path = sRemoteDir;
    try {
        const QString answer = m_prompter.input(
            QStringLiteral("Enter a new remote subdirectory for ") + shownRemote(sRemoteDir),
            Caption, QString());
        if (answer.isEmpty())
            return;
        path = remoteDirectory() + answer;
        checkNewName(answer);
        runCommand(LastCommand::MakeDir, QStringLiteral("MKDIR ") + path);
        runCommand(LastCommand::Listing,
                   QStringLiteral("DIR ") + sRemoteDir + Txt_Pattern[1]->text());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                        shownRemote(path) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::removeLocalDirectory() {
    QString path = File1->Path();
    try {
        const Prompter::Answer answer =
            m_prompter.askYesNoCancel(QStringLiteral("Remove the directory ") + shownLocal(path) +
                                          QStringLiteral(" and all its contents?"),
                                      Caption, Prompter::Answer::No);
        if (!path.endsWith(u'/'))
            path += u'/';
        if (answer != Prompter::Answer::Yes)
            return;
        // Every listed file goes; a symbolic link among them is removed
        // itself, never what it points to.
        for (int i = 0; i < File1->ListCount(); ++i) {
            const QString file = path + File1->List(i);
            if (::unlink(LocalFs::bytes(file).constData()) != 0)
                throw FileError(QStringLiteral("Cannot delete %1: %2")
                                    .arg(RawName::shownWithMarks(file), systemError()));
        }
        if (::rmdir(LocalFs::bytes(path).constData()) != 0)
            throw FileError(systemError());
        Dir1->setPath(parentDirectory(path));
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to remove ") +
                        shownLocal(path) + QStringLiteral(": "),
                    std::current_exception());
    }
}

void TARLEN_Frm::removeRemoteDirectory() {
    if (!m_inet1 || m_inet1->StillExecuting())
        return;
    const QString dir = remoteDirectory();
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete the directory ") + shownRemote(dir) +
                                          QStringLiteral(" and all its contents from the remote "
                                                         "system?"),
                                      Caption, Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        CVantelCtrl* list = LstX_Files[1];
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            const QString path = dir + remoteName(i);
            sCurFile = shownRemote(path);
            runCommand(LastCommand::Delete, QStringLiteral("DELETE ") + path);
            if (state.bCancel)
                return;
        }
        runCommand(LastCommand::RemoveDir, QStringLiteral("RMDIR ") + dir);
        if (state.bCancel)
            return;
        sRemoteDir = parentDirectory(sRemoteDir);
        Lbl_Dir->setText(shownRemote(sRemoteDir));
        runCommand(LastCommand::Listing,
                   QStringLiteral("DIR ") + sRemoteDir + Txt_Pattern[1]->text());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to remove ") +
                        shownRemote(dir) + QStringLiteral(": "),
                    std::current_exception());
    }
}
