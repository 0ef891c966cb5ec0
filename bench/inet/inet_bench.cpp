// Measures the transfer component against the curl command-line tool on the
// same servers on loopback, for each protocol: plain FTP and explicit FTPS
// (vsftpd, TLS required for the login and the data) and SFTP (OpenSSH's
// sshd, where OpenSSH's own sftp client runs too): a 1 GiB download and
// upload, and a listing of 100,000 files. Prints each figure and the ratios.
//
//   inet_bench [--protocols ftp,ftps,sftp] [--size-mib N] [--files N] [--rounds N]
#include "freed_memory.h"
#include "inet.h"
#include "protocol_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <map>
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

Run runTool(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    Run run;
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(program, args);
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished(-1);
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.ok = tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (!run.ok)
        std::fprintf(stderr, "  %s failed: %s\n", qPrintable(program),
                     tool.readAllStandardError().constData());
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

struct Sizes {
    qint64 bytes = 0;
    int files = 0;
    int rounds = 0;
};

// One protocol's servers and the ways to reach them: the component, the
// curl tool and, for SFTP, OpenSSH's sftp in batch mode.
class Bench {
public:
    Bench(const QString& name, ProtocolTestServer& server, const Sizes& sizes)
        : m_name(name)
        , m_server(server)
        , m_sizes(sizes) {}

    bool prepare();
    void transfers();
    void listing();

private:
    enum class Side { Component, Curl, OpenSsh };
    Run download(Side side, const QString& localFile);
    Run upload(Side side);
    QString remote(const QString& name) const { return m_server.loginDir() + u'/' + name; }
    QString url(const QString& name) const;
    QStringList curlOptions() const;
    Run curl(const QStringList& args) const {
        return runTool(QStringLiteral("curl"), QStringList{"-s", "-S"} + curlOptions() + args);
    }
    Run sftpBatch(const QString& commands) const;
    void report(const char* what, const QList<Run>& ours, const QList<Run>& theirs,
                const QList<Run>& openssh) const;

    QString m_name;
    ProtocolTestServer& m_server;
    Sizes m_sizes;
    QTemporaryDir m_local;
    Inet m_inet;
};

// An FTP URL's path is taken from the login directory unless it starts with
// "//"; an SFTP URL's is absolute anyway.
QString Bench::url(const QString& name) const {
    const bool sftp = m_server.protocol() == ServerProtocol::Sftp;
    return QStringLiteral("%1://%2%3%4")
        .arg(QLatin1String(sftp ? "sftp" : "ftp"), m_server.address(),
             QLatin1String(sftp ? "" : "/"), remote(name));
}

QStringList Bench::curlOptions() const {
    QStringList options{QStringLiteral("-u"), m_server.userName() + u':' + m_server.password()};
    if (m_server.userName().isEmpty())
        options.clear();
    if (const TestCertificates* certificates = m_server.certificates())
        options << QStringLiteral("--ssl-reqd") << QStringLiteral("--cacert")
                << certificates->caFile();
    if (const SshTestServer* ssh = m_server.ssh())
        options << QStringLiteral("--hostpubsha256") << ssh->hostKeySha256();
    return options;
}

Run Bench::sftpBatch(const QString& commands) const {
    const SshTestServer* ssh = m_server.ssh();
    return runTool(
        QStringLiteral("sftp"),
        {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-"), QStringLiteral("-P"),
         QString::number(ssh->port()), QStringLiteral("-i"), ssh->privateKeyFile(),
         QStringLiteral("-o"), QStringLiteral("IdentitiesOnly=yes"), QStringLiteral("-o"),
         QStringLiteral("UserKnownHostsFile=") + m_server.trustedOptions().knownHostsFile,
         ssh->userName() + QStringLiteral("@127.0.0.1")},
        commands.toLocal8Bit());
}

bool Bench::prepare() {
    std::printf("\n%s: preparing a %lld MiB file and %d empty files on %s ...\n",
                qPrintable(m_name), qlonglong(m_sizes.bytes >> 20), m_sizes.files,
                qPrintable(m_server.address()));
    std::fflush(stdout);
    const QString root = m_server.root() + u'/';
    if (!m_server.makeDirectory(QStringLiteral("in")) ||
        !m_server.makeDirectory(QStringLiteral("many")) ||
        !writePatternFile(root + QStringLiteral("big.bin"), m_sizes.bytes) ||
        !makeEmptyFiles(root + QStringLiteral("many"), m_sizes.files))
        return false;
    m_inet.setRequestTimeout(60);
    m_inet.setServerProtocol(m_server.protocol());
    m_inet.setSecurityOptions(m_server.trustedOptions());
    m_inet.setURL(m_server.address());
    m_inet.setUserName(m_server.userName());
    m_inet.setPassword(m_server.password());
    return runInet(m_inet, QStringLiteral("PWD")).ok; // log in once, as the client does
}

} // namespace

Run Bench::download(Side side, const QString& localFile) {
    const QString source = remote(QStringLiteral("big.bin"));
    switch (side) {
    case Side::Component:
        return runInet(m_inet, QStringLiteral("GET ") + source + u' ' + localFile);
    case Side::Curl:
        return curl({QStringLiteral("-o"), localFile, url(QStringLiteral("big.bin"))});
    case Side::OpenSsh:
        return sftpBatch(QStringLiteral("get %1 %2\n").arg(source, localFile));
    }
    return {};
}

Run Bench::upload(Side side) {
    const QString source = m_server.root() + QStringLiteral("/big.bin");
    const QString target = remote(QStringLiteral("in/big.bin"));
    switch (side) {
    case Side::Component:
        return runInet(m_inet, QStringLiteral("PUT ") + source + u' ' + target);
    case Side::Curl:
        return curl({QStringLiteral("-T"), source, url(QStringLiteral("in/big.bin"))});
    case Side::OpenSsh:
        return sftpBatch(QStringLiteral("put %1 %2\n").arg(source, target));
    }
    return {};
}

// Each figure is the best of its rounds; the sides take turns going first,
// and dirty pages are flushed before every run.
void Bench::transfers() {
    const QString localFile = m_local.filePath(QStringLiteral("big.bin"));
    const QString uploaded = m_server.root() + QStringLiteral("/in/big.bin");
    QList<Side> sides{Side::Component, Side::Curl};
    if (m_server.ssh())
        sides << Side::OpenSsh;
    std::map<Side, QList<Run>> downloads, uploads;
    for (int round = 0; round < m_sizes.rounds; ++round) {
        for (qsizetype i = 0; i < sides.size(); ++i) {
            const Side side = sides[(round + i) % sides.size()];
            ::sync();
            downloads[side] << download(side, localFile);
            QFile::remove(localFile);
            ::sync();
            uploads[side] << upload(side);
            QFile::remove(uploaded);
        }
    }
    report("download", downloads[Side::Component], downloads[Side::Curl], downloads[Side::OpenSsh]);
    report("upload", uploads[Side::Component], uploads[Side::Curl], uploads[Side::OpenSsh]);
}

void Bench::report(const char* what, const QList<Run>& ours, const QList<Run>& theirs,
                   const QList<Run>& openssh) const {
    const double mib = double(m_sizes.bytes) / (1024.0 * 1024.0);
    const double a = mib / best(ours);
    const double b = mib / best(theirs);
    double cpu = 0;
    int wakeups = 0;
    for (const Run& r : ours) {
        cpu = qMax(cpu, r.guiCpuSeconds);
        wakeups = qMax(wakeups, r.wakeups);
    }
    std::printf("%-5s %-9s component %7.1f MiB/s   curl %7.1f MiB/s   ratio %.2f",
                qPrintable(m_name), what, a, b, a / b);
    if (!openssh.isEmpty())
        std::printf("   OpenSSH sftp %7.1f MiB/s (component/sftp %.2f)", mib / best(openssh),
                    a / (mib / best(openssh)));
    std::printf("   (waiting thread: %.3f s CPU, %d wake-ups)\n", cpu, wakeups);
    std::fflush(stdout);
}

void Bench::listing() {
    QList<Run> inetList, curlList, sftpList;
    long peak = 0;
    qsizetype lines = 0;
    for (int round = 0; round < m_sizes.rounds; ++round) {
        QString reply;
        resetPeakRss();
        const long before = peakRssKib();
        inetList << runInet(m_inet, QStringLiteral("LS ") + remote(QStringLiteral("many/*")),
                            &reply);
        peak = qMax(peak, peakRssKib() - before);
        lines = reply.count(u'\n');
        curlList << curl(
            {QStringLiteral("-o"), QStringLiteral("/dev/null"), url(QStringLiteral("many/"))});
        if (m_server.ssh())
            sftpList << sftpBatch(QStringLiteral("ls -l %1\n").arg(remote(QStringLiteral("many"))));
    }
    std::printf("%-5s listing   %lld entries: component %.3f s   curl %.3f s   ratio %.2f",
                qPrintable(m_name), qlonglong(lines), best(inetList), best(curlList),
                best(inetList) / best(curlList));
    if (!sftpList.isEmpty())
        std::printf("   OpenSSH sftp %.3f s", best(sftpList));
    std::printf("   peak memory growth %ld KiB\n", peak);
    std::fflush(stdout);
}

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    Sizes sizes;
    sizes.bytes = qint64(argValue(args, QStringLiteral("--size-mib"), 1024)) * 1024 * 1024;
    sizes.files = argValue(args, QStringLiteral("--files"), 100000);
    sizes.rounds = argValue(args, QStringLiteral("--rounds"), 3);
    const qsizetype at = args.indexOf(QStringLiteral("--protocols"));
    const QStringList protocols =
        (at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QStringLiteral("ftp,ftps,sftp"))
            .split(u',');
    const QList<std::pair<QString, ProtocolTestServer::Mode>> modes{
        {QStringLiteral("ftp"), ProtocolTestServer::Mode::Vsftpd},
        {QStringLiteral("ftps"), ProtocolTestServer::Mode::FtpsExplicit},
        {QStringLiteral("sftp"), ProtocolTestServer::Mode::Sftp},
    };
    int status = 0;
    for (const auto& [name, mode] : modes) {
        if (!protocols.contains(name))
            continue;
        ProtocolTestServer server(mode);
        Bench bench(name, server, sizes);
        if (!server.start() || !bench.prepare()) {
            std::fprintf(stderr, "%s: cannot start or prepare the server: %s\n", qPrintable(name),
                         qPrintable(server.errorText()));
            status = 1;
            continue;
        }
        bench.transfers();
        bench.listing();
    }
    return status;
}
