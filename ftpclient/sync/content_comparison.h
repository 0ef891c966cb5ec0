#pragma once

#include "file_checksum.h"
#include "queue_login.h"
#include "sync_types.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

class Inet;
class InetJob;
struct InetResult;

// The checksum of a local file with `algorithm`, read through; nothing (and
// *error) when it cannot be read.
std::optional<FileChecksum> localChecksum(const QString& path, HashAlgorithm algorithm,
                                          QString* error);

// What the checksums of one file showed.
struct ContentResult {
    enum class Outcome : quint8 { Same, Differ, NotKnown };
    QString folder; // as in ComparedTree
    QString name;
    Outcome outcome = Outcome::NotKnown;
    QString note; // the algorithm that told, or why nothing could
};

// The files of a compared tree that both sides have with the same size
// (and no problem): those whose contents are worth comparing.
struct ContentCandidate {
    QString folder;
    QString name;
    qint64 size = 0;
};
std::vector<ContentCandidate> contentCandidates(const ComparedTree& tree);

// Takes the results into the tree: other contents become ContentsDiffer,
// the same contents Same; a file whose checksum could not be had keeps its
// verdict with the reason in its note, and one that was Same becomes a
// Problem, for "same" is not known. The folders' marks follow.
void applyContentResults(ComparedTree& tree, const std::vector<ContentResult>& results);

// Compares the contents of the candidates: the server's checksum of each on
// connections of its own (as many as the tree reader uses), then the local
// file's, with the same algorithm, on the thread pool. Nothing here waits.
class ContentComparison : public QObject {
    Q_OBJECT

public:
    struct Request {
        QueueLogin login;
        QString localRoot;  // RawName text
        QString remoteRoot; // RawName text
        int connections = 2;
        bool readWhenNoChecksum = false;
    };

    explicit ContentComparison(QObject* parent = nullptr);
    ~ContentComparison() override;

    void start(const Request& request, std::vector<ContentCandidate> candidates);
    // Stops at once; finished() does not follow.
    void cancel();

    // Once finished: one result for each candidate.
    const std::vector<ContentResult>& results() const { return m_results; }

signals:
    void progress(int filesChecked, int files);
    void finished();

private:
    struct Connection {
        std::unique_ptr<Inet> inet;
        QPointer<InetJob> job;
        bool busy = false;
    };

    void handOut();
    void ask(Connection& connection, size_t candidate);
    void answered(Connection& connection, size_t candidate, const InetResult& result);
    void hashLocally(size_t candidate, const FileChecksum& remote);
    void record(size_t candidate, ContentResult::Outcome outcome, const QString& note);
    QString remotePath(const ContentCandidate& candidate) const;
    QString localPath(const ContentCandidate& candidate) const;

    Request m_request;
    std::vector<ContentCandidate> m_candidates;
    std::vector<ContentResult> m_results;
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::deque<size_t> m_waiting;
    int m_done = 0;
    bool m_running = false;
    // Tells work handed to the thread pool whether its answer is still wanted.
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
};
