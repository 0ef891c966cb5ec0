// Times the transfer queue of the real main window against lftp's mirror on
// the same vsftpd server, in the same run: many small files in one folder
// and a tree of folders, both ways, with 1, 2 and 4 parallel transfers
// beside mirror --parallel with the same count. Each row is the best of its
// rounds for either side, the two taking turns to go first, so that a spell
// of a slower machine falls on both. Then a big download cut short by the
// server and resumed, counting what the server sent twice. While the queue
// runs, the longest time the window's event loop went unserved is recorded.
//
//   queue_bench [--files N] [--kib N] [--tree-dirs N] [--tree-files N]
//               [--big-mib N] [--cut-mib N] [--connections 1,2,4] [--rounds N]
#include "bench_support.h"
#include "freed_memory.h"
#include "ftp_test_server.h"
#include "remote_session.h"
#include "transfer_queue.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

struct Sizes {
    int files = 1000;
    int kib = 10;
    int treeDirs = 10;   // folders at the top, each with as many below
    int treeFiles = 100; // files in each folder of the lower level
    int bigMib = 1024;
    int cutMib = 900;
    QList<int> connections{1, 2, 4}; // parallel transfers compared
    int rounds = 3;                  // runs of each side per row
};

Sizes sizesFrom(const QStringList& args) {
    Sizes s;
    s.files = bench::argValue(args, QStringLiteral("--files"), s.files);
    s.kib = bench::argValue(args, QStringLiteral("--kib"), s.kib);
    s.treeDirs = bench::argValue(args, QStringLiteral("--tree-dirs"), s.treeDirs);
    s.treeFiles = bench::argValue(args, QStringLiteral("--tree-files"), s.treeFiles);
    s.bigMib = bench::argValue(args, QStringLiteral("--big-mib"), s.bigMib);
    s.cutMib = bench::argValue(args, QStringLiteral("--cut-mib"), s.cutMib);
    s.connections = bench::argCounts(args, QStringLiteral("--connections"), s.connections);
    s.rounds = std::max(1, bench::argValue(args, QStringLiteral("--rounds"), s.rounds));
    return s;
}

void fillDirectory(const QString& dir, int files, int kib) {
    QDir().mkpath(dir);
    const QByteArray content(kib * 1024, 'x');
    for (int i = 0; i < files; ++i) {
        QFile f(dir + QStringLiteral("/file%1.dat").arg(i, 4, 10, QLatin1Char('0')));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
}

// dirs folders, each holding dirs folders of `files` files of 1 KiB.
void fillTree(const QString& root, int dirs, int files) {
    for (int a = 0; a < dirs; ++a)
        for (int b = 0; b < dirs; ++b)
            fillDirectory(root + QStringLiteral("/d%1/e%2").arg(a).arg(b), files, 1);
}

int countFiles(const QString& root) {
    int count = 0;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

void emptyDirectory(const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
}

double lftp(const QString& address, const QString& script) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(
        QStringLiteral("lftp"),
        {QStringLiteral("-c"), QStringLiteral("set cmd:interactive false; set net:max-retries 1; "
                                              "open ftp://%1; %2")
                                   .arg(address, script)});
    p.waitForFinished(-1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (p.exitCode() != 0)
        std::fprintf(stderr, "lftp failed: %s\n", p.readAllStandardError().constData());
    return seconds;
}

// The main window, logged in to one server, with its queue.
class Client {
public:
    Client(bench::SilentPrompter& prompter, const FtpTestServer& server)
        : m_frm(prompter) {
        m_frm.Form_Load();
        m_frm.show();
        const HostInfo host{QString(), server.address(), server.userName(), server.password()};
        m_frm.dialogs().showConnectDialog = [host] {
            return host;
        };
        m_frm.parts().Cmd_Connect->click();
        while (m_frm.session().runner().busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ~Client() { m_frm.close(); }
    bool connected() { return m_frm.session().connected(); }
    QString log() const { return m_frm.parts().Txt_Status->text(); }
    QString remoteRoot() { return m_frm.session().rootDirectory(); }
    TransferQueue& queue() { return m_frm.queue(); }

    // Runs what was added until the queue drains; the seconds it took.
    double drain() {
        QElapsedTimer clock;
        clock.start();
        m_meter.start();
        if (!queue().idle()) {
            QEventLoop loop;
            QObject::connect(&queue(), &TransferQueue::drained, &loop, &QEventLoop::quit);
            loop.exec();
        }
        m_longestPause = std::max(m_longestPause, m_meter.stop());
        const double seconds = clock.nsecsElapsed() / 1e9;
        reportFailures();
        queue().controls().removeFinished();
        return seconds;
    }
    qint64 longestPauseMs() const { return m_longestPause; }

private:
    void reportFailures() {
        int failed = 0;
        for (const TransferItem& item : queue().items())
            if (item.state == TransferState::Failed && ++failed <= 3)
                std::fprintf(stderr, "failed: %s: %s\n", qPrintable(item.remote),
                             qPrintable(item.error));
        if (failed > 0)
            std::fprintf(stderr, "%d items failed\n", failed);
    }

    TARLEN_Frm m_frm;
    bench::PauseMeter m_meter;
    qint64 m_longestPause = 0;
};

// One folder both ways through the queue and through lftp mirror, with the
// same number of connections for each count compared; one line per count
// and direction.
struct Comparison {
    QString title;
    QString remoteName; // the folder under the server's root
    QString localSource;
    int expectedFiles = 0;
};

void printRow(const char* what, int parallel, double tarlen, double mirror) {
    std::printf("%-9s queue(%d) %7.3f s   mirror --parallel=%d %7.3f s   "
                "speed as a share of lftp's %.2f\n",
                what, parallel, tarlen, parallel, mirror, mirror / tarlen);
    std::fflush(stdout);
}

double queueDownload(Client& client, const Comparison& c, const QString& target, int parallel) {
    emptyDirectory(target);
    client.queue().setParallel(parallel);
    client.queue().addDownload(client.remoteRoot() + u'/' + c.remoteName,
                               target + u'/' + c.remoteName, true);
    const double seconds = client.drain();
    const int got = countFiles(target);
    if (got != c.expectedFiles)
        std::fprintf(stderr, "download with %d: %d of %d files\n", parallel, got, c.expectedFiles);
    return seconds;
}

double queueUpload(Client& client, const Comparison& c, const QString& serverUp, int parallel) {
    emptyDirectory(serverUp);
    client.queue().setParallel(parallel);
    client.queue().addUpload(
        c.localSource, client.remoteRoot() + QStringLiteral("/up/") + QDir(c.localSource).dirName(),
        true);
    const double seconds = client.drain();
    const int sent = countFiles(serverUp);
    if (sent != c.expectedFiles)
        std::fprintf(stderr, "upload with %d: %d of %d files\n", parallel, sent, c.expectedFiles);
    return seconds;
}

double mirrorDownload(const FtpTestServer& server, const Comparison& c, const QString& target,
                      int parallel) {
    emptyDirectory(target);
    return lftp(
        server.address(),
        QStringLiteral("mirror --parallel=%1 %2 '%3/%2'").arg(parallel).arg(c.remoteName, target));
}

double mirrorUpload(const FtpTestServer& server, const Comparison& c, const QString& serverUp,
                    int parallel) {
    emptyDirectory(serverUp);
    return lftp(server.address(), QStringLiteral("mirror -R --parallel=%1 '%2' up/%3")
                                      .arg(parallel)
                                      .arg(c.localSource, QDir(c.localSource).dirName()));
}

// The best time of each side over `rounds`, the queue going first in even
// rounds and lftp in odd ones.
std::pair<double, double> bestOfRounds(int rounds, const std::function<double()>& queue,
                                       const std::function<double()>& mirror) {
    double bestQueue = std::numeric_limits<double>::max();
    double bestMirror = bestQueue;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0)
            bestQueue = std::min(bestQueue, queue());
        bestMirror = std::min(bestMirror, mirror());
        if (round % 2 == 1)
            bestQueue = std::min(bestQueue, queue());
    }
    return {bestQueue, bestMirror};
}

void compare(Client& client, const FtpTestServer& server, const Comparison& c, const Sizes& sizes,
             const QString& work) {
    const QString down = work + QStringLiteral("/down");
    const QString up = server.root() + QStringLiteral("/up");
    std::printf("%s (best of %d)\n", qPrintable(c.title), sizes.rounds);
    for (int parallel : sizes.connections) {
        const auto [queue, mirror] = bestOfRounds(
            sizes.rounds, [&] { return queueDownload(client, c, down, parallel); },
            [&] { return mirrorDownload(server, c, down, parallel); });
        printRow("download", parallel, queue, mirror);
    }
    for (int parallel : sizes.connections) {
        const auto [queue, mirror] = bestOfRounds(
            sizes.rounds, [&] { return queueUpload(client, c, up, parallel); },
            [&] { return mirrorUpload(server, c, up, parallel); });
        printRow("upload", parallel, queue, mirror);
    }
}

// A big download that the server cuts short once: the queue retries it on
// its own and continues where it stopped. Prints what was sent twice.
int resumedDownload(bench::SilentPrompter& prompter, const Sizes& sizes, const QString& work) {
    FtpTestServer::Options options;
    options.cutDownloadsAfter = qint64(sizes.cutMib) * 1024 * 1024;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, options);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start pyftpdlib: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    const qint64 size = qint64(sizes.bigMib) * 1024 * 1024;
    QFile big(server.root() + QStringLiteral("/big.bin"));
    if (!big.open(QIODevice::WriteOnly) || !big.resize(size))
        return 1;
    big.close();

    Client client(prompter, server);
    if (!client.connected()) {
        std::fprintf(stderr, "cannot log in to %s:%s\n", qPrintable(server.address()),
                     qPrintable(client.log()));
        return 1;
    }
    client.queue().setRetryPauseMs(100);
    const QString target = work + QStringLiteral("/big.bin");
    client.queue().addDownload(client.remoteRoot() + QStringLiteral("/big.bin"), target, false,
                               size);
    const double seconds = client.drain();
    const qint64 sent = server.downloadedBytes();
    std::printf("resume: %d MiB cut at %d MiB, done in %.3f s, file %s; server sent %lld bytes, "
                "%lld sent twice (%.3f MiB)\n",
                sizes.bigMib, sizes.cutMib, seconds,
                QFileInfo(target).size() == size ? "complete" : "WRONG SIZE", sent, sent - size,
                (sent - size) / 1048576.0);
    QFile::remove(target);
    return 0;
}

int queueComparisons(bench::SilentPrompter& prompter, const Sizes& sizes, const QString& work,
                     qint64& longestPause) {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    const int treeCount = sizes.treeDirs * sizes.treeDirs * sizes.treeFiles;
    fillDirectory(server.root() + QStringLiteral("/flat"), sizes.files, sizes.kib);
    fillTree(server.root() + QStringLiteral("/tree"), sizes.treeDirs, sizes.treeFiles);
    fillDirectory(work + QStringLiteral("/source/flat"), sizes.files, sizes.kib);
    fillTree(work + QStringLiteral("/source/tree"), sizes.treeDirs, sizes.treeFiles);
    std::printf("vsftpd %s\n", qPrintable(server.address()));

    Client client(prompter, server);
    if (!client.connected()) {
        std::fprintf(stderr, "cannot log in to %s:%s\n", qPrintable(server.address()),
                     qPrintable(client.log()));
        return 1;
    }
    compare(client, server,
            {QStringLiteral("%1 files of %2 KiB in one folder").arg(sizes.files).arg(sizes.kib),
             QStringLiteral("flat"), work + QStringLiteral("/source/flat"), sizes.files},
            sizes, work);
    compare(client, server,
            {QStringLiteral("a tree of %1 files of 1 KiB in %2 folders")
                 .arg(treeCount)
                 .arg(sizes.treeDirs * (sizes.treeDirs + 1)),
             QStringLiteral("tree"), work + QStringLiteral("/source/tree"), treeCount},
            sizes, work);
    longestPause = client.longestPauseMs();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    QApplication app(argc, argv);
    bench::preferMemoryTempDir();
    const Sizes sizes = sizesFrom(app.arguments());
    QTemporaryDir config, data, work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    bench::SilentPrompter prompter;

    qint64 longestPause = 0;
    if (queueComparisons(prompter, sizes, work.path(), longestPause) != 0)
        return 1;
    std::printf("longest pause of the window's event loop while the queue ran: %lld ms\n",
                longestPause);
    return resumedDownload(prompter, sizes, work.path());
}
