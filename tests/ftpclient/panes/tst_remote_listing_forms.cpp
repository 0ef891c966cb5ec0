// The lines of every listing form a server may send, from the server's bytes
// to the remote pane: each name the pane lists goes back to the server as
// the very bytes it sent, and a line the parser cannot read is no entry but
// one counted in the log.
#include "common/twips_geometry.h"
#include "ftp_names.h"
#include "hostile_ftp_server.h"
#include "panes/file_images.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_prompter.h"
#include "session_waits.h"

#include <vantel/vantelctrl.h>

#include <QListWidget>
#include <QTest>

#include <algorithm>

namespace {

QByteArrayList sorted(QByteArrayList names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The names the pane lists, as the bytes that name them on the server.
QByteArrayList paneFiles(const RemotePane& pane) {
    const FtpNameCodec codec(true);
    QByteArrayList names;
    for (int i = 0; i < pane.Lst_Remote.count(); ++i)
        names << codec.encode(pane.Lst_Remote.text(i));
    return sorted(names);
}

QByteArrayList paneDirectories(const RemotePane& pane) {
    const FtpNameCodec codec(true);
    QByteArrayList names;
    for (int i = 0; i < pane.Lst_Remote_Dir->count(); ++i) {
        QString name = pane.Lst_Remote_Dir->item(i)->data(Qt::UserRole).toString();
        if (name == u"../")
            continue;
        name.chop(1);
        names << codec.encode(name);
    }
    return sorted(names);
}

} // namespace

class TestRemoteListingForms : public QObject {
    Q_OBJECT

private slots:
    void namesReachThePaneByteForByte_data();
    void namesReachThePaneByteForByte();
};

void TestRemoteListingForms::namesReachThePaneByteForByte_data() {
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QByteArrayList>("directories");
    QTest::addColumn<int>("notUnderstood");
    QTest::newRow("unix, other dates")
        << QByteArray("total 24\r\n"
                      "-rw-r--r--   1 alice    staff        640 03-14 2001 budget.ods\r\n"
                      "-rwxr-xr-x   2 bob      wheel     3210 17-05-2004 09:41 set up.sh\r\n"
                      "-r--r--r--   3 carl  carl  88 2006.02.27   caf\xE9.txt\r\n"
                      "-rw-r--r-- 3 dora users 5120 7-mar-01 short date.txt\r\n"
                      "-rwxr-xr-x 1 eve staff 12 Jun 21, 2005 14:30 both.txt\r\n"
                      "drwxrwxrwx 1 0 0 0 3 Sep 11:05 2019 Taxes\r\n"
                      "drwxr-xr-x 2 frank users May 30 2011 no size\r\n"
                      "-rw-r--r-- 1 u g 512 2000.9.26 report.txt\r\n")
        << QByteArrayList{"budget.ods", "set up.sh", "caf\xE9.txt", "short date.txt", "both.txt"}
        << QByteArrayList{"2019 Taxes", "no size"} << 1;
    QTest::newRow("localized dates")
        << QByteArray("drwxr-xr-x 4 greta gruppe 4096 26. Juli, 20:10 Urlaub\r\n"
                      "-rw-r--r-- 1 ivan users 65 9 \xD0\x9C\xD0\xB0\xD1\x8F 2020 "
                      "\xD0\xBF\xD0\xB1\xD0\xB4.txt\r\n"
                      "-rw-r--r-- 1 taro users 8473  4\x8C\x8E 18\x93\xFA 2003\x94\x4E "
                      "\x83\x81\x83\x82.txt\r\n"
                      "-rw-r--r-- 1 minsu users 200 7\xBF\xF9  9\xC0\xCF 18:02 \xB8\xDE\xB8\xF0\r\n"
                      "drwxr-xr-x 2 wang users 4096 7\xD4\xC2  9\xC8\xD5  2023 \xCE\xC4\xBC\xFE\r\n"
                      "-rw-r--r-- 1 taro users 2048 7\xE6\x9C\x88  9\xE6\x97\xA5 18:02 "
                      "\xE3\x83\xA1\xE3\x83\xA2\r\n"
                      "-r--r--r-- 1 root root 2096 8\xED 17 08:52 unknown month\r\n")
        << QByteArrayList{"\xD0\xBF\xD0\xB1\xD0\xB4.txt", "\x83\x81\x83\x82.txt",
                          "\xB8\xDE\xB8\xF0", "\xE3\x83\xA1\xE3\x83\xA2"}
        << QByteArrayList{"Urlaub", "\xCE\xC4\xBC\xFE"} << 1;
    QTest::newRow("netware")
        << QByteArray("d [RWCEAFMS] supervisor        512       Jan 16 18:53    SYSTEM\r\n"
                      "- [R----F--] rhesus          214059       Oct 20 15:27    tax report.txt\r\n"
                      "   - [RWCEAFMS] admin 77 Jan 2 2004 lead.txt\r\n")
        << QByteArrayList{"tax report.txt", "lead.txt"} << QByteArrayList{"SYSTEM"} << 0;
    QTest::newRow("os/2") << QByteArray(" 1123 DIR  A    10-05-100  23:38  archive\r\n"
                                        "36611      A    04-23-103  10:57  report.txt\r\n"
                                        "    0 DIR       02-11-103  16:15  Program Files\r\n")
                          << QByteArrayList{"report.txt"}
                          << QByteArrayList{"archive", "Program Files"} << 0;
    QTest::newRow("vms")
        << QByteArray("Directory DISK$USER:[ALICE]\r\n"
                      "\r\n"
                      "A_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT;12\r\n"
                      "                      5/6   9-JUL-2023 18:02:33  [STAFF,ALICE]\r\n"
                      "BACKUP.LOG;2    2/8    7-JAN-2000    [OPS]   (RWED,RWED,RE,)\r\n"
                      "SUMMARY.TXT;1   [SUMMARY]    1/3     2-AUG-2006 13:05  (RWE,RWE,RE,)\r\n"
                      "OLDLOG.TXT;4       17-JUN-1994 17:25:37     6308/13     (RWED,RWED,R,)\r\n"
                      "SOURCES.DIR;1  1/3  9-JUL-2023 18:02 [STAFF,ALICE] (RWE,RWE,RE,RE)\r\n"
                      "\r\n"
                      "Total of 5 files, 18/33 blocks.\r\n")
        << QByteArrayList{"A_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT;12", "BACKUP.LOG;2",
                          "SUMMARY.TXT;1", "OLDLOG.TXT;4"}
        << QByteArrayList{"SOURCES"} << 0;
    QTest::newRow("mvs data sets")
        << QByteArray("Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n"
                      "WRK001 3390   2023/07/09  1   15  FB      80 27920  PS  PAYROLL.DATA\r\n"
                      "WRK003 3390   2003/05/21  1 3 U 6447    6447  PO-E LOAD.LIB\r\n"
                      "Migrated                                                OLD.BACKUP\r\n"
                      "V43525 Tape                                             TAPE.FILE\r\n"
                      "TSO004 3390   VSAM CUSTOMER.KSDS\r\n")
        << QByteArrayList{"PAYROLL.DATA", "OLD.BACKUP", "TAPE.FILE", "CUSTOMER.KSDS"}
        << QByteArrayList{"LOAD.LIB"} << 0;
    QTest::newRow("mvs members")
        << QByteArray(" Name     VV.MM   Created       Changed      Size  Init   Mod   Id\r\n"
                      "PAYCALC   01.04 2023/06/30 2023/07/09 18:02    48    40     0 ALICE\r\n"
                      "PAYLOAD   00B308 000411  00 FO              31    ANY\r\n")
        << QByteArrayList{"PAYCALC", "PAYLOAD"} << QByteArrayList{} << 0;
    QTest::newRow("as/400, a file and its members")
        << QByteArray("ALICE          81920 09.07.23 18:02:33 *FILE      PAY.FILE\r\n"
                      "ALICE                                   *MEM       PAY.FILE/JAN.MBR\r\n"
                      "ALICE                                   *MEM       PAY.FILE/FEB.MBR\r\n"
                      "QSYS           77824 07/09/23 18:02:33 *DIR       QOpenSys/\r\n"
                      "ALICE           4096 07/09/23 18:02:33 *STMF      notes.txt\r\n")
        << QByteArrayList{"PAY.FILE", "notes.txt"} << QByteArrayList{"QOpenSys"} << 2;
    QTest::newRow("eplf") << QByteArray("+i8388621.48594,m1688925720,/,\tpub\r\n"
                                        "+i1.2,m1688925720,r,s44,up644\tno comma.txt\r\n")
                          << QByteArrayList{"no comma.txt"} << QByteArrayList{"pub"} << 0;
    QTest::newRow("mlsd facts")
        << QByteArray("type=file;size=9 old draft.txt\r\n"
                      "x.vendor=abc;type=file;size=4;unix.mode=0644; extra facts\r\n"
                      "type=OS.unix=slink:/srv/data/;size=9; data\r\n"
                      "type=OS.unix=slink;size=3; bare link\r\n")
        << QByteArrayList{"old draft.txt", "extra facts", "bare link"} << QByteArrayList{"data"}
        << 0;
    QTest::newRow("vshell")
        << QByteArray("206876  Apr 04, 2000 21:06 old vshell.txt\r\n"
                      "0  Dec 12, 2002 02:13 old dir/\r\n"
                      "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 new vshell.txt\r\n")
        << QByteArrayList{"old vshell.txt", "new vshell.txt"} << QByteArrayList{"old dir"} << 0;
    QTest::newRow("wfftp and vxworks")
        << QByteArray("config.bin       1014196  06/03/04  Thur.   10:20:03\r\n"
                      "2048    Feb-28-1998  05:23:30   backups <DIR>\r\n"
                      "  512    Mar-01-1998  14:00:00   boot config.cfg\r\n")
        << QByteArrayList{"config.bin", "boot config.cfg"} << QByteArrayList{"backups"} << 0;
    QTest::newRow("os-9") << QByteArray("20.20 07/03/29 1026 d-ewrewr 2650 85920 CMDS\r\n"
                                        "0.0 08/11/05 1730 ----r-wr 1A3 4096 startup file\r\n")
                          << QByteArrayList{"startup file"} << QByteArrayList{"CMDS"} << 0;
    QTest::newRow("windows ce") << QByteArray("01-12-26  15:18       <DIR>          Programs\r\n"
                                              "10-07-26  08:19                   22 config.ini\r\n")
                                << QByteArrayList{"config.ini"} << QByteArrayList{"Programs"} << 0;
}

void TestRemoteListingForms::namesReachThePaneByteForByte() {
    QFETCH(QByteArray, listing);
    QFETCH(QByteArrayList, files);
    QFETCH(QByteArrayList, directories);
    QFETCH(int, notUnderstood);
    HostileFtpServer::Options options;
    options.listing = listing;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));

    ScriptedPrompter prompter;
    FileImages images;
    TwipsGeometry twips;
    QWidget window;
    RemoteSession session;
    auto* pane = new RemotePane(session, images, prompter, twips, &window);
    QString log;
    connect(&session, &RemoteSession::logAppended, this,
            [&log](const QString& text) { log += text; });
    session.setHost(server.address(), QStringLiteral("user"), QStringLiteral("secret"));
    session.logIn();
    session.listFirst();
    QVERIFY(waitUntilIdle(session));
    QVERIFY2(session.connected(), qPrintable(log));

    QTRY_COMPARE(paneFiles(*pane), sorted(files));
    QCOMPARE(paneDirectories(*pane), sorted(directories));
    QCOMPARE(pane->LstX_Files->ListCount(), int(files.size()));
    const QString unread = QString::number(notUnderstood) +
                           (notUnderstood == 1 ? QStringLiteral(" line not understood")
                                               : QStringLiteral(" lines not understood"));
    QCOMPARE(log.contains(unread), notUnderstood > 0);
}

QTEST_MAIN(TestRemoteListingForms)
#include "tst_remote_listing_forms.moc"
