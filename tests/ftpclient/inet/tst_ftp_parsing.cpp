// The pure parts of the transfer component: command texts, addresses, listing
// lines and file-name encoding.
#include "ftp_address.h"
#include "ftp_command.h"
#include "ftp_listing.h"
#include "ftp_names.h"
#include "ftp_reply.h"
#include "listing_forms.h"

#include <QTest>

class TestFtpParsing : public QObject {
    Q_OBJECT

private slots:
    void checksumWayFromFeatures_data();
    void checksumWayFromFeatures();
    void digestFromChecksumReply_data();
    void digestFromChecksumReply();
    void commandSplitsPathsWithBlanks_data();
    void commandSplitsPathsWithBlanks();
    void commandListSplitsDirectoryAndPattern_data();
    void commandListSplitsDirectoryAndPattern();
    void commandRefusesUnsafeOrUnknownText_data();
    void commandRefusesUnsafeOrUnknownText();
    void addressForms_data();
    void addressForms();
    void urlPathEncodesEverySegment();
    void pathFromLoginDirectory_data();
    void pathFromLoginDirectory();
    void listingLines_data();
    void listingLines();
    void listingTextDropsUnsafeNamesAndFilters();
    void listingTextHandlesUnterminatedAndBlankLines();
    void listingBuilderIgnoresChunkBoundaries();
    void listingJoinsWrappedVmsLines();
    void listingCountsLinesNotUnderstood();
    void listingKeepsTheCrOfANameAndRefusesControls_data();
    void listingKeepsTheCrOfANameAndRefusesControls();
    void nameBytesWhereverTheyStand_data();
    void nameBytesWhereverTheyStand();
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

void TestFtpParsing::pathFromLoginDirectory_data() {
    QTest::addColumn<QByteArray>("login");
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("inside") << QByteArray("/home/u") << QByteArray("/home/u/site/")
                            << QByteArray("site/");
    QTest::newRow("login with slash")
        << QByteArray("/home/u/") << QByteArray("/home/u/a/b/") << QByteArray("a/b/");
    QTest::newRow("login itself") << QByteArray("/home/u") << QByteArray("/home/u/")
                                  << QByteArray();
    QTest::newRow("root login") << QByteArray("/") << QByteArray("/pub/") << QByteArray("pub/");
    QTest::newRow("root itself") << QByteArray("/") << QByteArray("/") << QByteArray();
    QTest::newRow("longer sibling")
        << QByteArray("/home/u") << QByteArray("/home/u2/") << QByteArray("/home/u2/");
    QTest::newRow("outside") << QByteArray("/home/u") << QByteArray("/srv/") << QByteArray("/srv/");
    QTest::newRow("option-like") << QByteArray("/home/u") << QByteArray("/home/u/-l/")
                                 << QByteArray("./-l/");
    QTest::newRow("home-like") << QByteArray("/") << QByteArray("/~ftp/") << QByteArray("./~ftp/");
    QTest::newRow("leading blank") << QByteArray("/") << QByteArray("/ x/") << QByteArray("./ x/");
    QTest::newRow("not known") << QByteArray() << QByteArray("/home/u/x/")
                               << QByteArray("/home/u/x/");
    QTest::newRow("not a unix path")
        << QByteArray("USER.") << QByteArray("/x/") << QByteArray("/x/");
    QTest::newRow("relative already")
        << QByteArray("/home/u") << QByteArray("rel/") << QByteArray("rel/");
}

void TestFtpParsing::pathFromLoginDirectory() {
    QFETCH(QByteArray, login);
    QFETCH(QByteArray, directory);
    QFETCH(QByteArray, path);
    QCOMPARE(::pathFromLoginDirectory(login, directory), path);
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
    lineRow("month owner, day group", "-rw-r--r-- 1 mar 5 100 Dec 1 12:00 x", "x", 'f', 100);
    lineRow("day owner, month group", "-rw-r--r-- 1 9 Jul 2023 Dec 1 12:00 x", "Dec 1 12:00 x", 'f',
            1);
    lineRow("hyphenated owner", "drwxr-xr-x 2 www-data www-data 4096 Dec 31 23:59 web", "web", 'd',
            4096);
    lineRow("tab before the name", "-rw-r--r-- 1 u g 9 Jul 4 12:00\ttabbed", "tabbed", 'f', 9);
    // ls's own lines are read from a mask of their first 64 bytes' blanks:
    // columns that run past it, a tab among them, a name from byte 64 on.
    lineRow("columns past byte 64",
            "-rw-r--r--    1 a-rather-long-owner-name  a-rather-long-group-name   "
            "123456789 Jul  4 12:00 far.txt",
            "far.txt", 'f', 123456789);
    lineRow("padding across byte 64",
            "-rw-r--r--    1 owner-of-some-length  group                          "
            "      77 Jul  4 12:00 pad",
            "pad", 'f', 77);
    lineRow("name from byte 64",
            "-rw-r--r-- 1 owner-name-twentyo group-name-of-22 12 Jul 4 12:00 "
            "at64",
            "at64", 'f', 12);
    lineRow("tab among the columns", "-rw-r--r-- 1 u\tg 9 Jul 4 12:00 tabbed", "tabbed", 'f', 9);
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
    lineRow("mlsd facts in a list reply", "type=file;size=120;modify=20230709180233; facts.txt",
            "facts.txt", 'f', 120);
    lineRow("mlsd facts in a list reply, no semicolon", "type=file old draft.txt", "old draft.txt");
}

// unix "ls -l" with the dates servers write besides ls's own.
void unixDateRows() {
    lineRow("unix: MM-DD YYYY", "-rw-r--r--   1 alice    staff        640 03-14 2001 budget.ods",
            "budget.ods", 'f', 640);
    lineRow("unix: MM-DD HH:MM", "-rw-r--r--   1 alice    staff        641 11-02 08:15 notes.md",
            "notes.md", 'f', 641);
    lineRow("unix: DD-MM-YYYY HH:MM",
            "-rwxr-xr-x   2 bob      wheel     3210 17-05-2004 09:41 setup.sh", "setup.sh", 'f',
            3210);
    lineRow("unix: YYYY/MM/DD HH:MM",
            "-rw-r--r--   2 bob      wheel     3211 2001/11/23 16:05 plan b.txt", "plan b.txt", 'f',
            3211);
    lineRow("unix: YYYY-MM-DD alone", "-rw-r--r-- 1 bob wheel 77 2019-03-04 iso alone.txt",
            "iso alone.txt", 'f', 77);
    lineRow("unix: YYYY.MM.DD, padded",
            "-r--r--r--   3 carl  carl  88 2006.02.27   dotted name.txt", "dotted name.txt", 'f',
            88);
    lineRow("unix: D-MON-YY", "-rw-r--r-- 3 dora users 5120 7-mar-01 short date.txt",
            "short date.txt", 'f', 5120);
    lineRow("unix: DD-Mon-YYYY HH:MM", "-rw-r--r-- 3 dora users 5121 12-Aug-2003 10:00 named.txt",
            "named.txt", 'f', 5121);
    lineRow("unix: year where the time was",
            "-rwxr-xr-x    1 eve  staff  12 Jun 21, 2005 14:30 both.txt", "both.txt", 'f', 12);
    lineRow("unix: a year, then a name like a time", "-rw-r--r-- 1 u g 5 Jul 9 2023 12:00 notes",
            "12:00 notes", 'f', 5);
    lineRow("unix: day month time, a name with a year", "drwxrwxrwx 1 0 0 0 3 Sep 11:05 2019 Taxes",
            "2019 Taxes", 'd', 0);
    lineRow("unix: numeric ids", "-rw------- 1 4294967294 65534 9 Apr 4 23:59 ids", "ids", 'f', 9);
    lineRow("unix: size where the group was", "-r--r--r-- 0125039 12 Nov 11 2005 lonely", "lonely",
            'f', 12);
    lineRow("unix: date in the size's place", "drwxr-xr-x 2 frank users May 30 2011 nosize dir",
            "nosize dir", 'd');
    noEntryRow("unix: date not known", "-rw-r--r-- 1 u g 512 2000.9.26 report.txt");
    noEntryRow("unix: a date, then a year", "-rw-r--r-- 1 u g 9 01-jun-99 1999 report.txt");
    noEntryRow("unix: a date, then a time not known",
               "-rw-r--r-- 1 u g 9 2021-06-01 6pm report.txt");
    noEntryRow("unix: no date, a year first", "-rw-r--r-- 1 u g 1024 2023 report.txt");
}

// Month names of many languages, and dates in CJK characters whatever the
// code the server writes them in: the name comes out as the bytes it sent.
void localizedDateRows() {
    lineRow("localized: german month in full, comma",
            "drwxr-xr-x 4 greta gruppe 4096 26. Juli, 20:10 Urlaub", "Urlaub", 'd', 4096);
    lineRow("localized: german, stop and comma", "drwxr-xr-x 6 u sys 1024 30. Jan., 12:40 berichte",
            "berichte", 'd', 1024);
    lineRow("localized: french month in full",
            "-rw-r--r-- 1 luc staff 310 3 juillet 2019 \xC3\xA9t\xC3\xA9.txt",
            "\xC3\xA9t\xC3\xA9.txt", 'f', 310);
    lineRow("localized: spanish", "-rw-r--r-- 1 ana ventas 43 dic 24 2018 nochebuena.txt",
            "nochebuena.txt", 'f', 43);
    lineRow("localized: italian", "-rw-r--r-- 1 gino utenti 90 giu 12 09:00 estate.txt",
            "estate.txt", 'f', 90);
    lineRow("localized: dutch", "-rw-r--r-- 1 piet staf 13 mei  5  2020 bevrijding.txt",
            "bevrijding.txt", 'f', 13);
    lineRow("localized: swedish, day first", "-rw-r--r-- 1 sven grupp 14 17 maj 12:00 fest.txt",
            "fest.txt", 'f', 14);
    lineRow("localized: polish",
            "-rw-r--r-- 1 jan users 15 lis 11  2018 niepodleg\xC5\x82o\xC5\x9B\xC4\x87.txt",
            "niepodleg\xC5\x82o\xC5\x9B\xC4\x87.txt", 'f', 15);
    lineRow("localized: polish in full, day first",
            "-rw-r--r-- 1 jan users 16 11 listopada 2018 rocznica.txt", "rocznica.txt", 'f', 16);
    lineRow("localized: russian in full, capital",
            "-rw-r--r-- 1 ivan users 65 9 \xD0\x9C\xD0\xB0\xD1\x8F 2020 "
            "\xD0\xBF\xD0\xB1\xD0\xB4.txt",
            "\xD0\xBF\xD0\xB1\xD0\xB4.txt", 'f', 65);
    lineRow("localized: russian abbreviation with stop",
            "-rw-r--r-- 1 ivan users 66 \xD1\x81\xD0\xB5\xD0\xBD\xD1\x82. 1 10:00 school.txt",
            "school.txt", 'f', 66);
    lineRow("localized: japanese, shift-jis",
            "-rw-r--r-- 1 taro users 8473  4\x8C\x8E 18\x93\xFA 2003\x94\x4E \x83\x81\x83\x82.txt",
            "\x83\x81\x83\x82.txt", 'f', 8473);
    lineRow("localized: japanese, euc-jp",
            "-rw-r--r-- 1 taro users 100 7\xB7\xEE  9\xC6\xFC 18:02 \xA5\xE1\xA5\xE2.txt",
            "\xA5\xE1\xA5\xE2.txt", 'f', 100);
    lineRow("localized: korean, euc-kr",
            "-rw-r--r-- 1 minsu users 200 7\xBF\xF9  9\xC0\xCF 18:02 \xB8\xDE\xB8\xF0.txt",
            "\xB8\xDE\xB8\xF0.txt", 'f', 200);
    lineRow("localized: korean, utf-8, year first",
            "drwxr-xr-x 5 root sys 512 2005\xEB\x85\x84  1\xEC\x9B\x94  6\xEC\x9D\xBC "
            "\xEB\xA9\x94\xEB\xAA\xA8",
            "\xEB\xA9\x94\xEB\xAA\xA8", 'd', 512);
    lineRow("localized: chinese, gb2312",
            "drwxr-xr-x 2 wang users 4096 7\xD4\xC2  9\xC8\xD5  2023 \xCE\xC4\xBC\xFE",
            "\xCE\xC4\xBC\xFE", 'd', 4096);
    lineRow("localized: chinese, utf-8",
            "-rw-r--r-- 1 li users 5 3\xE6\x9C\x88 20 2003 \xE6\x8A\xA5.txt", "\xE6\x8A\xA5.txt",
            'f', 5);
    lineRow("localized: plain year before a CJK month",
            "-rwxrwxrwx 1 root staff 0 2003   3\xE6\x9C\x88 20 plain year", "plain year", 'f', 0);
    noEntryRow("localized: a month in a code not known",
               "-r--r--r-- 1 root root 2096 8\xED 17 08:52 x");
}

// NetWare pads its columns: the name begins after the blanks.
void netWareRows() {
    lineRow("netware: dir", "d [RWCEAFMS] admin 512 Jul 09 18:02 PUBLIC", "PUBLIC", 'd', 512);
    lineRow("netware: file", "- [R----F--] admin 2048 Jul 9 2023 login.exe", "login.exe", 'f',
            2048);
    lineRow("netware: padded dir",
            "d [RWCEAFMS] supervisor        512       Jan 16 18:53    SYSTEM", "SYSTEM", 'd', 512);
    lineRow("netware: padded, blanks in the name",
            "- [R----F--] rhesus          214059       Oct 20 15:27    tax report.txt",
            "tax report.txt", 'f', 214059);
    lineRow("netware: leading blanks", "   - [RWCEAFMS] admin 77 Jan 2 2004 lead.txt", "lead.txt",
            'f', 77);
}

void os2Rows() {
    lineRow("os/2: dir", "        0           DIR   07-09-23   18:02  DESKTOP", "DESKTOP", 'd');
    lineRow("os/2: file", "    73216  A        07-09-23   18:02  CONFIG.SYS", "CONFIG.SYS", 'f',
            73216);
    lineRow("os/2: dir with an attribute", " 1123 DIR  A    10-05-100  23:38  archive", "archive",
            'd');
    lineRow("os/2: three-digit year", "36611      A    04-23-103  10:57  report.txt", "report.txt",
            'f', 36611);
    lineRow("os/2: four-digit year", "  2048      A    12-31-2003  23:59  year end.txt",
            "year end.txt", 'f', 2048);
    lineRow("os/2: blanks in a dir's name", "    0 DIR       02-11-103  16:15  Program Files",
            "Program Files", 'd');
}

void vmsRows() {
    lineRow("vms: file",
            "README.TXT;1          2/4    9-JUL-2023 18:02:33  [STAFF,ALICE]  "
            "(RWED,RWED,RE,)",
            "README.TXT;1", 'f', 1024);
    lineRow("vms: dir", "SOURCES.DIR;1  1/3  9-JUL-2023 18:02 [STAFF,ALICE] (RWE,RWE,RE,RE)",
            "SOURCES", 'd');
    lineRow("vms: no time", "BACKUP.LOG;2    2/8    7-JAN-2000    [OPS]   (RWED,RWED,RE,)",
            "BACKUP.LOG;2", 'f', 1024);
    lineRow("vms: localized month, owner without brackets",
            "PRONAS.DAT;1    6/8    15-JUI-2002    PRONAS   (RWED,RWED,RE,)", "PRONAS.DAT;1", 'f',
            3072);
    lineRow("vms: owner first",
            "SUMMARY.TXT;1   [SUMMARY]    1/3     2-AUG-2006 13:05  (RWE,RWE,RE,)", "SUMMARY.TXT;1",
            'f', 512);
    lineRow("vms: size after the date",
            "OLDLOG.TXT;4       17-JUN-1994 17:25:37     6308/13     (RWED,RWED,R,)",
            "OLDLOG.TXT;4", 'f', 3229696);
    lineRow("vms: hundredths, nothing after", "QUICK.C;1       155   2-JUL-2003 10:30:13.64",
            "QUICK.C;1", 'f', 79360);
    lineRow("vms: size in kilobytes", "BIG.ZIP;1 2KB 23-SEP-2005 14:57:07.27", "BIG.ZIP;1", 'f',
            2048);
    noEntryRow("vms: a field not known", "ODD.TXT;1 2/4 9-JUL-2023 18:02 ?? extra");
}

void mvsRows() {
    lineRow("mvs: data set", "WRK001 3390   2023/07/09  1   15  FB      80 27920  PS  PAYROLL.DATA",
            "PAYROLL.DATA");
    lineRow("mvs: partitioned", "WRK002 3390   2023/07/01  2   30  FB      80 27920  PO  SRC.COBOL",
            "SRC.COBOL", 'd');
    lineRow("mvs: partitioned, extended",
            "WRK003 3390   2003/05/21  1 3 U 6447    6447  PO-E LOAD.LIB", "LOAD.LIB", 'd');
    lineRow("mvs: used blocks overflow",
            "WRK004 3390   2011/08/25  2 ++++  FB     904 18080  PS  HUGE.FILE", "HUGE.FILE");
    lineRow("mvs: never referred",
            "NRP004 3390   **NONE**    1   15  NONE     0     0  PO  EMPTY.PDS", "EMPTY.PDS", 'd');
    lineRow("mvs: migrated", "Migrated                                                OLD.BACKUP",
            "OLD.BACKUP");
    lineRow("mvs: migrated, tabs", "Migrated\t\t\t\tPAY.HISTORY", "PAY.HISTORY");
    lineRow("mvs: pseudo directory", "Pseudo Directory                                  REPORTS",
            "REPORTS", 'd');
    lineRow("mvs: tape",
            "V43525 Tape                                             ARCHIVE.TAPE.FILE",
            "ARCHIVE.TAPE.FILE");
    lineRow("mvs: vsam", "TSO004 3390   VSAM CUSTOMER.KSDS", "CUSTOMER.KSDS");
    lineRow("mvs: not on disk",
            "ARCIVE Not Direct Access Device                        OLD.ARCHIVE.DATA",
            "OLD.ARCHIVE.DATA");
    lineRow("mvs: member", "PAYCALC   01.04 2023/06/30 2023/07/09 18:02    48    40     0 ALICE",
            "PAYCALC");
    lineRow("mvs: load module member", "PAYLOAD   00B308 000411  00 FO              31    ANY",
            "PAYLOAD", 'f', 0xB308);
    lineRow("mvs: load module member, rmode last",
            "PAYLOAD2  000A10 00041C  00 FO        RU      ANY    24", "PAYLOAD2", 'f', 0xA10);
}

void as400Rows() {
    lineRow("as/400: dir", "QSYS           77824 07/09/23 18:02:33 *DIR       QOpenSys/",
            "QOpenSys", 'd');
    lineRow("as/400: stream file", "ALICE           4096 07/09/23 18:02:33 *STMF      notes.txt",
            "notes.txt", 'f', 4096);
    lineRow("as/400: file, day first",
            "ALICE          81920 09.07.23 18:02:33 *FILE      PAYROLL.FILE", "PAYROLL.FILE", 'f',
            81920);
    lineRow("as/400: member", "ALICE                                   *MEM       PAY.FILE/J.MBR",
            "PAY.FILE/J.MBR");
    lineRow("as/400: dir without a slash, blanks", "ALICE  8192 07/09/23 18:02:33 *DIR  my folder",
            "my folder", 'd');
    lineRow("as/400: library", "QSYS               0 07/09/23 18:02:33 *LIB       QGPL.LIB",
            "QGPL.LIB", 'd');
}

void eplfRows() {
    lineRow("eplf: dir", "+i8388621.48594,m1688925720,/,\tpub", "pub", 'd');
    lineRow("eplf: file", "+i8388621.44468,m1688925720,r,s8192,\treadme.txt", "readme.txt", 'f',
            8192);
    lineRow("eplf: unknown facts", "+r,s12,up644,xyz,\tunknown facts.txt", "unknown facts.txt", 'f',
            12);
    lineRow("eplf: no comma before the tab", "+i1.2,m1688925720,r,s44,up644\tno comma.txt",
            "no comma.txt", 'f', 44);
}

// Old VShell, Nortel's WfFTP and VxWorks servers, Microware OS-9, Windows CE.
void smallServerRows() {
    lineRow("vshell: old file", "206876  Apr 04, 2000 21:06 old vshell.txt", "old vshell.txt", 'f',
            206876);
    lineRow("vshell: old dir", "0  Dec 12, 2002 02:13 old dir/", "old dir", 'd');
    lineRow("vshell: new", "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 new vshell.txt",
            "new vshell.txt", 'f', 9);
    lineRow("wfftp: file", "config.bin       1014196  06/03/04  Thur.   10:20:03", "config.bin",
            'f', 1014196);
    lineRow("vxworks: dir", "2048    Feb-28-1998  05:23:30   backups <DIR>", "backups", 'd');
    lineRow("vxworks: file, blanks", "  512    Mar-01-1998  14:00:00   boot config.cfg",
            "boot config.cfg", 'f', 512);
    lineRow("os-9: dir", "20.20 07/03/29 1026 d-ewrewr 2650 85920 CMDS", "CMDS", 'd');
    lineRow("os-9: file", "0.0 08/11/05 1730 ----r-wr 1A3 4096 startup file", "startup file", 'f',
            4096);
    lineRow("windows ce: dir", "01-12-26  15:18       <DIR>          Programs", "Programs", 'd');
    lineRow("windows ce: file", "10-07-26  08:19                   22 config.ini", "config.ini",
            'f', 22);
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
    mlsdRow("mlsd slink without target", "type=OS.unix=slink;size=3; bare link", "bare link", 'L',
            3);
    mlsdRow("mlsd no semicolon after the facts", "type=file;size=9 old draft.txt", "old draft.txt",
            'f', 9);
    mlsdRow("mlsd unknown facts", "x.vendor=abc;type=file;size=4;unix.mode=0644; extra facts",
            "extra facts", 'f', 4);
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
    unixDateRows();
    localizedDateRows();
    netWareRows();
    os2Rows();
    vmsRows();
    mvsRows();
    as400Rows();
    eplfRows();
    smallServerRows();
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
    // The quick reading of ls's own form never disagrees with the search.
    if (const auto quick = parseLsLine(line)) {
        const auto searched = parseUnixFields(line);
        QVERIFY(searched);
        QCOMPARE(quick->name.toByteArray(), searched->name.toByteArray());
        QCOMPARE(quick->size, searched->size);
        QCOMPARE(quick->directory, searched->directory);
        QCOMPARE(quick->link, searched->link);
    }
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

    // Files come out by name without regard to case, then in the order they
    // came (a size tells which), however the chunks cut the listing and
    // whether the server sent them sorted: names with long common
    // beginnings, letters that fold outside ASCII, CJK, and bytes that are
    // not UTF-8.
    const QByteArray beginnings[] = {"file",
                                     "File",
                                     "photo-2023-07-",
                                     "\xC3\x84rger",
                                     "\xC3\xA4rger",
                                     "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                                     "\xE6\x9C\xAC\xE6\x97\xA5",
                                     "caf\xE9-"};
    std::vector<std::pair<QByteArray, qint64>> lines;
    for (int n = 0; n < 3000; ++n) {
        const int key = int((n * 7919u) % 1009u);
        lines.emplace_back(beginnings[n % std::size(beginnings)] + QByteArray::number(key), n);
    }
    const auto folded = [&codec](const QByteArray& name) {
        return codec.decode(name).toCaseFolded();
    };
    for (const bool sentSorted : {false, true}) {
        if (sentSorted)
            std::stable_sort(lines.begin(), lines.end(), [&](const auto& a, const auto& b) {
                return folded(a.first) < folded(b.first);
            });
        QByteArray many;
        for (const auto& [name, size] : lines)
            many += "-rw-r--r-- 1 u g " + QByteArray::number(size) + " Jan 1 2020 " + name + "\r\n";
        std::vector<std::pair<QByteArray, qint64>> expected = lines;
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            return folded(a.first) < folded(b.first);
        });
        for (int step : {1, 97, 4096, int(many.size())}) {
            FtpListingBuilder builder(false, codec, QString());
            for (qsizetype at = 0; at < many.size(); at += step)
                builder.feed(
                    QByteArrayView(many).sliced(at, qMin<qsizetype>(step, many.size() - at)));
            const RemoteListing listing = builder.finish();
            QCOMPARE(listing.files.size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i)
                QVERIFY2(listing.files[i].name == codec.decode(expected[i].first) &&
                             listing.files[i].size == expected[i].second,
                         qPrintable(QStringLiteral("sorted %1, step %2, entry %3")
                                        .arg(sentSorted)
                                        .arg(step)
                                        .arg(i)));
        }
    }
}

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

// Names are checked eight bytes at a time: a byte counts the same at every
// place in a name of any length.
void TestFtpParsing::nameBytesWhereverTheyStand_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    const auto refused = int(ListNameBytes::Refused);
    const auto ascii = int(ListNameBytes::Ascii);
    const auto beyond = int(ListNameBytes::BeyondAscii);
    QTest::newRow("slash") << QByteArray("/") << refused;
    QTest::newRow("NUL") << QByteArray(1, '\0') << refused;
    QTest::newRow("SOH") << QByteArray("\x01") << refused;
    QTest::newRow("unit separator") << QByteArray("\x1f") << refused;
    QTest::newRow("DEL") << QByteArray("\x7f") << refused;
    QTest::newRow("NEL, a C1 control") << QByteArray("\xC2\x85") << refused;
    QTest::newRow("blank") << QByteArray(" ") << ascii;
    QTest::newRow("dot") << QByteArray(".") << ascii;
    QTest::newRow("digit zero") << QByteArray("0") << ascii;
    QTest::newRow("tilde") << QByteArray("~") << ascii;
    QTest::newRow("e acute") << QByteArray("\xC3\xA9") << beyond;
    QTest::newRow("not UTF-8") << QByteArray("\xFF") << beyond;
}

void TestFtpParsing::nameBytesWhereverTheyStand() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    for (qsizetype size = bytes.size() + 1; size <= 25; ++size) {
        for (qsizetype at = 0; at + bytes.size() <= size; ++at) {
            QByteArray name(size, 'a');
            name.replace(at, bytes.size(), bytes);
            QCOMPARE(int(listNameBytes(name)), kind);
            QCOMPARE(isSafeListName(name), kind != int(ListNameBytes::Refused));
        }
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

namespace {

ReplyLines replyOf(const QByteArray& text) {
    ReplyLines lines;
    for (const QByteArray& line : text.split('\n'))
        lines.push_back(replyLine(line + "\r\n"));
    return lines;
}

} // namespace

// Which command and algorithm a file's checksum is asked with, after FEAT.
void TestFtpParsing::checksumWayFromFeatures_data() {
    QTest::addColumn<QByteArray>("features"); // the lines between 211- and 211
    QTest::addColumn<QByteArray>("way");      // "HASH SHA-256", "XMD5", "" for none
    QTest::addColumn<bool>("selectedKnown");
    QTest::newRow("ProFTPD: HASH and X commands")
        << QByteArray(" HASH CRC32;MD5;SHA-1*;SHA-256;SHA-512;\n XCRC\n XMD5\n XSHA256")
        << QByteArray("HASH SHA-256") << true;
    QTest::newRow("HASH without SHA-256")
        << QByteArray(" HASH MD5;SHA-1*") << QByteArray("HASH SHA-1") << true;
    QTest::newRow("lower case, nothing selected")
        << QByteArray(" hash md5;crc32") << QByteArray("HASH MD5") << false;
    QTest::newRow("X commands only")
        << QByteArray(" XCRC\n XMD5\n XSHA1") << QByteArray("XSHA1") << false;
    QTest::newRow("stronger X command than HASH")
        << QByteArray(" HASH CRC32*\n XSHA256") << QByteArray("XSHA256") << true;
    QTest::newRow("unknown algorithms only")
        << QByteArray(" HASH BLAKE2*;SHA-3\n XSHA\n XSHA512") << QByteArray() << false;
    QTest::newRow("HASH with no list") << QByteArray(" HASH") << QByteArray() << false;
    QTest::newRow("no checksums") << QByteArray(" UTF8\n MDTM") << QByteArray() << false;
}

void TestFtpParsing::checksumWayFromFeatures() {
    QFETCH(QByteArray, features);
    QFETCH(QByteArray, way);
    QFETCH(bool, selectedKnown);
    const ChecksumOffer offer =
        readFeatures(replyOf("211-Features:\n" + features + "\n211 End")).checksums;
    const ChecksumWay chosen = chooseChecksumWay(offer);
    QByteArray text;
    if (chosen.command == ChecksumWay::Command::Hash)
        text = "HASH " + hashName(chosen.algorithm);
    else if (chosen.command == ChecksumWay::Command::XCommand)
        text = xCommandOf(chosen.algorithm);
    QCOMPARE(text, way);
    QCOMPARE(offer.hashSelected.has_value(), selectedKnown);
}

// A reply yields a digest only when it holds one of the algorithm asked
// for, of its exact length, for the whole file.
void TestFtpParsing::digestFromChecksumReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("hash"); // HASH, else an X command
    QTest::addColumn<QByteArray>("algorithm");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("digest"); // "" for none
    const QByteArray sha = "99803d72107fbcca443d82e25f830d861b92a829fc1233c24d706cea59414a3f";
    const QByteArray md5 = "3e545974ce8ccd31d8d6c3815e4745f8";
    QTest::newRow("HASH, end after the last byte")
        << "213-Computing SHA-256 digest\n213 SHA-256 0-5000 " + sha + " f.bin" << true
        << QByteArray("SHA-256") << qint64(5000) << sha;
    QTest::newRow("HASH, end at the last byte")
        << "213 SHA-256 0-4999 " + sha + " a name with blanks" << true << QByteArray("SHA-256")
        << qint64(5000) << sha;
    QTest::newRow("HASH, empty file")
        << "213 MD5 0-0 " + md5 + " e" << true << QByteArray("MD5") << qint64(0) << md5;
    QTest::newRow("HASH, upper-case hex")
        << "213 MD5 0-10 " + md5.toUpper() + " f" << true << QByteArray("MD5") << qint64(10) << md5;
    QTest::newRow("HASH, part of the file")
        << "213 SHA-256 0-2500 " + sha + " f" << true << QByteArray("SHA-256") << qint64(5000)
        << QByteArray();
    QTest::newRow("HASH, not from the start")
        << "213 SHA-256 1-5000 " + sha + " f" << true << QByteArray("SHA-256") << qint64(5000)
        << QByteArray();
    QTest::newRow("HASH, size not known") << "213 SHA-256 0-5000 " + sha + " f" << true
                                          << QByteArray("SHA-256") << qint64(-1) << QByteArray();
    QTest::newRow("HASH, another algorithm")
        << "213 MD5 0-5000 " + md5 + " f" << true << QByteArray("SHA-256") << qint64(5000)
        << QByteArray();
    QTest::newRow("HASH, digest too long") << "213 SHA-256 0-5000 " + sha + "0 f" << true
                                           << QByteArray("SHA-256") << qint64(5000) << QByteArray();
    QTest::newRow("HASH, not hex") << "213 SHA-256 0-5000 " + QByteArray(64, 'g') + " f" << true
                                   << QByteArray("SHA-256") << qint64(5000) << QByteArray();
    QTest::newRow("HASH, range not a number")
        << "213 SHA-256 0-5e3 " + sha + " f" << true << QByteArray("SHA-256") << qint64(5000)
        << QByteArray();
    QTest::newRow("HASH refused") << QByteArray("550 f: Permission denied") << true
                                  << QByteArray("SHA-256") << qint64(5000) << QByteArray();
    QTest::newRow("HASH answered 250")
        << "250 " + sha << true << QByteArray("SHA-256") << qint64(5000) << QByteArray();
    QTest::newRow("X, ProFTPD") << "250-Computing SHA256 digest\n250 " + sha.toUpper() << false
                                << QByteArray("SHA-256") << qint64(5000) << sha;
    QTest::newRow("X, CRC32") << QByteArray("250 F375E4E0") << false << QByteArray("CRC32")
                              << qint64(5000) << QByteArray("f375e4e0");
    QTest::newRow("X, CRC32 without its leading zeros")
        << QByteArray("250 375E4E0") << false << QByteArray("CRC32") << qint64(5000)
        << QByteArray();
    QTest::newRow("X, MD5 where SHA-1 was asked")
        << "250 " + md5 << false << QByteArray("SHA-1") << qint64(5000) << QByteArray();
    QTest::newRow("X refused") << QByteArray("500 XMD5 not understood") << false
                               << QByteArray("MD5") << qint64(5000) << QByteArray();
}

void TestFtpParsing::digestFromChecksumReply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, hash);
    QFETCH(QByteArray, algorithm);
    QFETCH(qint64, size);
    QFETCH(QByteArray, digest);
    const HashAlgorithm asked = *hashByName(algorithm);
    const ReplyLines lines = replyOf(reply);
    const std::optional<QByteArray> found =
        hash ? hashReplyDigest(lines, asked, size) : xReplyDigest(lines, asked);
    QCOMPARE(found.value_or(QByteArray()), digest);
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
    // ASCII is passed over four characters at a time: a byte kept after
    // whole blocks of it, and in the last, short one.
    QTest::newRow("kept byte after eight ASCII characters")
        << QByteArray("abcdefgh\xE9") << QStringLiteral("abcdefgh") + QChar(0xDCE9)
        << QStringLiteral("abcdefghé") << QStringLiteral("abcdefgh") + mark;
    QTest::newRow("kept byte in the fifth place of nine")
        << QByteArray("abcd\xE9xyzw")
        << QStringLiteral("abcd") + QChar(0xDCE9) + QStringLiteral("xyzw")
        << QStringLiteral("abcdéxyzw") << QStringLiteral("abcd") + mark + QStringLiteral("xyzw");
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
