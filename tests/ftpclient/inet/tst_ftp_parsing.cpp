// The pure parts of the transfer component: command texts, addresses, listing
// lines and file-name encoding.
#include "ftp_address.h"
#include "ftp_command.h"
#include "ftp_listing.h"
#include "ftp_names.h"

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
    void listLines_data();
    void listLines();
    void mlsdLines_data();
    void mlsdLines();
    void listingTextDropsUnsafeNamesAndFilters();
    void listingTextHandlesUnterminatedAndBlankLines();
    void listingBuilderIgnoresChunkBoundaries();
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

void TestFtpParsing::listLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("directory");
    QTest::newRow("unix file")
        << QByteArray("-rw-r--r--    1 ftp      ftp          1234 Jan 16  2002 a.txt") << true
        << QByteArray("a.txt") << false;
    QTest::newRow("unix dir, time") << QByteArray("drwxr-xr-x 2 root root 4096 Dec  7 05:25 sub")
                                    << true << QByteArray("sub") << true;
    QTest::newRow("no group") << QByteArray("-rw-r--r-- 1 owner 77 Mar 3 2019 nogroup.bin") << true
                              << QByteArray("nogroup.bin") << false;
    QTest::newRow("numeric ids") << QByteArray("-rw-r--r-- 1 1000 1000 5 Feb 29 10:00 ids.txt")
                                 << true << QByteArray("ids.txt") << false;
    QTest::newRow("name with blanks") << QByteArray("-rw-r--r-- 1 u g 9 Jul 4 12:00 my  file .txt")
                                      << true << QByteArray("my  file .txt") << false;
    QTest::newRow("leading blank in name") << QByteArray("-rw-r--r-- 1 u g 9 Jul 4 12:00  lead")
                                           << true << QByteArray(" lead") << false;
    QTest::newRow("symlink") << QByteArray("lrwxrwxrwx 1 u g 7 Jul 4 12:00 link -> target.txt")
                             << true << QByteArray("link") << false;
    QTest::newRow("symlink to dir/")
        << QByteArray("lrwxrwxrwx 1 u g 7 Jul 4 12:00 pub -> /srv/pub/") << true
        << QByteArray("pub") << true;
    QTest::newRow("acl marker") << QByteArray("-rw-r--r--+ 1 u g 1 Jan 1 2000 acl") << true
                                << QByteArray("acl") << false;
    QTest::newRow("month-like owner")
        << QByteArray("-rw-r--r-- 1 Jan 12 100 Dec 1 12:00 x") << true << QByteArray("x") << false;
    QTest::newRow("dos dir") << QByteArray("01-16-02  11:14AM       <DIR>          docs") << true
                             << QByteArray("docs") << true;
    QTest::newRow("dos file") << QByteArray("01-16-2002  11:14PM             1234 read me.txt")
                              << true << QByteArray("read me.txt") << false;
    QTest::newRow("total line") << QByteArray("total 20") << false << QByteArray() << false;
    QTest::newRow("garbage") << QByteArray("Welcome to the server!") << false << QByteArray()
                             << false;
    QTest::newRow("truncated") << QByteArray("-rw-r--r-- 1 u g 9 Jul 4") << false << QByteArray()
                               << false;
}

void TestFtpParsing::listLines() {
    QFETCH(QByteArray, line);
    QFETCH(bool, parsed);
    QFETCH(QByteArray, name);
    QFETCH(bool, directory);
    const auto entry = parseListLine(line);
    QCOMPARE(bool(entry), parsed);
    if (entry) {
        QCOMPARE(entry->name.toByteArray(), name);
        QCOMPARE(entry->directory, directory);
    }
}

void TestFtpParsing::mlsdLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("directory");
    QTest::newRow("file") << QByteArray("type=file;size=3;modify=20200101000000; a.txt") << true
                          << QByteArray("a.txt") << false;
    QTest::newRow("dir, upper case")
        << QByteArray("Type=DIR;Modify=20200101000000; docs") << true << QByteArray("docs") << true;
    QTest::newRow("blanks in name")
        << QByteArray("type=file;size=1; my file ") << true << QByteArray("my file ") << false;
    QTest::newRow("cdir") << QByteArray("type=cdir;perm=el; .") << false << QByteArray() << false;
    QTest::newRow("pdir") << QByteArray("type=pdir; ..") << false << QByteArray() << false;
    QTest::newRow("no facts") << QByteArray("nofacts") << false << QByteArray() << false;
}

void TestFtpParsing::mlsdLines() {
    QFETCH(QByteArray, line);
    QFETCH(bool, parsed);
    QFETCH(QByteArray, name);
    QFETCH(bool, directory);
    const auto entry = parseMlsdLine(line);
    QCOMPARE(bool(entry), parsed);
    if (entry) {
        QCOMPARE(entry->name.toByteArray(), name);
        QCOMPARE(entry->directory, directory);
    }
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
