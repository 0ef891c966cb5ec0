#include "remote_file_ops.h"

#include "remote_pane.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "name_checks.h"
#include "remote_names.h"
#include "remote_session.h"

#include <vantel/vantelctrl.h>

#include <QLineEdit>

#include <memory>

RemoteFileOps::RemoteFileOps(RemotePane& pane, RemoteSession& session, Prompter& prompter)
    : m_pane(pane)
    , m_session(session)
    , m_prompter(prompter) {}

void RemoteFileOps::reportError(const QString& prefix) {
    ::reportError(m_prompter, prefix, std::current_exception());
}

void RemoteFileOps::Cmd_Delete_Click() {
    if (m_session.runner().busy() || m_session.runner().closed())
        return;
    const QString dir = m_pane.remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to delete ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete selected files on the remote system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        auto* chain = new JobChain(&m_pane);
        deleteFiles(*chain, dir, true);
        chain->then([this] { return m_pane.listAgain(); });
        m_pane.runJobs(chain, errorPrefix);
    } catch (...) {
        reportError(errorPrefix);
    }
}

void RemoteFileOps::deleteFiles(JobChain& chain, const QString& dir, bool selectedOnly) {
    const int count = m_pane.LstX_Files->ListCount();
    for (int i = 0; i < count; ++i) {
        if (selectedOnly && !m_pane.LstX_Files->Selected(i))
            continue;
        const QString path = dir + m_pane.remoteName(i);
        chain.then([this, path] { return m_session.remove(path, shownRemote(path)); });
    }
}

// Each new name is asked for once the rename before it has ended; an empty
// answer renames nothing more.
void RemoteFileOps::Cmd_Rename_Click() {
    if (m_session.runner().busy() || m_session.runner().closed())
        return;
    const QString dir = m_pane.remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to rename ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        auto* chain = new JobChain(&m_pane);
        auto stopped = std::make_shared<bool>(false);
        const int count = m_pane.LstX_Files->ListCount();
        for (int i = 0; i < count; ++i) {
            if (!m_pane.LstX_Files->Selected(i))
                continue;
            const QString oldName = m_pane.remoteName(i);
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
        chain->then([this] { return m_pane.listAgain(); });
        m_pane.runJobs(chain, errorPrefix);
    } catch (...) {
        reportError(errorPrefix);
    }
}

void RemoteFileOps::Cmd_Dir_Click() {
    if (m_session.runner().busy() || m_session.runner().closed())
        return;
    QString path = m_pane.remoteDirectory();
    try {
        const QString answer = m_prompter.input(
            QStringLiteral("Enter a new remote subdirectory for ") + shownRemote(path),
            Titles::Caption, QString());
        if (answer.isEmpty())
            return;
        path = m_pane.remoteDirectory() + answer;
        checkNewDirectoryName(answer);
        auto* chain = new JobChain(&m_pane);
        chain->then([this, path] { return m_session.makeDirectory(path); }).then([this] {
            return m_pane.listAgain();
        });
        m_pane.runJobs(chain, QStringLiteral("The following error occurred trying to create ") +
                           shownRemote(path) + QStringLiteral(": "));
    } catch (...) {
        reportError(QStringLiteral("The following error occurred trying to create ") +
                    shownRemote(path) + QStringLiteral(": "));
    }
}

// Removes the directory shown, with every file its list shows (not only the
// selected ones), then goes up to its parent.
void RemoteFileOps::Cmd_Rem_Click() {
    if (m_session.runner().busy() || m_session.runner().closed())
        return;
    const QString dir = m_pane.remoteDirectory();
    const QString errorPrefix = QStringLiteral("The following error occurred trying to remove ") +
                                shownRemote(dir) + QStringLiteral(": ");
    try {
        if (m_prompter.askYesNoCancel(QStringLiteral("Delete the directory ") + shownRemote(dir) +
                                          QStringLiteral(" and all its contents from the remote "
                                                         "system?"),
                                      Titles::Caption,
                                      Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        auto* chain = new JobChain(&m_pane);
        deleteFiles(*chain, dir, false);
        const QString parent = parentDirectory(dir);
        chain->then([this, dir] { return m_session.removeDirectory(dir); })
            .then([this, parent]() -> RemoteJob* {
                m_pane.showDirectory(parent);
                return m_session.listDirectory(parent, m_pane.Txt_Pattern->text(),
                                               RemoteSession::ListVerb::Dir);
            });
        m_pane.runJobs(chain, errorPrefix, [this] { m_pane.showDirectory(m_pane.remoteDirectory()); });
    } catch (...) {
        reportError(errorPrefix);
    }
}
