#include "transfers.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/name_checks.h"
#include "panes/remote_names.h"
#include "panes/remote_pane.h"
#include "plain_name.h"
#include "raw_names.h"
#include "remote_session.h"
#include "transfer_queue.h"

#include <vantel/vantelctrl.h>

#include <QFileInfo>

namespace {

QString withoutSlash(QString path) {
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

void PaneTransfers::Cmd_Dn_Click() {
    try {
        queueDownloads();
    } catch (...) {
        reportError(m_prompter,
                    QStringLiteral("The following error occurred trying to download files: "),
                    std::current_exception());
    }
}

void PaneTransfers::Cmd_Up_Click() {
    try {
        queueUploads();
    } catch (...) {
        reportError(m_prompter,
                    QStringLiteral("The following error occurred trying to upload files: "),
                    std::current_exception());
    }
}

void PaneTransfers::queueDownloads() {
    const QString localDir = m_local.localDirectory();
    const QString remoteDir = m_remote.remoteDirectory();
    CVantelCtrl* remote = m_remote.LstX_Files;
    const int count = remote->ListCount();
    for (int i = 0; i < count; ++i) {
        if (!remote->Selected(i))
            continue;
        // The name as the server has it: the local file gets the same bytes.
        const QString name = m_remote.remoteName(i);
        // A name from the server becomes a local path only when it is a
        // plain name; anything else could write outside the directory.
        if (!isPlainFileName(name)) {
            m_prompter.beep();
            m_prompter.message(QStringLiteral("The server's file name \"%1\" cannot be used as a "
                                              "local file name; it was not downloaded.")
                                   .arg(shownRemote(name)),
                               Titles::Caption, Prompter::Icon::Critical);
            continue;
        }
        const RemoteEntry* entry = m_remote.remoteEntry(name);
        m_queue.addDownload(remoteDir + name, localDir + name, false, entry ? entry->size : -1,
                            entry ? entry->modified : -1);
    }
    const QString folder = m_remote.selectedRemoteFolder();
    if (!folder.isEmpty() && isPlainFileName(folder))
        m_queue.addDownload(remoteDir + folder, localDir + folder, true);
}

void PaneTransfers::queueUploads() {
    const QString localDir = m_local.localDirectory();
    const QString remoteDir = m_remote.remoteDirectory();
    CVantelCtrl* local = m_local.LstX_Files;
    const int count = local->ListCount();
    for (int i = 0; i < count; ++i) {
        if (!local->Selected(i))
            continue;
        const QString name = m_local.shownName(i);
        if (name.contains(u' ')) {
            m_prompter.message(QStringLiteral("Files with embedded spaces can not be transferred"),
                               Titles::Short, Prompter::Icon::Critical);
            continue;
        }
        m_queue.addUpload(localDir + name, remoteDir + name, false);
    }
    const QString folder = withoutSlash(m_local.selectedLocalFolder());
    if (!folder.isEmpty())
        m_queue.addUpload(folder, remoteDir + nameOf(folder), true);
}

void PaneTransfers::uploadDropped(const QStringList& paths) {
    const QString remoteDir = m_remote.remoteDirectory();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            m_prompter.message(
                QStringLiteral("\"%1\" is no longer there; it was not uploaded.").arg(path),
                Titles::Caption, Prompter::Icon::Critical);
            continue;
        }
        m_queue.addUpload(path, remoteDir + nameOf(path), info.isDir());
    }
}
