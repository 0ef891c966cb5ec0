// Deleting and renaming the selected remote files, and making and removing
// remote directories; each ends by listing the directory again. Each is a
// chain of the session's jobs: Cancel stops the rest of it.
#include "remote_pane.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "name_checks.h"
#include "remote_session.h"

#include <vantel/vantelctrl.h>

#include <QLineEdit>

#include <memory>

void RemotePane::Cmd_Delete_Click() {
    if (m_session.busy() || m_session.closed())
        return;
    const QString dir = remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to delete ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete selected files on the remote system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        auto* chain = new JobChain(this);
        deleteFiles(*chain, dir, true);
        chain->then([this] { return listAgain(); });
        runJobs(chain, errorPrefix);
    } catch (...) {
        reportError(errorPrefix);
    }
}

void RemotePane::deleteFiles(JobChain& chain, const QString& dir, bool selectedOnly) {
    const int count = LstX_Files->ListCount();
    for (int i = 0; i < count; ++i) {
        if (selectedOnly && !LstX_Files->Selected(i))
            continue;
        const QString path = dir + remoteName(i);
        chain.then([this, path] { return m_session.remove(path, shownRemote(path)); });
    }
}

// Each new name is asked for once the rename before it has ended; an empty
// answer renames nothing more.
void RemotePane::Cmd_Rename_Click() {
    if (m_session.busy() || m_session.closed())
        return;
    const QString dir = remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to rename ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        auto* chain = new JobChain(this);
        auto stopped = std::make_shared<bool>(false);
        const int count = LstX_Files->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!LstX_Files->Selected(i))
                continue;
            const QString oldName = remoteName(i);
            chain->then([this, dir, oldName, stopped]() -> RemoteJob* {
                if (*stopped)
                    return nullptr;
                const QString newName =
                    m_prompter.input(QStringLiteral("Enter a new name for") + shownRemote(oldName),
                                     Titles::Short, oldName);
                *stopped = newName.isEmpty();
                if (*stopped)
                    return nullptr;
                checkNewFileName(newName);
                return m_session.rename(dir + oldName, dir + newName, shownRemote(oldName));
            });
        }
        chain->then([this] { return listAgain(); });
        runJobs(chain, errorPrefix);
    } catch (...) {
        reportError(errorPrefix);
    }
}

void RemotePane::Cmd_Dir_Click() {
    if (m_session.busy() || m_session.closed())
        return;
    QString path = remoteDirectory();
    try {
        const QString answer = m_prompter.input(
            QStringLiteral("Enter a new remote subdirectory for ") + shownRemote(path),
            Titles::Caption, QString());
        if (answer.isEmpty())
            return;
        path = remoteDirectory() + answer;
        checkNewDirectoryName(answer);
        auto* chain = new JobChain(this);
        chain->then([this, path] { return m_session.makeDirectory(path); }).then([this] {
            return listAgain();
        });
        runJobs(chain, QStringLiteral("The following error occurred trying to create ") +
                           shownRemote(path) + QStringLiteral(": "));
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                    shownRemote(path) + QStringLiteral(": "));
    }
}

// Removes the directory shown, with every file its list shows (not only the
// selected ones), then goes up to its parent.
void RemotePane::Cmd_Rem_Click() {
    if (m_session.busy() || m_session.closed())
        return;
    const QString dir = remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to remove ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete the directory ") + shownRemote(dir) +
                                          QStringLiteral(" and all its contents from the remote "
                                                         "system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        auto* chain = new JobChain(this);
        deleteFiles(*chain, dir, false);
        const QString parent = parentDirectory(dir);
        chain->then([this, dir] { return m_session.removeDirectory(dir); })
            .then([this, parent]() -> RemoteJob* {
                showDirectory(parent);
                return m_session.listDirectory(parent, Txt_Pattern->text(),
                                               RemoteSession::ListVerb::Dir);
            });
        runJobs(chain, errorPrefix, [this] { showDirectory(remoteDirectory()); });
    } catch (...) {
        reportError(errorPrefix);
    }
}
