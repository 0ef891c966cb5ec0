#include "ftp_worker.h"

#include "ftp_session.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

struct FtpWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable stopped;
    std::deque<FtpJob> queue;
    Sink sink;
    CURLM* multi = nullptr;
    bool stopping = false;
    bool finished = false;
    std::atomic<quint64> abandonedUpTo{0};
    std::thread thread;

    void report(FtpEvent&& ev) {
        std::lock_guard lock(mutex);
        if (sink)
            sink(std::move(ev));
    }

    void wakeCurl() {
        if (multi)
            curl_multi_wakeup(multi);
    }
};

namespace {

void workerMain(std::shared_ptr<FtpWorker::Shared> shared) {
    {
        FtpSession session({[shared](FtpEvent&& ev) { shared->report(std::move(ev)); },
                            [shared](quint64 job) {
                                return job <= shared->abandonedUpTo;
                            }});
        {
            std::lock_guard lock(shared->mutex);
            shared->multi = session.multi();
        }
        for (;;) {
            FtpJob job;
            {
                std::unique_lock lock(shared->mutex);
                shared->wake.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
                if (shared->stopping)
                    break;
                job = std::move(shared->queue.front());
                shared->queue.pop_front();
            }
            session.run(job);
        }
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

FtpWorker::FtpWorker(Sink sink)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->sink = std::move(sink);
    m_shared->thread = std::thread(workerMain, m_shared);
}

FtpWorker::~FtpWorker() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->sink = nullptr;
    m_shared->abandonedUpTo = std::numeric_limits<quint64>::max();
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

void FtpWorker::submit(FtpJob job) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->queue.push_back(std::move(job));
    m_shared->wake.notify_all();
}

void FtpWorker::abandon(quint64 jobId) {
    std::lock_guard lock(m_shared->mutex);
    if (jobId > m_shared->abandonedUpTo)
        m_shared->abandonedUpTo = jobId;
    m_shared->wakeCurl();
}
