#pragma once

#include <QCoreApplication>
#include <QThreadPool>

#include <chrono>
#include <functional>
#include <future>
#include <memory>

// Work for a pane done on the thread pool, one piece at a time as far as
// anyone can tell: starting a piece drops every earlier one not yet handed
// over. The caller waits a little for it; a result not ready by then goes
// to `done` on the caller's thread once it is, unless this object is gone.
// A piece may hand over a first look (a preview) before its whole result.
//
// Result is a shared pointer, empty for "nothing".
template <typename Result> class PaneWork {
public:
    using Done = std::function<void(const Result&)>;
    using Preview = std::function<void(const Result&)>;
    using Job = std::function<Result(const Preview& preview)>;

    explicit PaneWork(Done done)
        : m_state(std::make_shared<State>()) {
        m_state->done = std::move(done);
    }
    ~PaneWork() { m_state->alive = false; }
    PaneWork(const PaneWork&) = delete;
    PaneWork& operator=(const PaneWork&) = delete;

    // The whole result when it is ready within `waitMs` (not when that is
    // 0); else a preview when one is; else nothing, and what comes goes
    // through `done`.
    Result start(Job job, int waitMs);
    // Whether the whole of the latest piece is still to come.
    bool pending() const { return m_state->finalGiven != m_state->started; }

private:
    // Read and written on the caller's thread only.
    struct State {
        Done done;
        quint64 started = 0;
        quint64 previewGiven = 0;
        quint64 finalGiven = 0;
        bool alive = true;

        // A preview counts only while nothing of its piece was handed over.
        void deliver(quint64 generation, const Result& result, bool preview) {
            if (!alive || generation != started || finalGiven == generation)
                return;
            if (preview && previewGiven == generation)
                return;
            (preview ? previewGiven : finalGiven) = generation;
            done(result);
        }
    };

    std::shared_ptr<State> m_state;
};

// Runs `work` on [0, count): from `splitFrom` on, in two halves side by side.
// What a long part makes comes in large pages (preferLargePagesFor).
void inTwoParts(qsizetype count, qsizetype splitFrom,
                const std::function<void(qsizetype from, qsizetype to)>& work);

// Work for the panes gives way to the window's own thread: on two cores,
// three busy threads would otherwise starve it. Threads it starts inherit
// the same.
void yieldToTheWindow();

template <typename Result> Result PaneWork<Result>::start(Job job, int waitMs) {
    const quint64 generation = ++m_state->started;
    auto finalPromise = std::make_shared<std::promise<Result>>();
    auto previewPromise = std::make_shared<std::promise<Result>>();
    std::future<Result> final = finalPromise->get_future();
    std::future<Result> preview = previewPromise->get_future();
    std::shared_ptr<State> state = m_state;
    const auto post = [state, generation](const Result& result, bool isPreview) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [state, generation, result, isPreview] {
                state->deliver(generation, result, isPreview);
            },
            Qt::QueuedConnection);
    };
    QThreadPool::globalInstance()->start([job, post, finalPromise, previewPromise] {
        yieldToTheWindow();
        bool previewed = false;
        Result result = job([&](const Result& first) {
            previewed = true;
            previewPromise->set_value(first);
            post(first, true);
        });
        if (!previewed)
            previewPromise->set_value({});
        finalPromise->set_value(result);
        post(result, false);
    });
    const auto ready = [](std::future<Result>& future, int ms) {
        return future.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
    };
    // Not waited for at all, it always comes through `done`, however soon
    // it is ready.
    if (waitMs > 0 && ready(final, waitMs)) {
        m_state->finalGiven = generation;
        return final.get();
    }
    if (ready(preview, 0)) {
        Result first = preview.get();
        if (first) {
            m_state->previewGiven = generation;
            return first;
        }
    }
    return {};
}
