// Times a remote directory of many files from the "LS" command to the filled
// remote file list in the real main window, against the curl command-line
// tool fetching the same listing, and records the longest pause of the event
// loop meanwhile.
//
//   remote_bench [--files N] [--rounds N]
#include "bench_support.h"
#include "common/prompter.h"
#include "freed_memory.h"
#include "ftp_test_server.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    QApplication app(argc, argv);
    bench::preferMemoryTempDir();
    const QStringList args = app.arguments();
    const int files = bench::argValue(args, QStringLiteral("--files"), 100000);
    const int rounds = bench::argValue(args, QStringLiteral("--rounds"), 3);

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::printf("Preparing %d files on vsftpd %s ...\n", files, qPrintable(server.address()));
    std::fflush(stdout);
    const QByteArray dir = QFile::encodeName(server.root()) + "/many/";
    ::mkdir(dir.constData(), 0755);
    for (int i = 0; i < files; ++i) {
        const QByteArray name = dir + "file-" + QByteArray::number(i) + (i % 3 ? ".txt" : ".zip");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
    }

    bench::SilentPrompter prompter;
    TARLEN_Frm frm(prompter);
    frm.Form_Load();
    frm.show();
    frm.dialogs().showConnectDialog = [&] {
        return HostInfo{QString(), server.address(), {}, {}};
    };
    frm.parts().Cmd_Connect->click();
    while (frm.session().runner().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!frm.session().connected()) {
        std::fprintf(stderr, "could not connect:%s\n", qPrintable(frm.parts().Txt_Status->text()));
        return 1;
    }

    const FtpCommand command = FtpCommand::list(QStringLiteral("LS"), server.root() + "/many/*");
    const QString url = QStringLiteral("ftp://%1/many/").arg(server.address());
    bench::PauseMeter pauses;
    double bestOurs = 1e9, bestCurl = 1e9;
    qint64 worstPause = 0;
    QElapsedTimer clock;
    double readAfter = 0; // the listing's arrival in the window
    QObject::connect(&frm.session(), &RemoteSession::listingRead,
                     [&] { readAfter = clock.nsecsElapsed() / 1e9; });
    for (int round = 0; round < rounds; ++round) {
        pauses.start();
        clock.start();
        frm.session().run(command);
        while (frm.session().runner().busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // A long listing reaches the list a moment after the command ends.
        while (frm.parts().remotePane->listingPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ours = clock.nsecsElapsed() / 1e9;
        worstPause = std::max(worstPause, pauses.stop());
        if (frm.parts().remotePane->LstX_Files->ListCount() != files) {
            std::fprintf(stderr, "list holds %d entries\n",
                         frm.parts().remotePane->LstX_Files->ListCount());
            return 1;
        }
        QProcess curl;
        clock.restart();
        curl.start(QStringLiteral("curl"), {"-s", "-S", "-o", "/dev/null", url});
        curl.waitForFinished(-1);
        const double theirs = clock.nsecsElapsed() / 1e9;
        bestOurs = std::min(bestOurs, ours);
        bestCurl = std::min(bestCurl, theirs);
        std::printf("round %d: LS to filled list %.3f s (listing read after %.3f s), curl %.3f s\n",
                    round + 1, ours, readAfter, theirs);
    }
    std::printf("remote listing of %d files: client %.3f s   curl %.3f s   ratio %.2f   "
                "longest event-loop pause %lld ms\n",
                files, bestOurs, bestCurl, bestOurs / bestCurl, qlonglong(worstPause));
    frm.close();
    return 0;
}
