// The steps of a synchronisation's items that no other item takes: a target
// judged against the preview the user accepted, and deletions.
#include "inet_job.h"
#include "plain_name.h"
#include "queue_worker.h"
#include "queue_worker_host.h"
#include "raw_names.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kChanged = QStringLiteral("Changed since the preview; left as it was.");

} // namespace

// Whether the local target is as the preview showed it.
bool QueueWorker::asPreviewed(const struct stat& existing) const {
    return m_item.previewed && matchesPreview(*m_item.previewed, true, S_ISDIR(existing.st_mode),
                                              existing.st_size, existing.st_mtim.tv_sec);
}

// A link is judged by what it leads to, as the preview read it, and is
// deleted itself: nothing it leads to is touched. A folder goes only when
// empty: what was in it went before, and anything new stays with it.
void QueueWorker::deleteLocal() {
    const QByteArray path = RawName::encode(m_item.local);
    struct stat found {};
    if (::lstat(path.constData(), &found) != 0) {
        finish(errno == ENOENT ? TransferState::Done : TransferState::Failed,
               errno == ENOENT ? QStringLiteral("Gone already.")
                               : QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat judged = found;
    if (S_ISLNK(found.st_mode))
        ::stat(path.constData(), &judged);
    if (!m_item.previewed || !asPreviewed(judged) || S_ISDIR(found.st_mode) != m_item.folder) {
        finish(TransferState::Skipped, kChanged);
        return;
    }
    if ((S_ISDIR(found.st_mode) ? ::rmdir(path.constData()) : ::unlink(path.constData())) != 0) {
        finish(TransferState::Failed,
               QStringLiteral("Cannot delete it: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_host.logLine(kCrLf + m_item.savedName() + QStringLiteral(" deleted"));
    finish(TransferState::Done);
}

// A file is looked for in its folder's listing first; a folder is removed
// by the server only when empty.
void QueueWorker::deleteRemote() {
    if (!m_item.previewed) {
        finish(TransferState::Skipped, kChanged);
        return;
    }
    if (m_item.folder) {
        connect(startJob(FtpCommand::removeDirectory(m_item.remote)), &InetJob::finished, this,
                &QueueWorker::remoteDeleted);
        return;
    }
    const RemoteFolders::Files* known = targetFolder();
    if (!known)
        return;
    const auto target = known->constFind(nameOf(m_item.remote));
    if (target == known->cend()) {
        finish(TransferState::Done, QStringLiteral("Gone already."));
        return;
    }
    if (!matchesPreview(*m_item.previewed, true, false, target->size, target->time)) {
        finish(TransferState::Skipped, kChanged);
        return;
    }
    connect(startJob(FtpCommand::remove(m_item.remote)), &InetJob::finished, this,
            &QueueWorker::remoteDeleted);
}

void QueueWorker::remoteDeleted(const InetResult& result) {
    if (!carryOn(result))
        return;
    if (!m_item.folder)
        m_host.forgetRemoteFile(m_item, m_item.remote);
    m_host.logLine(kCrLf + m_item.savedName() + QStringLiteral(" deleted"));
    finish(TransferState::Done);
}
