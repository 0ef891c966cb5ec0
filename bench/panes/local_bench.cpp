// The local pane on a directory of 100,000 files: reading the directory,
// Load_Files and sort_files by each key in both directions, each run from
// inside the event loop while a 1 ms timer records the longest gap between
// its ticks. Beside the opening, in the same run: `ls -f` on the folder
// (against the names shown) and `find -printf` of size, time and name
// (against the list complete).
//
// This machine's speed changes from one second to the next, and one
// opening against one `ls -f` swings widely. So the names shown are
// measured once more over several rounds, each a fresh process opening
// the folder, as `ls -f` is, the two taking turns; the medians are
// compared. Each process opens the folder a few seconds after its window
// came up, as a user would: memory a process takes within a moment of
// another's end can cost far less to touch, on a virtual machine whose
// host takes back what stays free for a while. To show what that price
// is, the same rounds run once more in processes that touched some memory
// and gave it back to the allocator before opening the folder.
#include "bench_support.h"
#include "common/twips_geometry.h"
#include "freed_memory.h"
#include "panes/file_images.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

namespace {

double g_firstShownMs = 0;

// Runs `work` from the event loop once the meter ticks and waits until
// `done` holds; returns the time until then and the longest pause seen.
// The time when `shown` first held goes to g_firstShownMs.
std::pair<double, qint64> measure(
    bench::PauseMeter& meter, const std::function<void()>& work,
    const std::function<bool()>& done = [] { return true; },
    const std::function<bool()>& shown = [] { return true; }) {
    QEventLoop loop;
    double ms = 0;
    g_firstShownMs = -1;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (g_firstShownMs < 0 && shown())
            g_firstShownMs = double(clock.nsecsElapsed()) / 1e6;
        if (!done())
            return;
        ms = double(clock.nsecsElapsed()) / 1e6;
        poll.stop();
        // Let the meter see the loop run again after the work.
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
    });
    meter.start();
    QTimer::singleShot(20, &loop, [&] {
        clock.start();
        work();
        poll.start();
    });
    loop.exec();
    return {ms, meter.stop()};
}

void fill(const QString& dir, int count) {
    const char* const extensions[] = {".txt", ".zip", ".exe", ".jpg",  ".cpp",
                                      ".asp", ".dat", "",     ".html", ".mdb"};
    const QDateTime base(QDate(1998, 1, 1), QTime(12, 0));
    for (int i = 0; i < count; ++i) {
        // Names of varied length, some too wide for the name column.
        const QString name = QStringLiteral("%1_%2%3")
                                 .arg(i % 7 == 0 ? QStringLiteral("a_long_report_name") : "f")
                                 .arg(i * 7919 % count, 6, 10, QChar(u'0'))
                                 .arg(QLatin1String(extensions[i % 10]));
        QFile f(dir + u'/' + name);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64(i) * 104729 % 5000000) ||
            !f.setFileTime(base.addSecs(qint64(i) * 86413 % (3650LL * 86400)),
                           QFileDevice::FileModificationTime)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(f.fileName()));
            std::exit(1);
        }
    }
}

// The median of `times`.
double median(QList<double> times) {
    std::sort(times.begin(), times.end());
    return times.isEmpty() ? -1 : times.at(times.size() / 2);
}

// The median wall time of `runs` runs of a command, its output thrown away.
double commandMs(const QString& program, const QStringList& arguments, int runs = 3) {
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(program));
            return -1;
        }
        times << double(clock.nsecsElapsed()) / 1e6;
    }
    return median(times);
}

// tarlen's time against a peer's on the same folder: the peer's time as a
// share of tarlen's, so that 1.0 or more is at least as fast.
void compareWith(const char* what, double tarlenMs, const char* peer, double peerMs, double goal) {
    std::printf("%-12s %8.1f ms   %-28s %8.1f ms   speed as a share of it %.2f (goal %.2f)\n", what,
                tarlenMs, peer, peerMs, peerMs / tarlenMs, goal);
}

// The local pane as the window has it, shown, with a name column that
// cuts some of the names.
struct PaneUnderTest {
    bench::SilentPrompter prompter;
    FileImages images;
    TwipsGeometry twips;
    LocalPane frm{images, prompter, twips};

    PaneUnderTest() {
        frm.LstX_Files->SetNumTabs(3);
        frm.iNameColWidth = 105;
        frm.show();
    }
};

// Touches `mib` MiB in blocks and frees them again, on the calling thread
// and on each of the pool's threads at once (each thread allocates from a
// heap of its own): the allocator keeps them, so what the folder's reading
// allocates next is memory the system has already handed over.
void touchMemoryAhead(int mib) {
    const auto touch = [mib] {
        std::vector<void*> blocks;
        for (int i = 0; i < mib; ++i) {
            blocks.push_back(std::malloc(1 << 20));
            if (blocks.back())
                std::memset(blocks.back(), 1, 1 << 20);
        }
        for (void* block : blocks)
            std::free(block);
    };
    touch();
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    std::atomic<int> started{0};
    for (int i = 0; i < threads; ++i)
        pool->start([&] {
            // All at once, so that each runs on a thread of its own.
            ++started;
            while (started.load() < threads)
                std::this_thread::yield();
            touch();
        });
    pool->waitForDone();
}

// A round of its own: opens the folder `settleMs` after the pane came up
// and prints when its names were shown, in milliseconds.
int firstLook(const QString& path, int count, int settleMs, int touchedMib) {
    if (touchedMib > 0)
        touchMemoryAhead(touchedMib);
    PaneUnderTest pane;
    bench::PauseMeter meter;
    QEventLoop settle;
    QTimer::singleShot(settleMs, &settle, &QEventLoop::quit);
    settle.exec();
    const auto shown = [&] {
        return pane.frm.LstX_Files->ListCount() == count;
    };
    measure(
        meter, [&] { pane.frm.setLocalPath(path); }, shown, shown);
    std::printf("%.3f\n", g_firstShownMs);
    return g_firstShownMs > 0 ? 0 : 1;
}

// A round of its own in a fresh process: the names shown, in milliseconds;
// negative when it failed.
double firstLookRound(const QString& program, const QString& path, int count, int settleMs,
                      int touchedMib) {
    QProcess child;
    child.start(program, {QStringLiteral("--first-look"), QString::number(count), path,
                          QString::number(settleMs), QString::number(touchedMib)});
    child.waitForFinished(-1);
    bool ok = false;
    const double ms = child.readAllStandardOutput().trimmed().toDouble(&ok);
    return child.exitCode() == 0 && ok ? ms : -1;
}

// The names shown in `rounds` fresh processes against as many runs of
// `ls -f`, and in as many that touched memory first; the three take turns
// to go first. The medians of each.
void compareFirstLooks(const QString& program, const QString& path, int count, int rounds,
                       int settleMs) {
    constexpr int kTouchedMib = 64;
    QList<double> runs[3]; // fresh, ls -f, memory touched first
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (turn + round) % 3;
            const double ms =
                side == 1
                    ? commandMs(QStringLiteral("ls"), {QStringLiteral("-f"), path}, 1)
                    : firstLookRound(program, path, count, settleMs, side == 2 ? kTouchedMib : 0);
            if (ms < 0) {
                std::fprintf(stderr, "a round of its own failed\n");
                return;
            }
            runs[side] << ms;
        }
    }
    std::printf("names shown, median of %d fresh starts (each opening %d ms after it came up) "
                "against as many runs of ls -f:\n",
                rounds, settleMs);
    compareWith("names shown", median(runs[0]), "ls -f", median(runs[1]), 0.5);
    std::printf("the same, each start having first touched and freed %d MiB on its window's "
                "thread and on each thread of its pool (what fresh memory costs here):\n",
                kTouchedMib);
    compareWith("names shown", median(runs[2]), "ls -f", median(runs[1]), 0.5);
}

// The integer after `name`, taken off the arguments; `fallback` without it.
int takeOption(QStringList& args, const QString& name, int fallback) {
    const int value = bench::argValue(args, name, fallback);
    const qsizetype at = args.indexOf(name);
    if (at >= 0)
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    return value;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    const int rounds = takeOption(args, QStringLiteral("--rounds"), 7);
    const int settleMs = takeOption(args, QStringLiteral("--settle-ms"), 3000);
    if (args.value(0) == u"--first-look")
        return firstLook(args.value(2), args.value(1).toInt(), args.value(3).toInt(),
                         args.value(4).toInt());
    const int count = args.isEmpty() ? 100000 : args.at(0).toInt();

    // A directory named on the command line is filled only when empty, so
    // that repeated runs can share it.
    QTemporaryDir temporary;
    const QString path = args.size() > 1 ? args.at(1) : temporary.path();
    if (QDir(path).isEmpty()) {
        QDir().mkpath(path);
        QElapsedTimer clock;
        clock.start();
        fill(path, count);
        std::printf("created %d files in %.1f s\n", count, double(clock.elapsed()) / 1000);
    }

    PaneUnderTest pane;
    LocalPane& frm = pane.frm;
    bench::PauseMeter meter;

    auto report = [](const char* what, std::pair<double, qint64> r) {
        std::printf("%-34s %8.1f ms   longest pause %4lld ms\n", what, r.first,
                    static_cast<long long>(r.second));
    };
    const auto shown = [&] {
        return frm.LstX_Files->ListCount() == count;
    };
    const auto complete = [&] {
        return !frm.listingPending() && shown();
    };
    const double lsMs = commandMs(QStringLiteral("ls"), {QStringLiteral("-f"), path});
    const double findMs = commandMs(
        QStringLiteral("find"), {path, QStringLiteral("-printf"), QStringLiteral("%s %T@ %f\n")});
    const auto opened = measure(
        meter, [&] { frm.setLocalPath(path); }, complete, shown);
    report("open directory, until complete", opened);
    std::printf("  names shown after %.1f ms\n", g_firstShownMs);
    std::printf("  %d entries listed, name column %d px\n", frm.LstX_Files->ListCount(),
                int(frm.iNameColWidth));
    compareWith("names shown", g_firstShownMs, "ls -f", lsMs, 0.5);
    compareWith("complete", opened.first, "find -printf '%s %T@ %f\\n'", findMs, 1.0);
    std::printf("longest pause of the event loop while opening: %lld ms (goal: 30 ms at most)\n",
                static_cast<long long>(opened.second));
    compareFirstLooks(app.applicationFilePath(), path, count, rounds, settleMs);
    report("Refresh, until complete", measure(
                                          meter, [&] { frm.Cmd_Refresh_Click(); }, complete));
    report("Load_Files, until complete", measure(
                                             meter, [&] { frm.Load_Files(); }, complete));

    const char* names[] = {"name", "date", "size"};
    bool* flags[] = {&frm.bLocalNameDesc, &frm.bLocalDateDesc, &frm.bLocalSizeDesc};
    for (short key = 0; key < 3; ++key) {
        for (bool descending : {false, true}) {
            *flags[key] = descending;
            char what[64];
            std::snprintf(what, sizeof what, "sort_files by %s, %s", names[key],
                          descending ? "descending" : "ascending");
            report(what, measure(meter, [&] {
                       short k = key;
                       frm.sort_files(k);
                   }));
        }
    }
    if (pane.prompter.messages != 0)
        std::printf("%d error messages\n", pane.prompter.messages);
    return 0;
}
