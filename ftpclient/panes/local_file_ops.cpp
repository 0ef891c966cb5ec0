#include "local_file_ops.h"

#include "local_pane.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "file_error.h"
#include "local_fs.h"
#include "local_lists.h"
#include "name_checks.h"
#include "raw_names.h"

#include <vantel/vantelctrl.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes a file, or a symbolic link itself, never what the link points to.
void removeLocalFile(const QString& path) {
    if (::unlink(LocalFs::bytes(path).constData()) != 0)
        throw FileError(QStringLiteral("Cannot delete %1: %2")
                            .arg(RawName::shownWithMarks(path), systemError()));
}

} // namespace

LocalFileOps::LocalFileOps(LocalPane& pane, Prompter& prompter)
    : m_pane(pane)
    , m_prompter(prompter) {}

void LocalFileOps::reportError(const QString& prefix) {
    ::reportError(m_prompter, prefix, std::current_exception());
}

void LocalFileOps::Cmd_Delete_Click() {
    QString dir;
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete all selected files?"), Titles::Short,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        dir = m_pane.localDirectory();
        CVantelCtrl* list = m_pane.LstX_Files;
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i)
            if (list->Selected(i))
                removeLocalFile(dir + m_pane.shownName(i));
        m_pane.reloadLocalFiles();
        list->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to delete ") +
                    RawName::shownWithMarks(dir) + QStringLiteral(": "));
    }
}

void LocalFileOps::Cmd_Rename_Click() {
    QString dir;
    try {
        dir = m_pane.localDirectory();
        CVantelCtrl* list = m_pane.LstX_Files;
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!list->Selected(i))
                continue;
            const QString oldName = m_pane.shownName(i);
            const QString newName = m_prompter.input(QStringLiteral("Enter a new name for") +
                                                         RawName::shownWithMarks(oldName),
                                                     Titles::Short, oldName);
            if (newName.isEmpty())
                break;
            checkNewFileName(newName);
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
        m_pane.reloadLocalFiles();
        list->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to rename ") +
                    RawName::shownWithMarks(dir) + QStringLiteral(": "));
    }
}

void LocalFileOps::Cmd_Dir_Click() {
    QString path = m_pane.File1->Path();
    try {
        const QString answer = m_prompter.input(QStringLiteral("Enter a new subdirectory for ") +
                                                    RawName::shownWithMarks(path),
                                                Titles::Caption, QString());
        if (answer.isEmpty())
            return;
        if (!path.endsWith(u'/'))
            path += u'/';
        path += answer;
        checkNewDirectoryName(answer);
        if (::mkdir(LocalFs::bytes(path).constData(), 0777) != 0)
            throw FileError(systemError());
        m_pane.Dir1->setPath(path);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                    RawName::shownWithMarks(path) + QStringLiteral(": "));
    }
}

void LocalFileOps::Cmd_Rem_Click() {
    // The directory whose files the list shows.
    QString path = m_pane.localDirectory();
    if (path.size() > 1)
        path.chop(1);
    try {
        const Prompter::Answer answer = m_prompter.askYesNoCancel(
            QStringLiteral("Remove the directory ") + RawName::shownWithMarks(path) +
                QStringLiteral(" and all its contents?"),
            Titles::Caption, Prompter::Answer::No);
        if (!path.endsWith(u'/'))
            path += u'/';
        if (answer != Prompter::Answer::Yes)
            return;
        // Every listed file goes; a symbolic link among them is removed
        // itself, never what it points to.
        for (const QString& name : m_pane.shownNames()) {
            const QString file = path + name;
            if (::unlink(LocalFs::bytes(file).constData()) != 0)
                throw FileError(QStringLiteral("Cannot delete %1: %2")
                                    .arg(RawName::shownWithMarks(file), systemError()));
        }
        if (::rmdir(LocalFs::bytes(path).constData()) != 0)
            throw FileError(systemError());
        m_pane.Dir1->setPath(parentDirectory(path));
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to remove ") +
                    RawName::shownWithMarks(path) + QStringLiteral(": "));
    }
}
