// Measures the transfer component against the curl command-line tool on the
// same vsftpd server on loopback: a 1 GiB download and upload, and a listing
// of 100,000 files. Prints each figure and the ratios.
//
//   inet_bench [--size-mib N] [--files N] [--rounds N]
#include "ftp_test_server.h"
#include "inet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Run {
    double seconds = 0;
    double guiCpuSeconds = 0; // CPU time the waiting thread spent
    int wakeups = 0;          // times its event loop woke
    bool ok = false;
};

double threadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Peak resident memory since the last reset, in KiB.
long peakRssKib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void resetPeakRss() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Runs one command and waits for it the way the client does: in the event
// loop, sleeping while nothing happens.
Run runInet(Inet& inet, const QString& command, QString* reply = nullptr) {
    Run run;
    QEventLoop loop;
    QObject::connect(&inet, &Inet::StateChanged, &loop, [&](short state) {
        if (state == 11 || state == 12)
            loop.quit();
    });
    const double cpu0 = threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    inet.Execute(inet.URL(), command);
    while (inet.StillExecuting()) {
        loop.processEvents(QEventLoop::WaitForMoreEvents);
        ++run.wakeups;
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.guiCpuSeconds = threadCpuSeconds() - cpu0;
    run.ok = inet.ResponseCode() == 0;
    if (!run.ok)
        std::fprintf(stderr, "  component failed: %d %s\n", inet.ResponseCode(),
                     qPrintable(inet.ResponseInfo()));
    if (reply) {
        reply->clear();
        for (QString part = inet.GetChunk(1024); !part.isEmpty(); part = inet.GetChunk(1024))
            *reply += part;
    }
    return run;
}

Run runCurl(const QStringList& args) {
    Run run;
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), QStringList{"-s", "-S"} + args);
    curl.waitForFinished(-1);
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.ok = curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
    if (!run.ok)
        std::fprintf(stderr, "  curl failed: %s\n", curl.readAllStandardError().constData());
    return run;
}

bool writePatternFile(const QString& path, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(4 * 1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 7 + i / 4096) & 0xFF);
    for (qint64 done = 0; done < bytes; done += block.size())
        if (f.write(block.constData(), qMin<qint64>(block.size(), bytes - done)) < 0)
            return false;
    return true;
}

bool makeEmptyFiles(const QString& dir, int count) {
    QDir().mkpath(dir);
    const QByteArray base = QFile::encodeName(dir) + "/file-";
    for (int i = 0; i < count; ++i) {
        const QByteArray path = base + QByteArray::number(i) + ".txt";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

double best(const QList<Run>& runs) {
    double b = 1e18;
    for (const Run& r : runs)
        b = qMin(b, r.seconds);
    return b;
}

int argValue(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int sizeMib = argValue(args, QStringLiteral("--size-mib"), 1024);
    const int fileCount = argValue(args, QStringLiteral("--files"), 100000);
    const int rounds = argValue(args, QStringLiteral("--rounds"), 3);

    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    QTemporaryDir local;
    const QString remoteDir = server.root() + u'/';
    const QString url = QStringLiteral("ftp://%1/").arg(server.address());
    const QString source = remoteDir + QStringLiteral("big.bin");
    const qint64 bytes = qint64(sizeMib) * 1024 * 1024;
    std::printf("Preparing a %d MiB file and %d empty files on vsftpd %s ...\n", sizeMib, fileCount,
                qPrintable(server.address()));
    std::fflush(stdout);
    if (!QDir().mkpath(remoteDir + QStringLiteral("in")) || !writePatternFile(source, bytes) ||
        !makeEmptyFiles(remoteDir + QStringLiteral("many"), fileCount)) {
        std::fprintf(stderr, "cannot prepare the files\n");
        return 1;
    }

    Inet inet;
    inet.setRequestTimeout(60);
    inet.setURL(server.address());
    runInet(inet, QStringLiteral("PWD")); // log in once, as the client does

    QList<Run> inetGet, curlGet, inetPut, curlPut;
    const QString localFile = local.path() + QStringLiteral("/big.bin");
    // Each figure is the best of its rounds; the two sides take turns going
    // first, and dirty pages are flushed before every run.
    auto timed = [](auto run) {
        ::sync();
        return run();
    };
    for (int round = 0; round < rounds; ++round) {
        auto ourGet = [&] {
            inetGet << timed(
                [&] { return runInet(inet, QStringLiteral("GET ") + source + u' ' + localFile); });
            QFile::remove(localFile);
        };
        auto theirGet = [&] {
            curlGet << timed([&] {
                return runCurl({QStringLiteral("-o"), localFile, url + QStringLiteral("big.bin")});
            });
            QFile::remove(localFile);
        };
        auto ourPut = [&] {
            inetPut << timed([&] {
                return runInet(inet, QStringLiteral("PUT ") + source + u' ' + remoteDir +
                                         QStringLiteral("in/big.bin"));
            });
            QFile::remove(remoteDir + QStringLiteral("in/big.bin"));
        };
        auto theirPut = [&] {
            curlPut << timed([&] {
                return runCurl({QStringLiteral("-T"), source, url + QStringLiteral("in/big.bin")});
            });
            QFile::remove(remoteDir + QStringLiteral("in/big.bin"));
        };
        if (round % 2 == 0) {
            ourGet();
            theirGet();
            ourPut();
            theirPut();
        } else {
            theirGet();
            ourGet();
            theirPut();
            ourPut();
        }
    }

    const double mib = double(bytes) / (1024.0 * 1024.0);
    auto report = [&](const char* what, const QList<Run>& ours, const QList<Run>& theirs) {
        const double a = mib / best(ours);
        const double b = mib / best(theirs);
        double cpu = 0;
        int wakeups = 0;
        for (const Run& r : ours) {
            cpu = qMax(cpu, r.guiCpuSeconds);
            wakeups = qMax(wakeups, r.wakeups);
        }
        std::printf("%-9s component %8.1f MiB/s   curl %8.1f MiB/s   ratio %.2f   "
                    "(waiting thread: %.3f s CPU, %d wake-ups)\n",
                    what, a, b, a / b, cpu, wakeups);
    };
    report("download", inetGet, curlGet);
    report("upload", inetPut, curlPut);

    QList<Run> inetList, curlList;
    long peak = 0;
    qsizetype lines = 0;
    for (int round = 0; round < rounds; ++round) {
        QString reply;
        resetPeakRss();
        const long before = peakRssKib();
        inetList << runInet(inet, QStringLiteral("LS ") + remoteDir + QStringLiteral("many/*"),
                            &reply);
        peak = qMax(peak, peakRssKib() - before);
        lines = reply.count(u'\n');
        curlList << runCurl(
            {QStringLiteral("-o"), QStringLiteral("/dev/null"), url + QStringLiteral("many/")});
    }
    std::printf("listing   %lld entries: component %.3f s   curl %.3f s   ratio %.2f   "
                "peak memory growth %ld KiB\n",
                qlonglong(lines), best(inetList), best(curlList), best(inetList) / best(curlList),
                peak);
    return 0;
}
