#include "content_comparison.h"

#include "inet.h"
#include "inet_error.h"
#include "inet_job.h"
#include "raw_names.h"
#include "remote_tree_reader.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString joined(const QString& root, const QString& folder, const QString& name) {
    QString path = root.endsWith(u'/') ? root : root + u'/';
    if (!folder.isEmpty())
        path += folder + u'/';
    return path + name;
}

bool eligible(const ComparedEntry& entry) {
    const bool judgedByTimes = entry.verdict == Verdict::Same ||
                               entry.verdict == Verdict::NewerLocal ||
                               entry.verdict == Verdict::NewerRemote;
    return !entry.folder && entry.localPresent && entry.remotePresent && judgedByTimes &&
           entry.local.size >= 0 && entry.local.size == entry.remote.size &&
           entry.local.problem.isEmpty() && entry.remote.problem.isEmpty();
}

QString notComparedNote(const QString& why) {
    return QStringLiteral("contents not compared: ") + why;
}

// Whether a folder holds, anywhere below it, an entry that is not the same.
bool markBelow(ComparedTree& tree, const QString& path) {
    const auto found = tree.find(path);
    if (found == tree.end())
        return false;
    bool differs = !found->error.isEmpty();
    for (ComparedEntry& entry : found->entries) {
        if (entry.folder && entry.verdict != Verdict::Problem)
            entry.containsDifferences = markBelow(tree, childPath(path, entry.name));
        differs = differs || entry.verdict != Verdict::Same || entry.containsDifferences;
    }
    return differs;
}

} // namespace

std::optional<FileChecksum> localChecksum(const QString& path, HashAlgorithm algorithm,
                                          QString* error) {
    const QByteArray encoded = RawName::encode(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    ContentHash hash(algorithm);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        hash.add(QByteArrayView(buffer.data(), n));
    }
    ::close(fd);
    return hash.result();
}

std::vector<ContentCandidate> contentCandidates(const ComparedTree& tree) {
    std::vector<ContentCandidate> candidates;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it)
        for (const ComparedEntry& entry : it->entries)
            if (eligible(entry))
                candidates.push_back({it.key(), entry.name, entry.local.size});
    return candidates;
}

void applyContentResults(ComparedTree& tree, const std::vector<ContentResult>& results) {
    for (const ContentResult& result : results) {
        const auto folder = tree.find(result.folder);
        if (folder == tree.end())
            continue;
        for (ComparedEntry& entry : folder->entries) {
            if (entry.name != result.name)
                continue;
            switch (result.outcome) {
            case ContentResult::Outcome::Same:
                entry.verdict = Verdict::Same;
                entry.contentNote = QStringLiteral("same contents by %1 checksum").arg(result.note);
                break;
            case ContentResult::Outcome::Differ:
                entry.verdict = Verdict::ContentsDiffer;
                entry.contentNote =
                    QStringLiteral("other contents by %1 checksum").arg(result.note);
                break;
            case ContentResult::Outcome::NotKnown:
                entry.contentNote = notComparedNote(result.note);
                if (entry.verdict == Verdict::Same) {
                    entry.verdict = Verdict::Problem;
                    entry.problem = entry.contentNote;
                }
                break;
            }
            break;
        }
    }
    markBelow(tree, QString());
}

ContentComparison::ContentComparison(QObject* parent)
    : QObject(parent) {}

ContentComparison::~ContentComparison() {
    cancel();
}

void ContentComparison::start(const Request& request, std::vector<ContentCandidate> candidates) {
    cancel();
    m_request = request;
    m_candidates = std::move(candidates);
    m_results.assign(m_candidates.size(), {});
    m_waiting.clear();
    for (size_t i = 0; i < m_candidates.size(); ++i) {
        m_results[i].folder = m_candidates[i].folder;
        m_results[i].name = m_candidates[i].name;
        m_waiting.push_back(i);
    }
    m_done = 0;
    m_running = true;
    m_connections.clear();
    const size_t wanted = std::min(m_candidates.size(), size_t(std::max(1, request.connections)));
    for (size_t i = 0; i < wanted; ++i) {
        auto connection = std::make_unique<Connection>();
        connection->inet = std::make_unique<Inet>();
        m_connections.push_back(std::move(connection));
    }
    if (m_candidates.empty()) {
        m_running = false;
        QMetaObject::invokeMethod(this, &ContentComparison::finished, Qt::QueuedConnection);
        return;
    }
    handOut();
}

void ContentComparison::cancel() {
    ++*m_generation;
    m_running = false;
    m_waiting.clear();
    for (const auto& connection : m_connections) {
        if (connection->job)
            connection->job->discard();
        connection->busy = false;
    }
}

QString ContentComparison::remotePath(const ContentCandidate& candidate) const {
    return joined(m_request.remoteRoot, candidate.folder, candidate.name);
}

QString ContentComparison::localPath(const ContentCandidate& candidate) const {
    return joined(m_request.localRoot, candidate.folder, candidate.name);
}

void ContentComparison::handOut() {
    for (const auto& connection : m_connections) {
        if (!m_running || m_waiting.empty())
            return;
        if (connection->busy)
            continue;
        const size_t candidate = m_waiting.front();
        m_waiting.pop_front();
        ask(*connection, candidate);
    }
}

void ContentComparison::ask(Connection& connection, size_t candidate) {
    connection.busy = true;
    try {
        configureLikeQueue(*connection.inet, m_request.login);
    } catch (const InetError& e) {
        connection.busy = false;
        record(candidate, ContentResult::Outcome::NotKnown, e.description());
        return;
    }
    const ContentCandidate& file = m_candidates[candidate];
    const FtpCommand command =
        FtpCommand::checksum(remotePath(file), file.size, m_request.readWhenNoChecksum);
    connection.job = InetJob::start(*connection.inet, command, this);
    connect(connection.job, &InetJob::finished, this,
            [this, &connection, candidate](const InetResult& result) {
                answered(connection, candidate, result);
            });
}

void ContentComparison::answered(Connection& connection, size_t candidate,
                                 const InetResult& result) {
    connection.job = nullptr;
    connection.busy = false;
    if (!m_running)
        return;
    const std::optional<FileChecksum> remote =
        result.completed() ? FileChecksum::fromText(result.reply) : std::nullopt;
    if (remote)
        hashLocally(candidate, *remote);
    else
        record(candidate, ContentResult::Outcome::NotKnown,
               result.info.isEmpty() ? QStringLiteral("no checksum came") : result.info);
    handOut();
}

void ContentComparison::hashLocally(size_t candidate, const FileChecksum& remote) {
    const QString path = localPath(m_candidates[candidate]);
    const std::weak_ptr<int> generation = m_generation;
    const int asked = *m_generation;
    QThreadPool::globalInstance()->start([this, path, remote, candidate, generation, asked] {
        QString error;
        const std::optional<FileChecksum> local = localChecksum(path, remote.algorithm, &error);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, remote, local, error, candidate, generation, asked] {
                const auto living = generation.lock();
                if (!living || *living != asked)
                    return;
                const QString algorithm = QString::fromLatin1(hashName(remote.algorithm));
                if (!local)
                    record(candidate, ContentResult::Outcome::NotKnown,
                           QStringLiteral("the local file could not be read: ") + error);
                else
                    record(candidate,
                           *local == remote ? ContentResult::Outcome::Same
                                            : ContentResult::Outcome::Differ,
                           algorithm);
            },
            Qt::QueuedConnection);
    });
}

void ContentComparison::record(size_t candidate, ContentResult::Outcome outcome,
                               const QString& note) {
    m_results[candidate].outcome = outcome;
    m_results[candidate].note = note;
    ++m_done;
    emit progress(m_done, int(m_candidates.size()));
    if (m_done == int(m_candidates.size())) {
        m_running = false;
        emit finished();
        return;
    }
    handOut();
}
