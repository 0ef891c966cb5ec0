// Times comparing a local and a remote tree up to the preview (100,000
// files in 1,000 folders on each side, a few hundred of them different:
// both trees read, every name judged, the plan made) beside lftp's mirror
// --dry-run on the same trees and the same vsftpd, in the same run, for 1,
// 2 and 4 connections. Meanwhile the longest time the event loop went
// unserved is recorded.
//
//   compare_bench [--top N] [--below N] [--files N] [--differences N]
//                 [--connections 1,2,4]
#include "bench_support.h"
#include "folder_comparison.h"
#include "freed_memory.h"
#include "ftp_test_server.h"
#include "local_tree_reader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Sizes {
    int top = 10;    // folders at the top
    int below = 99;  // folders in each of those
    int files = 100; // files in every folder but the root
    int differences = 300;
    QList<int> connections{1, 2, 4};
};

Sizes sizesFrom(const QStringList& args) {
    Sizes s;
    s.top = bench::argValue(args, QStringLiteral("--top"), s.top);
    s.below = bench::argValue(args, QStringLiteral("--below"), s.below);
    s.files = bench::argValue(args, QStringLiteral("--files"), s.files);
    s.differences = bench::argValue(args, QStringLiteral("--differences"), s.differences);
    s.connections = bench::argCounts(args, QStringLiteral("--connections"), s.connections);
    return s;
}

constexpr time_t kPlanted = 1700000000;

bool writeSized(const QByteArray& path, int size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    static const QByteArray bytes(4096, 'x');
    const bool written = ::write(fd, bytes.constData(), size_t(size)) == size;
    const timespec times[2] = {{kPlanted, 0}, {kPlanted, 0}};
    ::futimens(fd, times);
    ::close(fd);
    return written;
}

QStringList folderPaths(const Sizes& s) {
    QStringList folders;
    for (int a = 0; a < s.top; ++a) {
        const QString top = QStringLiteral("d%1").arg(a, 2, 10, QLatin1Char('0'));
        folders << top;
        for (int b = 0; b < s.below; ++b)
            folders << top + QStringLiteral("/e%1").arg(b, 2, 10, QLatin1Char('0'));
    }
    return folders;
}

// The same files under both roots, but for `differences` of them: a third
// with another size on the server, a third only here, a third only there.
int fillTrees(const QString& local, const QString& remote, const Sizes& s) {
    int files = 0;
    int nth = 0;
    const int every = std::max(1, s.top * (s.below + 1) * s.files / std::max(1, s.differences));
    for (const QString& folder : folderPaths(s)) {
        QDir().mkpath(local + u'/' + folder);
        QDir().mkpath(remote + u'/' + folder);
        for (int f = 0; f < s.files; ++f, ++nth) {
            const QByteArray name =
                QFile::encodeName(u'/' + folder + QStringLiteral("/file%1.dat").arg(f));
            const int size = 100 + nth % 900;
            const int kind = nth % every == 0 ? (nth / every) % 3 + 1 : 0;
            if (kind != 3)
                writeSized(QFile::encodeName(local) + name, size);
            if (kind != 2)
                writeSized(QFile::encodeName(remote) + name, kind == 1 ? size + 1 : size);
            ++files;
        }
    }
    return files;
}

struct TarlenFigures {
    double seconds = 0;
    qint64 longestPauseMs = 0;
    qint64 comparedFolders = 0;
    qint64 planned = 0; // rows of the preview that do something
    QString clock;
};

// The window's way from Preview to the filled preview: both trees read at
// once (the local one on the thread pool, the remote one on `connections`
// connections of its own), every name judged and the plan made.
TarlenFigures compareBoth(const FtpTestServer& server, const QString& local, int connections) {
    FolderComparison::Request request;
    request.login.address = server.address();
    request.login.user = server.userName();
    request.login.password = server.password();
    request.localRoot = local;
    request.remoteRoot = server.loginDir();
    request.connections = connections;
    // As lftp's mirror: the server's tree brought to the local one.
    request.options.direction = SyncDirection::RemoteToLocal;
    FolderComparison comparison;
    bool done = false;
    QObject::connect(&comparison, &FolderComparison::finished, [&] { done = true; });
    TarlenFigures figures;
    bench::PauseMeter pauses;
    pauses.start();
    QElapsedTimer clock;
    clock.start();
    comparison.start(request);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.seconds = clock.nsecsElapsed() / 1e9;
    figures.longestPauseMs = pauses.stop();
    figures.comparedFolders = comparison.tree().size();
    for (const SyncAction& action : comparison.plan().actions)
        figures.planned += action.kind != ActionKind::Leave ? 1 : 0;
    const ServerClock& serverClock = comparison.clock();
    figures.clock = serverClock.source == ServerClock::Source::Measured
                        ? QStringLiteral("measured %1 s").arg(serverClock.offsetSeconds)
                        : QStringLiteral("not measured");
    return figures;
}

double lftpMirror(const FtpTestServer& server, const QString& local, int connections) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral("lftp"),
            {QStringLiteral("-c"),
             QStringLiteral("set cmd:interactive false; set net:max-retries 1; open ftp://%1; "
                            "mirror --dry-run --parallel=%2 %3 %4")
                 .arg(server.address())
                 .arg(connections)
                 .arg(server.loginDir(), local)});
    p.waitForFinished(-1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (p.exitCode() != 0)
        std::fprintf(stderr, "lftp failed: %s\n", p.readAllStandardError().constData());
    else
        std::printf("  lftp planned %lld lines\n", qint64(p.readAllStandardOutput().count('\n')));
    return seconds;
}

// The local tree alone, read on one thread and on more: whether reading
// folders side by side pays.
void timeLocalThreads(const QString& local) {
    for (const int threads : {1, 2, 4}) {
        LocalTreeOptions options;
        options.threads = threads;
        QElapsedTimer clock;
        clock.start();
        const SideTree tree = readLocalTree(local, options);
        std::printf("local tree on %d thread(s): %.3f s, %lld folders\n", threads,
                    clock.nsecsElapsed() / 1e9, qint64(tree.size()));
    }
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    QCoreApplication app(argc, argv);
    const Sizes sizes = sizesFrom(app.arguments());
    bench::preferMemoryTempDir();
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    QTemporaryDir base;
    const QString local = base.filePath(QStringLiteral("local"));
    QElapsedTimer filling;
    filling.start();
    const int files = fillTrees(local, server.root(), sizes);
    std::printf("%d files in %lld folders on each side, %d differences (made in %.1f s)\n", files,
                qint64(folderPaths(sizes).size()), sizes.differences, filling.elapsed() / 1000.0);
    timeLocalThreads(local);
    for (const int connections : sizes.connections) {
        const TarlenFigures tarlen = compareBoth(server, local, connections);
        const double lftp = lftpMirror(server, local, connections);
        std::printf("N=%d  tarlen %.3f s to the preview (%lld folders compared, %lld rows to act "
                    "on; clock %s)  lftp %.3f s  tarlen's time / lftp's %.2f  longest pause %lld "
                    "ms\n",
                    connections, tarlen.seconds, tarlen.comparedFolders, tarlen.planned,
                    qPrintable(tarlen.clock), lftp, tarlen.seconds / lftp, tarlen.longestPauseMs);
        std::fflush(stdout);
    }
    return 0;
}
