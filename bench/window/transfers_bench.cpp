// Times downloading and uploading many small files in one selection through
// the real main window, against lftp's mget and mput of the same files on
// the same vsftpd server, in the same run.
//
//   transfers_bench [--files N] [--kib N] [--rounds N]
#include "bench_support.h"
#include "common/prompter.h"
#include "ftp_test_server.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void fillDirectory(const QString& dir, int files, int kib) {
    QDir().mkpath(dir);
    const QByteArray content(kib * 1024, 'x');
    for (int i = 0; i < files; ++i) {
        QFile f(dir + QStringLiteral("/file%1.dat").arg(i, 4, 10, QLatin1Char('0')));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
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

void selectAll(CVantelCtrl* list) {
    for (int i = 0; i < list->ListCount(); ++i)
        list->SetSelected(i, true);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bench::preferMemoryTempDir();
    const QStringList args = app.arguments();
    const int files = bench::argValue(args, QStringLiteral("--files"), 1000);
    const int kib = bench::argValue(args, QStringLiteral("--kib"), 10);
    const int rounds = bench::argValue(args, QStringLiteral("--rounds"), 3);

    QTemporaryDir config, work;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    const QString remoteFiles = server.root() + QStringLiteral("/files");
    const QString remoteUp = server.root() + QStringLiteral("/up");
    const QString localDown = work.path() + QStringLiteral("/down");
    const QString localFiles = work.path() + QStringLiteral("/files");
    fillDirectory(remoteFiles, files, kib);
    fillDirectory(localFiles, files, kib);
    std::printf("%d files of %d KiB each on vsftpd %s\n", files, kib, qPrintable(server.address()));

    bench::SilentPrompter prompter;
    TARLEN_Frm frm(prompter);
    frm.Form_Load();
    frm.show();
    frm.showConnectDialog = [&] {
        return HostInfo{QString(), server.address(), {}, {}};
    };
    frm.Cmd_Connect->click();
    if (!frm.session().bConnected)
        return 1;
    auto openRemote = [&](const QString& name) {
        RemoteSession& s = frm.session();
        s.sRemoteDir = s.sRootDir + QStringLiteral("/") + name + QStringLiteral("/");
        s.runCommand(LastCommand::Listing,
                     FtpCommand::list(QStringLiteral("LS"), s.sRemoteDir + u'*'));
    };

    double bestDown = 1e9, bestUp = 1e9, bestLftpDown = 1e9, bestLftpUp = 1e9;
    for (int round = 0; round < rounds; ++round) {
        emptyDirectory(localDown);
        emptyDirectory(remoteUp);
        frm.localPane->setLocalPath(localDown);
        openRemote(QStringLiteral("files"));
        selectAll(frm.remotePane->LstX_Files);
        QElapsedTimer clock;
        clock.start();
        frm.Cmd_Dn_Click();
        const double down = clock.nsecsElapsed() / 1e9;
        const int got = int(QDir(localDown).entryList(QDir::Files).size());

        frm.localPane->setLocalPath(localFiles);
        openRemote(QStringLiteral("up"));
        selectAll(frm.localPane->LstX_Files);
        clock.restart();
        frm.Cmd_Up_Click();
        const double up = clock.nsecsElapsed() / 1e9;
        const int sent = int(QDir(remoteUp).entryList(QDir::Files).size());

        emptyDirectory(localDown);
        emptyDirectory(remoteUp);
        const double lftpDown =
            lftp(server.address(), QStringLiteral("cd files; lcd '%1'; mget *").arg(localDown));
        const double lftpUp =
            lftp(server.address(), QStringLiteral("cd up; lcd '%1'; mput *").arg(localFiles));
        std::printf("round %d: download %.3f s (%d files), lftp mget %.3f s; upload %.3f s (%d "
                    "files), lftp mput %.3f s\n",
                    round + 1, down, got, lftpDown, up, sent, lftpUp);
        bestDown = std::min(bestDown, down);
        bestUp = std::min(bestUp, up);
        bestLftpDown = std::min(bestLftpDown, lftpDown);
        bestLftpUp = std::min(bestLftpUp, lftpUp);
    }
    std::printf("download: client %.3f s   lftp %.3f s   ratio %.2f\n", bestDown, bestLftpDown,
                bestDown / bestLftpDown);
    std::printf("upload:   client %.3f s   lftp %.3f s   ratio %.2f\n", bestUp, bestLftpUp,
                bestUp / bestLftpUp);
    frm.close();
    return 0;
}
