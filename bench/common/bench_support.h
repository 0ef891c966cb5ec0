#pragma once

#include "common/prompter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>

// Pieces the window benchmarks share.
namespace bench {

// Answers every question without a dialog; messages go to stderr.
class SilentPrompter : public Prompter {
public:
    int messages = 0;
    void beep() override {}
    void message(const QString& text, const QString&, Icon) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    Answer askYesNoCancel(const QString&, const QString&, Answer) override { return Answer::Yes; }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    int choose(const QString&, const QString&, Icon, const QStringList&, int defaultButton, int,
               const QString& = QString(), bool* = nullptr) override {
        return defaultButton;
    }
    std::optional<QString> password(const QString&, const QString&, const QString& = QString(),
                                    bool* = nullptr) override {
        return std::nullopt;
    }
};

// Records the longest time the event loop went without serving a 1 ms timer.
class PauseMeter : public QObject {
public:
    PauseMeter() {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { m_longest = std::max(m_longest, m_clock.restart()); });
    }
    void start() {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 stop() {
        m_timer.stop();
        return std::max(m_longest, m_clock.elapsed());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

// Many small files: keeps them in memory when the machine offers it, so that
// the file system's own costs do not blur a comparison.
inline void preferMemoryTempDir() {
    if (qEnvironmentVariableIsEmpty("TMPDIR") && QFileInfo(QStringLiteral("/dev/shm")).isDir())
        qputenv("TMPDIR", "/dev/shm");
    std::printf("Working in %s\n", qPrintable(QDir::tempPath()));
}

// The integer after `name` on the command line, or `fallback`.
inline int argValue(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

// The counts after `name` ("--connections 1,2,4"), or `fallback`.
inline QList<int> argCounts(const QStringList& args, const QString& name,
                            const QList<int>& fallback) {
    const qsizetype at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size())
        return fallback;
    QList<int> counts;
    for (const QString& count : args.at(at + 1).split(u','))
        if (count.toInt() > 0)
            counts << count.toInt();
    return counts.isEmpty() ? fallback : counts;
}

} // namespace bench
