// The pure parts of the transfer component: command texts, addresses, listing
// lines and file-name encoding.
#include "ftp_address.h"
#include "ftp_command.h"
#include "ftp_listing.h"
#include "ftp_names.h"
#include "ftp_reply.h"

#include <QTest>

class TestFtpParsing : public QObject {
    Q_OBJECT

private slots:
    void commandSplitsPathsWithBlanks_data();
    void commandSplitsPathsWithBlanks();
    void commandListSplitsDirectoryAndPattern_data();
    void commandListSplitsDirectoryAndPattern();
    void commandRefusesUnsafeOrUnknownText_data();
    void commandRefusesUnsafeOrUnknownText();
    void addressForms_data();
    void addressForms();
    void urlPathEncodesEverySegment();
    void listingLines_data();
    void listingLines();
    void listingTextDropsUnsafeNamesAndFilters();
    void listingTextHandlesUnterminatedAndBlankLines();
    void listingBuilderIgnoresChunkBoundaries();
    void listingJoinsWrappedVmsLines();
    void listingCountsLinesNotUnderstood();
    void listingKeepsTheCrOfANameAndRefusesControls_data();
    void listingKeepsTheCrOfANameAndRefusesControls();
    void listingOfAMillionLines();
    void listingOfOneLongLineOrNulBytes();
    void pwdPathFromReply_data();
    void pwdPathFromReply();
    void repliesOfManyContinuationLines();
    void namesRoundTripByteForByte_data();
    void namesRoundTripByteForByte();
};

void TestFtpParsing::commandSplitsPathsWithBlanks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    using K = FtpCommand::Kind;
    QTest::newRow("get plain") << "GET /pub/x.zip /tmp/x.zip" << int(K::Get) << "/pub/x.zip"
                               << "/tmp/x.zip";
    QTest::newRow("get blanks") << "GET /pub/my file.txt /home/a b/my file.txt" << int(K::Get)
                                << "/pub/my file.txt"
                                << "/home/a b/my file.txt";
    QTest::newRow("put blanks") << "PUT /home/a b/my file.txt /pub/my file.txt" << int(K::Put)
                                << "/pub/my file.txt"
                                << "/home/a b/my file.txt";
    QTest::newRow("rename blanks")
        << "RENAME /pub/my file.txt /pub/your file.txt" << int(K::Rename) << "/pub/my file.txt"
        << "/pub/your file.txt";
    QTest::newRow("rename dir with blank") << "RENAME /a b/x /a b/y" << int(K::Rename) << "/a b/x"
                                           << "/a b/y";
    QTest::newRow("lower-case verb") << "get /p/a /l/a" << int(K::Get) << "/p/a"
                                     << "/l/a";
}

void TestFtpParsing::commandSplitsPathsWithBlanks() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QString error;
    const auto cmd = parseFtpCommand(text, &error);
    QVERIFY2(cmd, qPrintable(error));
    QCOMPARE(int(cmd->kind), kind);
    if (cmd->kind == FtpCommand::Kind::Rename) {
        QCOMPARE(cmd->remote, first);
        QCOMPARE(cmd->newRemote, second);
    } else {
        QCOMPARE(cmd->remote, first);
        QCOMPARE(cmd->local, second);
    }
}

void TestFtpParsing::commandListSplitsDirectoryAndPattern_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("DIR alone") << "DIR"
                               << ""
                               << "";
    QTest::newRow("LS dir and pattern") << "LS /pub/*.txt"
                                        << "/pub/"
                                        << "*.txt";
    QTest::newRow("DIR dir, no pattern") << "DIR /pub/"
                                         << "/pub/"
                                         << "";
    QTest::newRow("blank in directory") << "LS /my dir/a b*"
                                        << "/my dir/"
                                        << "a b*";
    QTest::newRow("pattern only") << "LS *"
                                  << ""
                                  << "*";
}

void TestFtpParsing::commandListSplitsDirectoryAndPattern() {
    QFETCH(QString, text);
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    const auto cmd = parseFtpCommand(text, nullptr);
    QVERIFY(cmd);
    QCOMPARE(cmd->kind, FtpCommand::Kind::List);
    QCOMPARE(cmd->directory, directory);
    QCOMPARE(cmd->pattern, pattern);
}

void TestFtpParsing::commandRefusesUnsafeOrUnknownText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF smuggles a command") << "DELETE /a\r\nDELE /b";
    QTest::newRow("LF") << "MKDIR /a\nb";
    QTest::newRow("NUL") << QStringLiteral("RMDIR /a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("unknown verb") << "SITE CHMOD 777 /x";
    QTest::newRow("GET without matching names") << "GET /pub/a.txt /tmp/b.txt";
    QTest::newRow("RENAME across directories") << "RENAME /a/x /b/y";
    QTest::newRow("DELETE without path") << "DELETE";
}

void TestFtpParsing::commandRefusesUnsafeOrUnknownText() {
    QFETCH(QString, text);
    QString error;
    QVERIFY(!parseFtpCommand(text, &error));
    QVERIFY(!error.isEmpty());
}

void TestFtpParsing::addressForms_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host") << "ftp.example.org" << QByteArray("ftp.example.org") << 21;
    QTest::newRow("host:port") << "127.0.0.1:2121" << QByteArray("127.0.0.1") << 2121;
    QTest::newRow("url") << "ftp://files.example.org" << QByteArray("files.example.org") << 21;
    QTest::newRow("url with port") << "ftp://localhost:2100/" << QByteArray("localhost") << 2100;
    QTest::newRow("ipv6") << "[::1]:2121" << QByteArray("[::1]") << 2121;
    QTest::newRow("name in capitals")
        << "sftp://Files.EXAMPLE.org" << QByteArray("files.example.org") << 22;
    QTest::newRow("blanks around") << "  example.org  " << QByteArray("example.org") << 21;
}

void TestFtpParsing::addressForms() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    QString error;
    const auto address = parseServerAddress(typed, ServerProtocol::PlainFtp, &error);
    QVERIFY2(address, qPrintable(error));
    QCOMPARE(address->host, host);
    QCOMPARE(address->port, long(port));

    QVERIFY(!parseServerAddress(QStringLiteral("http://example.org"), ServerProtocol::PlainFtp,
                                &error));
    QVERIFY(!parseServerAddress(QString(), ServerProtocol::PlainFtp, &error));
}

void TestFtpParsing::urlPathEncodesEverySegment() {
    QCOMPARE(ftpUrlPath(""), QByteArray("/"));
    QCOMPARE(ftpUrlPath("/"), QByteArray("//"));
    QCOMPARE(ftpUrlPath("/pub/"), QByteArray("//pub/"));
    QCOMPARE(ftpUrlPath("rel/x"), QByteArray("/rel/x"));
    QCOMPARE(ftpUrlPath("/a b/#%?;type=i"), QByteArray("//a%20b/%23%25%3F%3Btype%3Di"));
    QCOMPARE(ftpUrlPath("/\xC3\xA4\xFF"), QByteArray("//%C3%A4%FF"));
}

namespace {

// One row of the listing table: a line of a LIST (or MLSD) reply and the entry
// it must give, or none.
void lineRow(const char* tag, const QByteArray& line, const QByteArray& name, char kind = 'f',
             qint64 size = -1, bool mlsd = false) {
    QTest::newRow(tag) << line << mlsd << name << kind << size;
}
void mlsdRow(const char* tag, const QByteArray& line, const QByteArray& name, char kind = 'f',
             qint64 size = -1) {
    lineRow(tag, line, name, kind, size, true);
}
void noEntryRow(const char* tag, const QByteArray& line, bool mlsd = false) {
    lineRow(tag, line, QByteArray(), '-', -1, mlsd);
}

void unixRows() {
    lineRow("unix file", "-rw-r--r--    1 ftp      ftp          1234 Jan 16  2002 a.txt", "a.txt",
            'f', 1234);
    lineRow("unix dir, time", "drwxr-xr-x 2 root root 4096 Dec  7 05:25 sub", "sub", 'd', 4096);
    lineRow("no group", "-rw-r--r-- 1 owner 77 Mar 3 2019 nogroup.bin", "nogroup.bin", 'f', 77);
    lineRow("no owner, no group", "-rw-r--r-- 1 512 Jan 1 2020 bare", "bare", 'f', 512);
    lineRow("numeric ids", "-rw-r--r-- 1 1000 1000 5 Feb 29 10:00 ids.txt", "ids.txt", 'f', 5);
    lineRow("name with blanks", "-rw-r--r-- 1 u g 9 Jul 4 12:00 my  file .txt", "my  file .txt",
            'f', 9);
    lineRow("leading blank in name", "-rw-r--r-- 1 u g 9 Jul 4 12:00  lead", " lead", 'f', 9);
    lineRow("name like a date", "-rw-r--r-- 1 u g 10 Jul 9 18:02 Jul 9 18:02", "Jul 9 18:02", 'f',
            10);
    lineRow("name like an iso date", "-rw-r--r-- 1 u g 10 Jul 9 2023 2023-07-09 12:00 dump",
            "2023-07-09 12:00 dump", 'f', 10);
    lineRow("month-like owner", "-rw-r--r-- 1 Jan 12 100 Dec 1 12:00 x", "x", 'f', 100);
    lineRow("symlink", "lrwxrwxrwx 1 u g 7 Jul 4 12:00 link -> target.txt", "link", 'L', 7);
    lineRow("symlink to dir/", "lrwxrwxrwx 1 u g 7 Jul 4 12:00 pub -> /srv/pub/", "pub", 'D', 7);
    lineRow("symlink with blanks", "lrwxrwxrwx 1 u g 10 Jul 9 18:02 my link -> other place",
            "my link", 'L', 10);
    lineRow("acl mark +", "-rw-r--r--+ 1 u g 1 Jan 1 2000 acl", "acl", 'f', 1);
    lineRow("xattr mark @", "-rw-r--r--@ 1 alice staff 2048 Mar 14 09:26 photo.jpg", "photo.jpg",
            'f', 2048);
    lineRow("selinux mark .", "-rw-r--r--. 1 root root 512 Feb  2  2022 selinux.conf",
            "selinux.conf", 'f', 512);
    lineRow("iso date", "-rw-rw-r-- 1 deploy deploy 18342 2023-07-09 18:02 build.log", "build.log",
            'f', 18342);
    lineRow("full-iso date",
            "-rw-r--r-- 1 deploy deploy 907 2023-07-09 18:02:33.481920573 +0200 notes 2023.txt",
            "notes 2023.txt", 'f', 907);
    lineRow("day before month, time", "-rw-r--r-- 1 jan users 5120 9 Jul 18:02 report.pdf",
            "report.pdf", 'f', 5120);
    lineRow("day before month, year", "drwxr-xr-x 3 marc users 4096 9 Jul 2023 archive", "archive",
            'd', 4096);
    lineRow("german", "-rw-r--r-- 1 hans gruppe 300 M\xC3\xA4r  3 11:40 liste.csv", "liste.csv",
            'f', 300);
    lineRow("german, day with full stop", "-rw-r--r-- 1 hans gruppe 301 3. Okt. 2021 alt.csv",
            "alt.csv", 'f', 301);
    lineRow("french", "-rw-r--r-- 1 paul staff 1500 f\xC3\xA9vr. 14  2021 facture.odt",
            "facture.odt", 'f', 1500);
    lineRow("french, day first", "-rw-r--r-- 1 paul staff 1501 14 juil. 09:15 plan.txt", "plan.txt",
            'f', 1501);
    lineRow("spanish", "-rw-r--r-- 1 ana ventas 42 ene  5  2020 datos.xls", "datos.xls", 'f', 42);
    lineRow("hungarian", "-rw-r--r-- 1 gabor csoport 9000 szept 30 17:45 tabla.ods", "tabla.ods",
            'f', 9000);
    lineRow("hungarian, accented", "-rw-r--r-- 1 gabor csoport 9001 m\xC3\xA1rc. 2 17:45 b.ods",
            "b.ods", 'f', 9001);
    lineRow("dutch", "-rw-r--r-- 1 piet staf 12 mrt  7  2019 lijst.txt", "lijst.txt", 'f', 12);
    lineRow("russian", "-rw-r--r-- 1 ivan users 64 \xD0\xBE\xD0\xBA\xD1\x82 5 10:00 o.txt", "o.txt",
            'f', 64);
    lineRow("japanese month and day",
            "-rw-r--r-- 1 taro users 2048 7\xE6\x9C\x88  9\xE6\x97\xA5 18:02 memo.txt", "memo.txt",
            'f', 2048);
    lineRow("japanese month, plain day", "drwxr-xr-x 2 taro users 4096 7\xE6\x9C\x88  9  2023 old",
            "old", 'd', 4096);
    lineRow("japanese date in one",
            "-rw-r--r-- 1 taro users 2049 2023\xE5\xB9\xB4"
            "7\xE6\x9C\x88"
            "9\xE6\x97\xA5 m2.txt",
            "m2.txt", 'f', 2049);
    lineRow("korean date",
            "-rw-r--r-- 1 minsu users 100 2023\xEB\x85\x84 7\xEC\x9B\x94 9\xEC\x9D\xBC k.txt",
            "k.txt", 'f', 100);
    lineRow("comma after day", "-rw-r--r-- 1 u g 880 Jul 9, 2023 comma.txt", "comma.txt", 'f', 880);
    lineRow("no date", "-rw-r--r-- 1 u g 1024 nodate.bin", "nodate.bin", 'f', 1024);
    lineRow("group runs into size", "-rw-r--r-- 1 someone verylonggroup12345678 Jul 9 2023 a.iso",
            "a.iso", 'f', 12345678);
    lineRow("size in kilobytes", "-rw-r--r-- 1 u g 33.5k Jul 9 18:02 small.txt", "small.txt", 'f',
            34304);
    lineRow("size in megabytes", "-rw-r--r-- 1 u g 2M Jul 9 18:02 mid.bin", "mid.bin", 'f',
            2097152);
    lineRow("character device", "crw-rw---- 1 root tty 4, 64 Jul 9 18:02 tty64", "tty64");
    lineRow("block device", "brw-rw---- 1 root disk 8,   0 Jul 9 18:02 sda", "sda");
    lineRow("netware dir", "d [RWCEAFMS] admin 512 Jul 09 18:02 PUBLIC", "PUBLIC", 'd', 512);
    lineRow("netware file", "- [R----F--] admin 2048 Jul 9 2023 login.exe", "login.exe", 'f', 2048);
}

void otherListRows() {
    lineRow("dos dir", "01-16-02  11:14AM       <DIR>          docs", "docs", 'd');
    lineRow("dos file", "01-16-2002  11:14PM             1234 read me.txt", "read me.txt", 'f',
            1234);
    lineRow("dos 24-hour, separators", "07-09-2023  18:02             1,234,567 big.zip", "big.zip",
            'f', 1234567);
    lineRow("dos iso date", "2023-07-09  18:02       <DIR>          iso dir", "iso dir", 'd');
    lineRow("dos separate pm, dots", "07/09/2023  06:02 PM    2.048.576 report.docx", "report.docx",
            'f', 2048576);
    lineRow("eplf dir", "+i8388621.48594,m1688925720,/,\tpub", "pub", 'd');
    lineRow("eplf file", "+i8388621.44468,m1688925720,r,s8192,\treadme.txt", "readme.txt", 'f',
            8192);
    lineRow("eplf unknown facts", "+r,s12,up644,xyz,\tunknown facts.txt", "unknown facts.txt", 'f',
            12);
    lineRow("vms file",
            "README.TXT;1          2/4    9-JUL-2023 18:02:33  [STAFF,ALICE]  "
            "(RWED,RWED,RE,)",
            "README.TXT;1", 'f', 1024);
    lineRow("vms dir", "SOURCES.DIR;1  1/3  9-JUL-2023 18:02 [STAFF,ALICE] (RWE,RWE,RE,RE)",
            "SOURCES", 'd');
    lineRow("mvs data set", "WRK001 3390   2023/07/09  1   15  FB      80 27920  PS  PAYROLL.DATA",
            "PAYROLL.DATA");
    lineRow("mvs partitioned", "WRK002 3390   2023/07/01  2   30  FB      80 27920  PO  SRC.COBOL",
            "SRC.COBOL", 'd');
    lineRow("mvs migrated", "Migrated                                                OLD.BACKUP",
            "OLD.BACKUP");
    lineRow("mvs pseudo directory", "Pseudo Directory                                  REPORTS",
            "REPORTS", 'd');
    lineRow("mvs member", "PAYCALC   01.04 2023/06/30 2023/07/09 18:02    48    40     0 ALICE",
            "PAYCALC");
    lineRow("os/2 dir", "        0           DIR   07-09-23   18:02  DESKTOP", "DESKTOP", 'd');
    lineRow("os/2 file", "    73216  A        07-09-23   18:02  CONFIG.SYS", "CONFIG.SYS", 'f',
            73216);
    lineRow("as/400 dir", "QSYS           77824 07/09/23 18:02:33 *DIR       QOpenSys/", "QOpenSys",
            'd');
    lineRow("as/400 stream file", "ALICE           4096 07/09/23 18:02:33 *STMF      notes.txt",
            "notes.txt", 'f', 4096);
    lineRow("as/400 file", "ALICE          81920 09.07.23 18:02:33 *FILE      PAYROLL.FILE",
            "PAYROLL.FILE", 'f', 81920);
    lineRow("as/400 member", "ALICE                                   *MEM       PAY.FILE/J.MBR",
            "PAY.FILE/J.MBR");
    lineRow("mlsd facts in a list reply", "type=file;size=120;modify=20230709180233; facts.txt",
            "facts.txt", 'f', 120);
}

void mlsdRows() {
    mlsdRow("mlsd file", "type=file;size=3;modify=20200101000000; a.txt", "a.txt", 'f', 3);
    mlsdRow("mlsd dir, upper case", "Type=DIR;Modify=20200101000000; docs", "docs", 'd');
    mlsdRow("mlsd blanks in name", "type=file;size=1; my file ", "my file ", 'f', 1);
    mlsdRow("mlsd any order and case", "Size=77;Modify=20230709180233;TYPE=File; Mixed.bin",
            "Mixed.bin", 'f', 77);
    mlsdRow("mlsd tab before name", "type=file;size=5;\tafter tab", "after tab", 'f', 5);
    mlsdRow("mlsd slink to dir", "type=OS.unix=slink:/srv/data/;size=9; data", "data", 'D', 9);
    mlsdRow("mlsd symlink", "type=OS.unix=symlink;size=9; latest", "latest", 'L', 9);
    noEntryRow("mlsd cdir", "type=cdir;perm=el; .", true);
    noEntryRow("mlsd pdir", "type=pdir; ..", true);
    noEntryRow("mlsd no facts", "nofacts", true);
    noEntryRow("mlsd words, not facts", "DELE notes.txt", true);
}

void noEntryRows() {
    noEntryRow("total line", "total 20");
    noEntryRow("garbage", "Welcome to the server!");
    noEntryRow("truncated", "-rw-r--r-- 1 u g 9 Jul 4");
    noEntryRow("words, not a listing", "DELE notes.txt");
    noEntryRow("nul bytes", QByteArray(16, '\0'));
    noEntryRow("mode and nothing else", "-rw-r--r-- 1 u g");
    noEntryRow("vms heading", "Directory DISK$USER:[ALICE]");
}

} // namespace

void TestFtpParsing::listingLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("mlsd");
    QTest::addColumn<QByteArray>("name");
    // 'f' file, 'd' directory, 'L' link, 'D' link to a directory, '-' no entry
    QTest::addColumn<char>("kind");
    QTest::addColumn<qint64>("size");
    unixRows();
    otherListRows();
    mlsdRows();
    noEntryRows();
}

void TestFtpParsing::listingLines() {
    QFETCH(QByteArray, line);
    QFETCH(bool, mlsd);
    QFETCH(QByteArray, name);
    QFETCH(char, kind);
    QFETCH(qint64, size);
    const auto entry = mlsd ? parseMlsdLine(line) : parseListLine(line);
    QCOMPARE(bool(entry), kind != '-');
    if (!entry)
        return;
    QCOMPARE(entry->name.toByteArray(), name);
    QCOMPARE(entry->directory, kind == 'd' || kind == 'D');
    QCOMPARE(entry->link, kind == 'L' || kind == 'D');
    QCOMPARE(entry->size, size);
}

void TestFtpParsing::listingTextDropsUnsafeNamesAndFilters() {
    const QByteArray raw = "type=dir; docs\r\n"
                           "type=file; a.txt\r\n"
                           "type=file; B.TXT\r\n"
                           "type=file; c.bin\r\n"
                           "type=file; noext\r\n"
                           "type=dir; ..\r\n"
                           "type=file; .\r\n"
                           "type=file; evil/../../x\r\n"
                           "type=file; cr\rname\r\n";
    const FtpNameCodec codec(true);
    QCOMPARE(buildListingText(raw, true, codec, QString()),
             QStringLiteral("docs/\r\na.txt\r\nB.TXT\r\nc.bin\r\nnoext\r\n"));
    QCOMPARE(buildListingText(raw, true, codec, QStringLiteral("*.*")),
             buildListingText(raw, true, codec, QStringLiteral("*")));
    QCOMPARE(buildListingText(raw, true, codec, QStringLiteral("*.*")),
             QStringLiteral("docs/\r\na.txt\r\nB.TXT\r\nc.bin\r\nnoext\r\n"));
    // Case-insensitive, and directories stay whatever the pattern.
    QCOMPARE(buildListingText(raw, true, codec, QStringLiteral("*.txt")),
             QStringLiteral("docs/\r\na.txt\r\nB.TXT\r\n"));
    QCOMPARE(buildListingText(raw, true, codec, QStringLiteral("?.bin")),
             QStringLiteral("docs/\r\nc.bin\r\n"));
}

void TestFtpParsing::listingTextHandlesUnterminatedAndBlankLines() {
    const QByteArray raw = "total 8\n"
                           "drwxr-xr-x 2 u g 4096 Jan 1 2020 .\n"
                           "\n"
                           "drwxr-xr-x 2 u g 4096 Jan 1 2020 sub dir\n"
                           "-rw-r--r-- 1 u g 5 Jan 1 2020 last file";
    QCOMPARE(buildListingText(raw, false, FtpNameCodec(false), QString()),
             QStringLiteral("sub dir/\r\nlast file\r\n"));
}

void TestFtpParsing::listingBuilderIgnoresChunkBoundaries() {
    const QByteArray raw = "drwxr-xr-x 2 u g 4096 Jan 1 2020 sub dir\r\n"
                           "-rw-r--r-- 1 u g 5 Jan 1 2020 caf\xC3\xA9.txt\r\n"
                           "total 8\r\n"
                           "-rw-r--r-- 1 u g 5 Jan 1 2020 last";
    const FtpNameCodec codec(true);
    const QString whole = buildListingText(raw, false, codec, QString());
    QCOMPARE(whole, QStringLiteral("sub dir/\r\ncafé.txt\r\nlast\r\n"));
    for (int step : {1, 2, 7, 40}) {
        FtpListingBuilder builder(false, codec, QString());
        for (qsizetype at = 0; at < raw.size(); at += step)
            builder.feed(QByteArrayView(raw).sliced(at, qMin<qsizetype>(step, raw.size() - at)));
        QCOMPARE(listingText(builder.finish()), whole);
    }
}

// A long VMS name pushes its details onto the next line.
void TestFtpParsing::listingJoinsWrappedVmsLines() {
    const QByteArray raw = "Directory DISK$USER:[ALICE]\r\n"
                           "\r\n"
                           "A_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT;12\r\n"
                           "                      5/6   9-JUL-2023 18:02:33  [STAFF,ALICE]\r\n"
                           "PROJECTS.DIR;1         1/3   9-JUL-2023 18:02  [STAFF,ALICE]\r\n"
                           "SHORT.COM;3            1/3   9-JUL-2023 18:02  [STAFF,ALICE]\r\n"
                           "BAD/NAME.TXT;1\r\n"
                           "                       1/3   9-JUL-2023 18:02  [STAFF,ALICE]\r\n"
                           "\r\n"
                           "Total of 3 files, 7/12 blocks.\r\n";
    const RemoteListing listing = buildListing(raw, false, FtpNameCodec(false), QString());
    QCOMPARE(listingText(listing),
             QStringLiteral("PROJECTS/\r\nA_VERY_LONG_FILE_NAME_THAT_WRAPS.TXT;12\r\n"
                            "SHORT.COM;3\r\n"));
    QCOMPARE(listing.files[0].size, 5 * 512);
    // A wrapped name holding "/" is no name to use: both its lines count.
    QCOMPARE(listing.linesNotUnderstood, 2);
}

// A line that fits no form gives no entry and is counted; headings and the
// directory itself are not. The second half of a name holding CR LF is no
// entry of its own.
void TestFtpParsing::listingCountsLinesNotUnderstood() {
    const QByteArray list = "total 12\r\n"
                            "drwxr-xr-x 2 u g 4096 Jul 9 18:02 .\r\n"
                            "-rw-r--r-- 1 u g 5 Jul 9 18:02 x\r\n"
                            "DELE notes.txt\r\n"
                            "Welcome!\r\n"
                            "-rw-r--r-- 1 u g 5 Jul 9 18:02 kept\r\n";
    const RemoteListing fromList = buildListing(list, false, FtpNameCodec(false), QString());
    QCOMPARE(listingText(fromList), QStringLiteral("kept\r\nx\r\n"));
    QCOMPARE(fromList.linesNotUnderstood, 2);

    const QByteArray mlsd = "type=cdir;perm=el; /pub\r\n"
                            "type=pdir; ..\r\n"
                            "type=file;size=1; x\r\n"
                            "DELE notes.txt\r\n";
    const RemoteListing fromMlsd = buildListing(mlsd, true, FtpNameCodec(false), QString());
    QCOMPARE(listingText(fromMlsd), QStringLiteral("x\r\n"));
    QCOMPARE(fromMlsd.linesNotUnderstood, 1);
}

// A CR before the LF ends the line only where the listing's lines end so; a
// name that keeps one, or holds any other control character, is no entry
// but a line not understood, and never becomes another name.
void TestFtpParsing::listingKeepsTheCrOfANameAndRefusesControls_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("mlsd");
    QTest::addColumn<int>("lineEnds");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<int>("notUnderstood");
    const QByteArray file = "-rw-r--r-- 1 u g 5 Jul 9 18:02 ";
    const auto unknown = int(ListingLineEnds::Unknown);
    const auto bareLf = int(ListingLineEnds::BareLf);
    QTest::newRow("CR LF list, a name ending in CR")
        << "total 2\r\n" + file + "cr\r\r\n" + file + "kept\r\n"
        << false << unknown << "kept\r\n"
        << 1;
    QTest::newRow("bare LF list with heading") << "total 2\n" + file + "cr\r\n" + file + "kept\n"
                                               << false << unknown << "kept\r\n"
                                               << 1;
    QTest::newRow("bare LF list, the name with a CR first")
        << file + "cr\r\n" + file + "a\n" + file + "b\n"
        << false << unknown << "a\r\nb\r\n"
        << 1;
    QTest::newRow("bare LF MLSD") << QByteArray("type=file; cr\r\ntype=file; x\ntype=dir; y\n")
                                  << true << unknown << "y/\r\nx\r\n"
                                  << 1;
    QTest::newRow("CR LF MLSD, an LF inside a name")
        << QByteArray("type=file; a\r\ntype=file; b\nc\r\ntype=file; d\r\n") << true << unknown
        << "a\r\nd\r\n"
        << 2;
    QTest::newRow("bare LF list, a link's target ends in CR")
        << "total 1\nlrwxrwxrwx 1 u g 1 Jul 9 18:02 ln -> t\r\n" + file + "x\n"
        << false << unknown << "ln\r\nx\r\n"
        << 0;
    QTest::newRow("SFTP: libcurl's bare LF") << file + "cr\r\n" << false << bareLf << "" << 1;
    QTest::newRow("control characters")
        << QByteArray("type=file; tab\tx\r\ntype=file; del\x7f\r\ntype=file; nel\xC2\x85\r\n"
                      "type=file; sep\xE2\x80\xA8\r\ntype=file; ok\r\n")
        << true << unknown << "ok\r\n"
        << 4;
    QTest::newRow("bytes that are not UTF-8 are no controls")
        << QByteArray("type=file; raw\x85\r\n") << true << unknown
        << QStringLiteral("raw") + QChar(0xDC85) + QStringLiteral("\r\n") << 0;
}

void TestFtpParsing::listingKeepsTheCrOfANameAndRefusesControls() {
    QFETCH(QByteArray, raw);
    QFETCH(bool, mlsd);
    QFETCH(int, lineEnds);
    QFETCH(QString, listed);
    QFETCH(int, notUnderstood);
    // Line by line as from the network, then all at once.
    for (qsizetype chunk : {qsizetype(1), raw.size()}) {
        FtpListingBuilder builder(mlsd, FtpNameCodec(true), QString(), ListingLineEnds(lineEnds));
        for (qsizetype at = 0; at < raw.size(); at += chunk)
            builder.feed(QByteArrayView(raw).sliced(at, qMin(chunk, raw.size() - at)));
        const RemoteListing listing = builder.finish();
        QCOMPARE(listingText(listing), listed);
        QCOMPARE(listing.linesNotUnderstood, notUnderstood);
    }
}

// A million lines arrive in chunks as from the network; the builder keeps
// no more than the entries and the unfinished line.
void TestFtpParsing::listingOfAMillionLines() {
    constexpr int lines = 1000000;
    FtpListingBuilder builder(false, FtpNameCodec(false), QString());
    QByteArray chunk;
    for (int n = 0; n < lines; ++n) {
        chunk += "-rw-r--r-- 1 u g " + QByteArray::number(n) + " Jul  9 18:02 f" +
                 QByteArray::number(n) + "\r\n";
        if (chunk.size() > 65000 || n + 1 == lines) {
            // Cut the chunk mid-line, as the network does.
            const qsizetype half = chunk.size() / 2;
            builder.feed(QByteArrayView(chunk).first(half));
            builder.feed(QByteArrayView(chunk).sliced(half));
            chunk.clear();
        }
    }
    const RemoteListing listing = builder.finish();
    QCOMPARE(listing.files.size(), size_t(lines));
    QCOMPARE(listing.linesNotUnderstood, 0);
    QCOMPARE(listing.files.front().name, QStringLiteral("f0"));
    QCOMPARE(listing.files.back().name, QStringLiteral("f999999"));
    QCOMPARE(listing.files.back().size, 999999);
}

void TestFtpParsing::listingOfOneLongLineOrNulBytes() {
    const QByteArray longName(1 << 20, 'n');
    const QByteArray longLine = "-rw-r--r-- 1 u g 5 Jul  9 18:02 " + longName;
    FtpListingBuilder bytewise(false, FtpNameCodec(false), QString());
    for (qsizetype at = 0; at < longLine.size(); at += 1000)
        bytewise.feed(
            QByteArrayView(longLine).sliced(at, qMin<qsizetype>(1000, longLine.size() - at)));
    const RemoteListing one = bytewise.finish();
    QCOMPARE(one.files.size(), size_t(1));
    QCOMPARE(one.files[0].name.size(), longName.size());

    const QByteArray blanks = "-rw-r--r-- 1 u g " + QByteArray(1 << 20, ' ') + "5 Jul 9 18:02 x";
    QCOMPARE(buildListingText(blanks, false, FtpNameCodec(false), QString()),
             QStringLiteral("x\r\n"));
    for (bool mlsd : {false, true}) {
        const RemoteListing nul =
            buildListing(QByteArray(1 << 20, '\0'), mlsd, FtpNameCodec(true), QString());
        QVERIFY(nul.files.empty() && nul.directories.empty());
        QCOMPARE(nul.linesNotUnderstood, 1);
    }
}

void TestFtpParsing::pwdPathFromReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("quoted") << QByteArray("257 \"/pub\" is the current directory")
                            << QByteArray("/pub");
    QTest::newRow("doubled quotes")
        << QByteArray("257 \"/say \"\"hi\"\"/x\" here") << QByteArray("/say \"hi\"/x");
    QTest::newRow("no quotes") << QByteArray("257 /home/alice ") << QByteArray("/home/alice");
    QTest::newRow("unclosed quote") << QByteArray("257 \"/open") << QByteArray("/open");
    QTest::newRow("last 257 of several")
        << QByteArray("257-\"/first\"\n257 \"/second\"") << QByteArray("/second");
    QTest::newRow("no 257") << QByteArray("550 No such directory") << QByteArray();
}

void TestFtpParsing::pwdPathFromReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, path);
    ReplyLines lines;
    for (const QByteArray& line : reply.split('\n'))
        lines.push_back(replyLine(line + "\r\n"));
    QCOMPARE(pwdPath(lines), path);
}

// FEAT, refusals and PWD read through a reply of 100,000 continuation lines.
void TestFtpParsing::repliesOfManyContinuationLines() {
    ReplyLines lines{"211-Features:"};
    for (int n = 0; n < 100000; ++n)
        lines.push_back(" X-FEATURE-" + QByteArray::number(n));
    lines.push_back(" UTF8");
    lines.push_back(" MLST type*;size*;");
    lines.push_back("211 End");
    const ServerFeatures features = readFeatures(lines);
    QVERIFY(features.utf8 && features.mlsd && !features.mfmt);
    QCOMPARE(firstRefusalLine(lines), QByteArray());
    lines.push_back("550 Refused");
    QCOMPARE(lastReplyLine(lines, '5'), QByteArray("550 Refused"));
    QCOMPARE(pwdPath(lines), QByteArray());
}

void TestFtpParsing::namesRoundTripByteForByte_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asLatin1");
    QTest::addColumn<QString>("withMarks");
    const QChar mark(0xFFFD);
    QTest::newRow("utf8 valid") << QByteArray("gr\xC3\xBC\xC3\x9F"
                                              "e.txt")
                                << QStringLiteral("grüße.txt") << QStringLiteral("grüße.txt")
                                << QStringLiteral("grüße.txt");
    QTest::newRow("utf8 emoji") << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("😀")
                                << QStringLiteral("😀") << QStringLiteral("😀");
    QTest::newRow("stray byte") << QByteArray("bad\xFFname")
                                << QStringLiteral("bad") + QChar(0xDCFF) + QStringLiteral("name")
                                << QStringLiteral("badÿname")
                                << QStringLiteral("bad") + mark + QStringLiteral("name");
    QTest::newRow("overlong slash")
        << QByteArray("\xC0\xAF") << QString(QChar(0xDCC0)) + QChar(0xDCAF) << QStringLiteral("À¯")
        << QString(mark) + mark;
    QTest::newRow("truncated sequence")
        << QByteArray("a\xE2\x82") << QStringLiteral("a") + QChar(0xDCE2) + QChar(0xDC82)
        << QStringLiteral("a\u00E2\u0082") << QStringLiteral("a") + mark + mark;
    QTest::newRow("latin1") << QByteArray("caf\xE9") << QStringLiteral("caf") + QChar(0xDCE9)
                            << QStringLiteral("café") << QStringLiteral("caf") + mark;
    // Not UTF-8 as a whole: every byte from 0x80 up is kept, the valid pair too.
    QTest::newRow("utf8 pair beside a stray byte")
        << QByteArray("\xC3\xA9\xFF") << QString(QChar(0xDCC3)) + QChar(0xDCA9) + QChar(0xDCFF)
        << QStringLiteral("Ã©ÿ") << QStringLiteral("é") + mark;
}

// Names come back as text that shows what the server meant, and go back to it
// as the very bytes it sent, whether or not it announced UTF8.
void TestFtpParsing::namesRoundTripByteForByte() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QString, asLatin1);
    QFETCH(QString, withMarks);
    for (bool utf8 : {true, false}) {
        const FtpNameCodec codec(utf8);
        QCOMPARE(codec.decode(bytes), text);
        QCOMPARE(codec.encode(text), bytes);
    }
    QCOMPARE(RawName::shownAsLatin1(text), asLatin1);
    QCOMPARE(RawName::shownWithMarks(text), withMarks);
    // A directory and a name joined as text still give the bytes of both.
    QCOMPARE(RawName::encode(RawName::decode("/d\xE9p\xF4t/") + text), "/d\xE9p\xF4t/" + bytes);
}

QTEST_GUILESS_MAIN(TestFtpParsing)
#include "tst_ftp_parsing.moc"
