#include "ftp_worker.h"

#include "ftp_session.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct FtpWorker::Shared {
    struct Queued {
        quint64 front = 0;
        FtpJob job;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable stopped;
    std::deque<Queued> queue;
    std::vector<std::pair<quint64, Sink>> sinks;
    quint64 lastFront = 0;
    quint64 runningFront = 0;
    quint64 runningJob = 0;
    CURLM* multi = nullptr;
    bool stopping = false;
    bool finished = false;
    // The running job given up by its front (0: none), or every job.
    std::atomic<quint64> abandonedJob{0};
    std::atomic<bool> abandonAll{false};
    std::thread thread;

    bool abandoned(quint64 job) const { return abandonAll || job == abandonedJob; }

    void report(FtpEvent&& ev) {
        std::lock_guard lock(mutex);
        for (auto& [front, sink] : sinks)
            if (front == runningFront) {
                sink(std::move(ev));
                return;
            }
    }

    void wakeCurl() {
        if (multi)
            curl_multi_wakeup(multi);
    }

    // The next job to run, or nothing once the worker stops.
    std::optional<FtpJob> next() {
        std::unique_lock lock(mutex);
        runningFront = 0;
        runningJob = 0;
        wake.wait(lock, [&] { return stopping || !queue.empty(); });
        if (stopping)
            return std::nullopt;
        Queued queued = std::move(queue.front());
        queue.pop_front();
        runningFront = queued.front;
        runningJob = queued.job.id;
        return std::move(queued.job);
    }
};

namespace {

void workerMain(std::shared_ptr<FtpWorker::Shared> shared) {
    {
        FtpSession session({[shared](FtpEvent&& ev) { shared->report(std::move(ev)); },
                            [shared](quint64 job) {
                                return shared->abandoned(job);
                            }});
        {
            std::lock_guard lock(shared->mutex);
            shared->multi = session.multi();
        }
        while (std::optional<FtpJob> job = shared->next())
            session.run(*job);
        {
            std::lock_guard lock(shared->mutex);
            shared->multi = nullptr;
        }
        session.cutSockets();
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->stopped.notify_all();
}

} // namespace

FtpWorker::FtpWorker()
    : m_shared(std::make_shared<Shared>()) {
    m_shared->thread = std::thread(workerMain, m_shared);
}

FtpWorker::~FtpWorker() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->sinks.clear();
    m_shared->abandonAll = true;
    m_shared->wakeCurl();
    m_shared->wake.notify_all();
    const bool done = m_shared->stopped.wait_for(lock, std::chrono::milliseconds(900),
                                                 [this] { return m_shared->finished; });
    lock.unlock();
    if (done)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
}

quint64 FtpWorker::attach(Sink sink) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->sinks.emplace_back(++m_shared->lastFront, std::move(sink));
    return m_shared->lastFront;
}

void FtpWorker::detach(quint64 front) {
    std::lock_guard lock(m_shared->mutex);
    std::erase_if(m_shared->sinks, [front](const auto& each) { return each.first == front; });
    std::erase_if(m_shared->queue,
                  [front](const Shared::Queued& each) { return each.front == front; });
    if (m_shared->runningFront == front && m_shared->runningJob != 0) {
        m_shared->abandonedJob = m_shared->runningJob;
        m_shared->wakeCurl();
    }
}

void FtpWorker::submit(quint64 front, FtpJob job) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->queue.push_back({front, std::move(job)});
    m_shared->wake.notify_all();
}

void FtpWorker::abandon(quint64 jobId) {
    std::lock_guard lock(m_shared->mutex);
    std::erase_if(m_shared->queue,
                  [jobId](const Shared::Queued& each) { return each.job.id == jobId; });
    if (m_shared->runningJob == jobId) {
        m_shared->abandonedJob = jobId;
        m_shared->wakeCurl();
    }
}
