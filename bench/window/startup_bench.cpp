// The start of the program: from the creation of QApplication until the
// main window is on screen with the home folder's files listed in the local
// pane, against the goal of 300 ms. Each start runs in a fresh process
// (this program started again with --once), with empty settings so that
// the home folder is what the window opens on.
//
//   startup_bench [--runs N] [--home DIR]
#include "bench_support.h"
#include "freed_memory.h"
#include "panes/local_pane.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr double GoalMs = 300;

// One start, timed from inside: prints "<ms> <entries> <folder>".
int startOnce(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    bench::SilentPrompter prompter;
    TARLEN_Frm window(prompter);
    window.Form_Load();
    window.show();
    LocalPane& local = *window.parts().localPane;
    const auto ready = [&] {
        return window.windowHandle() && window.windowHandle()->isExposed() &&
               !local.listingPending();
    };
    QTimer poll;
    poll.setInterval(1);
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!ready())
            return;
        poll.stop();
        std::printf("%.1f %d %s\n", double(clock.nsecsElapsed()) / 1e6,
                    local.LstX_Files->ListCount(), qPrintable(local.localPath()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    poll.start();
    return app.exec();
}

struct Start {
    double inProcessMs = 0; // QApplication to the filled list
    double fromExecMs = 0;  // the process started to the filled list
    QString listed;         // entries and folder, as the window shows them
};

bool startChild(const QString& program, Start& start) {
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(program, {QStringLiteral("--once")});
    if (!child.waitForStarted(-1))
        return false;
    while (!child.canReadLine() && child.state() == QProcess::Running)
        child.waitForReadyRead(-1);
    start.fromExecMs = double(clock.nsecsElapsed()) / 1e6;
    const QString line = QString::fromLocal8Bit(child.readLine()).trimmed();
    child.waitForFinished(-1);
    bool ok = false;
    start.inProcessMs = line.section(u' ', 0, 0).toDouble(&ok);
    start.listed = line.section(u' ', 1);
    if (!ok || child.exitCode() != 0)
        std::fprintf(stderr, "start failed: %s\n", child.readAllStandardError().constData());
    return ok && child.exitCode() == 0;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

int startSeveral(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, bench::argValue(args, QStringLiteral("--runs"), 5));
    const qsizetype homeAt = args.indexOf(QStringLiteral("--home"));
    if (homeAt >= 0 && homeAt + 1 < args.size())
        qputenv("HOME", QFile::encodeName(args.at(homeAt + 1)));
    QTemporaryDir config, data;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QList<double> inProcess, fromExec;
    for (int i = 0; i < runs; ++i) {
        Start start;
        if (!startChild(QCoreApplication::applicationFilePath(), start))
            return 1;
        std::printf("start %d: %7.1f ms from QApplication, %7.1f ms from exec; listed %s\n", i + 1,
                    start.inProcessMs, start.fromExecMs, qPrintable(start.listed));
        inProcess << start.inProcessMs;
        fromExec << start.fromExecMs;
    }
    const double typical = median(inProcess);
    std::printf("start to the home folder listed: median %.1f ms from QApplication (%.1f ms from "
                "exec), goal %.0f ms: %s\n",
                typical, median(fromExec), GoalMs, typical <= GoalMs ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--once") == 0)
            return startOnce(argc, argv);
    return startSeveral(argc, argv);
}
