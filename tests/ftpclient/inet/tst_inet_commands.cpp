// Every command of the transfer component against a real server. The same
// cases run against pyftpdlib (MLSD) and vsftpd (LIST only, a login directory
// that is not "/"), both announcing UTF-8, against vsftpd with explicit and
// with implicit TLS, and against OpenSSH's sshd over SFTP: pass "pyftpdlib",
// "vsftpd", "ftps-explicit", "ftps-implicit" or "sftp" as first argument.
#include "control_characters.h"
#include "inet.h"
#include "inet_test_helper.h"
#include "protocol_test_server.h"
#include "silent_server.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray patternBytes(int size) {
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 131 + i / 7) & 0xFF);
    return b;
}

} // namespace

class TestInetCommands : public QObject {
    Q_OBJECT

public:
    explicit TestInetCommands(ProtocolTestServer::Mode mode)
        : m_server(mode) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstCommandConnectsAndReportsStatesInOrder();
    void pwdReportsLoginDirectory();
    void listingShowsFilesAndDirectories();
    void listingPatternFiltersFilesOnly();
    void listingSortsDirectoriesAndFilesByName();
    void listingOfMissingDirectoryIsServerError();
    void listingOfADirectoryWhateverItsName_data();
    void listingOfADirectoryWhateverItsName();
    void downloadCopiesBytesExactly_data();
    void downloadCopiesBytesExactly();
    void uploadCopiesBytesExactly();
    void smallUploadsInARowKeepTheLogin();
    void progressReachesTotal();
    void failedDownloadKeepsExistingLocalFile();
    void deleteMakeRemoveRename();
    void serverRefusalGives12003WithReplyText();
    void busyComponentRaises35764AndChangesNothing();
    void unsafeCommandIsRefusedAndNothingSent_data();
    void unsafeCommandIsRefusedAndNothingSent();
    void namesWithControlCharactersAreNotListed();
    void eventsNeverComeFromInsideExecute();
    void quitClosesAndNextCommandReconnects();

private:
    bool servedByVsftpd() const {
        return m_server.ftp() && m_server.ftp()->kind() == FtpTestServer::Kind::Vsftpd;
    }

    QString remote(const QString& relative) const {
        QString dir = m_server.loginDir();
        if (!dir.endsWith(u'/'))
            dir += u'/';
        return dir + relative;
    }

    ProtocolTestServer m_server;
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<QTemporaryDir> m_local;
};

void TestInetCommands::initTestCase() {
    const QString unavailable = ProtocolTestServer::unavailableReason(m_server.mode());
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestInetCommands::init() {
    m_server.clearRoot();
    QVERIFY(m_server.writeFile(QStringLiteral("a.txt"), "alpha\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("B.TXT"), "bravo\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("my file.txt"), "with a blank\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("odd #%?;type=a.bin"), "odd characters\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("grüße.txt"), "non-ascii\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("docs/readme.md"), "docs\n"));
    QVERIFY(m_server.writeFile(QStringLiteral("big.bin"), patternBytes(3 * 1024 * 1024 + 17)));
    QVERIFY(m_server.makeDirectory(QStringLiteral("my dir")));

    m_local = std::make_unique<QTemporaryDir>();
    m_inet = std::make_unique<Inet>();
    m_inet->setRequestTimeout(20);
    m_inet->setURL(m_server.address());
    m_inet->setUserName(m_server.userName());
    m_inet->setPassword(m_server.password());
    m_inet->setServerProtocol(m_server.protocol());
    m_inet->setSecurityOptions(m_server.trustedOptions());
}

void TestInetCommands::cleanup() {
    m_inet.reset();
    m_local.reset();
}

void TestInetCommands::firstCommandConnectsAndReportsStatesInOrder() {
    const CommandOutcome first = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(first.ok());
    QCOMPARE(first.states, (QList<short>{1, 2, 3, 4, 5, 6, 7, 8, 12}));

    // The connection stays open: the next command only reports its own states.
    const CommandOutcome second = runCommand(*m_inet, QStringLiteral("DIR"));
    QVERIFY(second.ok());
    QCOMPARE(second.states, (QList<short>{5, 6, 7, 8, 12}));
}

void TestInetCommands::pwdReportsLoginDirectory() {
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(out.ok());
    QCOMPARE(out.reply, m_server.loginDir());
    QCOMPARE(m_inet->RemoteHost(), QStringLiteral("127.0.0.1"));
}

void TestInetCommands::listingShowsFilesAndDirectories() {
    for (const QString& command : {QStringLiteral("DIR"), QStringLiteral("LS ") + remote(QString()),
                                   QStringLiteral("DIR ") + remote(QStringLiteral("*"))}) {
        const CommandOutcome out = runCommand(*m_inet, command);
        QVERIFY2(out.ok(), qPrintable(QString(command + QStringLiteral(": ") + out.responseInfo)));
        QVERIFY(out.reply.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(listingLines(out.reply),
                 (QStringList{"B.TXT", "a.txt", "big.bin", "docs/", "grüße.txt", "my dir/",
                              "my file.txt", "odd #%?;type=a.bin"}));
    }
    const CommandOutcome sub = runCommand(*m_inet, QStringLiteral("LS ") + remote("my dir/"));
    QVERIFY(sub.ok());
    QCOMPARE(sub.reply, QString());
    const CommandOutcome docs = runCommand(*m_inet, QStringLiteral("LS ") + remote("docs/*"));
    QCOMPARE(docs.reply, QStringLiteral("readme.md\r\n"));
}

void TestInetCommands::listingPatternFiltersFilesOnly() {
    const CommandOutcome txt = runCommand(*m_inet, QStringLiteral("LS ") + remote("*.txt"));
    QVERIFY(txt.ok());
    QCOMPARE(listingLines(txt.reply),
             (QStringList{"B.TXT", "a.txt", "docs/", "grüße.txt", "my dir/", "my file.txt"}));
    const CommandOutcome one = runCommand(*m_inet, QStringLiteral("LS ") + remote("?.txt"));
    QCOMPARE(listingLines(one.reply), (QStringList{"B.TXT", "a.txt", "docs/", "my dir/"}));
}

// Whatever order the server reads its folder in (an SFTP server's is the
// file system's), directories and files come sorted by name without regard
// to case.
void TestInetCommands::listingSortsDirectoriesAndFilesByName() {
    const QStringList made{"golf",    "Bravo", "Hotel", "alpha",
                           "Foxtrot", "Delta", "echo",  "charlie"};
    for (const QString& name : made) {
        QVERIFY(m_server.makeDirectory(QStringLiteral("sorted/") + name));
        QVERIFY(m_server.writeFile(QStringLiteral("sorted/") + name + QStringLiteral(".txt"), "x"));
    }
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("LS ") + remote("sorted/"));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    const SharedListing listing = m_inet->Listing();
    QVERIFY(listing);
    QStringList directories, files;
    for (const RemoteEntry& entry : listing->directories)
        directories << entry.name;
    for (const RemoteEntry& entry : listing->files)
        files << entry.name;
    const QStringList sorted{"alpha", "Bravo",   "charlie", "Delta",
                             "echo",  "Foxtrot", "golf",    "Hotel"};
    QCOMPARE(directories, sorted);
    QStringList sortedFiles;
    for (const QString& name : sorted)
        sortedFiles << name + QStringLiteral(".txt");
    QCOMPARE(files, sortedFiles);
}

void TestInetCommands::listingOfMissingDirectoryIsServerError() {
    if (servedByVsftpd())
        QSKIP("vsftpd answers a listing of a missing directory with an empty one");
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("LS ") + remote("nowhere/*"));
    QVERIFY(out.finished);
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12003);
    if (m_server.protocol() != ServerProtocol::Sftp)
        QVERIFY2(out.responseInfo.startsWith(u'5'), qPrintable(out.responseInfo));
}

// Whatever a directory is called, and wherever the connection went before,
// its listing holds its own entries.
void TestInetCommands::listingOfADirectoryWhateverItsName_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("enterAnotherFirst");
    QTest::newRow("plain") << "plain" << false;
    QTest::newRow("two levels down") << "docs/inner" << false;
    QTest::newRow("like an option") << "-l" << false;
    QTest::newRow("like a home") << "~root" << false;
    QTest::newRow("leading blank") << " lead" << false;
    QTest::newRow("after entering another") << "plain" << true;
}

void TestInetCommands::listingOfADirectoryWhateverItsName() {
    QFETCH(QString, directory);
    QFETCH(bool, enterAnotherFirst);
    QVERIFY(m_server.writeFile(directory + QStringLiteral("/marker.txt"), "x"));
    if (enterAnotherFirst) {
        FtpCommand enter = FtpCommand::list(QStringLiteral("LS"), remote("docs/"));
        enter.enterFirst = true;
        QVERIFY(runCommand(*m_inet, enter).ok());
    }
    const CommandOutcome out =
        runCommand(*m_inet, QStringLiteral("LS ") + remote(directory + u'/'));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(out.reply, QStringLiteral("marker.txt\r\n"));
}

void TestInetCommands::downloadCopiesBytesExactly_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "a.txt";
    QTest::newRow("blank") << "my file.txt";
    QTest::newRow("url characters") << "odd #%?;type=a.bin";
    QTest::newRow("non-ascii") << "grüße.txt";
    QTest::newRow("3 MiB") << "big.bin";
    QTest::newRow("in sub-directory") << "docs/readme.md";
}

void TestInetCommands::downloadCopiesBytesExactly() {
    QFETCH(QString, name);
    const QString fileName = name.section(u'/', -1);
    const QString local = m_local->path() + u'/' + fileName;
    const CommandOutcome out =
        runCommand(*m_inet, QStringLiteral("GET ") + remote(name) + u' ' + local);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(local), readFile(m_server.root() + u'/' + name));
    // Nothing but the file itself is left behind.
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
}

void TestInetCommands::uploadCopiesBytesExactly() {
    const QByteArray content = patternBytes(1024 * 1024 + 3);
    const QString local = m_local->path() + QStringLiteral("/up load.bin");
    QVERIFY(writeFile(local, content));
    const CommandOutcome out =
        runCommand(*m_inet, QStringLiteral("PUT ") + local + u' ' + remote("up load.bin"));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(m_server.root() + QStringLiteral("/up load.bin")), content);

    const QString empty = m_local->path() + QStringLiteral("/empty.txt");
    QVERIFY(writeFile(empty, {}));
    QVERIFY(runCommand(*m_inet, QStringLiteral("PUT ") + empty + u' ' + remote("empty.txt")).ok());
    QCOMPARE(readFile(m_server.root() + QStringLiteral("/empty.txt")), QByteArray());
}

// Servers that want each TLS data connection to resume the session of the
// commands (vsftpd's and ProFTPD's default) refuse one that offers a spent
// session ticket: small uploads one after another, then a listing and a
// download, all succeed; and all on the first login where the server sends
// a new ticket on every data connection (ProFTPD sends none on uploads).
void TestInetCommands::smallUploadsInARowKeepTheLogin() {
    const bool loginKept = m_server.mode() != ProtocolTestServer::Mode::FtpsProftpd;
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QStringList commands;
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("small %1.txt").arg(i);
        QVERIFY(writeFile(m_local->filePath(name), QByteArray(i * 7, 'x')));
        commands << QStringLiteral("PUT ") + m_local->filePath(name) + u' ' + remote(name);
    }
    const QString back = m_local->filePath(QStringLiteral("back/small 11.txt"));
    QVERIFY(QDir().mkpath(m_local->filePath(QStringLiteral("back"))));
    commands << QStringLiteral("DIR")
             << QStringLiteral("GET ") + remote("small 11.txt") + u' ' + back;
    for (const QString& command : commands) {
        const CommandOutcome out = runCommand(*m_inet, command);
        QVERIFY2(out.ok(), qPrintable(command + u' ' + out.responseInfo));
        if (loginKept)
            QVERIFY2(!out.states.contains(short(InetState::Connecting)), qPrintable(command));
    }
    QCOMPARE(readFile(back), QByteArray(77, 'x'));
}

void TestInetCommands::progressReachesTotal() {
    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    const QString local = m_local->path() + QStringLiteral("/big.bin");
    QVERIFY(runCommand(*m_inet, QStringLiteral("GET ") + remote("big.bin") + u' ' + local).ok());
    QVERIFY(!progress.isEmpty());
    const qint64 size = QFileInfo(local).size();
    QCOMPARE(progress.last().at(0).toLongLong(), size);
    QCOMPARE(progress.last().at(1).toLongLong(), size);

    progress.clear();
    QVERIFY(runCommand(*m_inet, QStringLiteral("PUT ") + local + u' ' + remote("big.bin")).ok());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toLongLong(), size);
    QCOMPARE(progress.last().at(1).toLongLong(), size);
}

void TestInetCommands::failedDownloadKeepsExistingLocalFile() {
    const QString local = m_local->path() + QStringLiteral("/gone.txt");
    QVERIFY(writeFile(local, "precious"));
    const CommandOutcome out =
        runCommand(*m_inet, QStringLiteral("GET ") + remote("gone.txt") + u' ' + local);
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12003);
    QCOMPARE(readFile(local), QByteArray("precious"));
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"gone.txt"});
}

void TestInetCommands::deleteMakeRemoveRename() {
    const QString root = m_server.root();
    QVERIFY(runCommand(*m_inet, QStringLiteral("DELETE ") + remote("my file.txt")).ok());
    QVERIFY(!QFile::exists(root + QStringLiteral("/my file.txt")));

    QVERIFY(runCommand(*m_inet, QStringLiteral("MKDIR ") + remote("new dir")).ok());
    QVERIFY(QFileInfo(root + QStringLiteral("/new dir")).isDir());
    QVERIFY(runCommand(*m_inet, QStringLiteral("RMDIR ") + remote("new dir")).ok());
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/new dir")));

    QVERIFY(runCommand(*m_inet, QStringLiteral("RENAME ") + remote("grüße.txt") + u' ' +
                                    remote("grüße 2.txt"))
                .ok());
    QCOMPARE(readFile(root + QStringLiteral("/grüße 2.txt")), QByteArray("non-ascii\n"));

    const CommandOutcome listing = runCommand(*m_inet, QStringLiteral("LS ") + remote("*"));
    QVERIFY(listing.reply.contains(QStringLiteral("grüße 2.txt\r\n")));
    QVERIFY(!listing.reply.contains(QStringLiteral("my file.txt")));
}

void TestInetCommands::serverRefusalGives12003WithReplyText() {
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("DELETE ") + remote("nope.txt"));
    QVERIFY(out.finished);
    QCOMPARE(out.states.last(), short(11));
    QVERIFY(!out.states.contains(12));
    QCOMPARE(out.responseCode, 12003);
    // An SFTP server has no reply lines: its refusal comes in libcurl's words.
    const QString refusal = m_server.protocol() == ServerProtocol::Sftp
                                ? QStringLiteral("No such file")
                                : QStringLiteral("550 ");
    QVERIFY2(out.responseInfo.contains(refusal), qPrintable(out.responseInfo));

    // A refusal leaves the connection usable.
    const CommandOutcome next = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(next.ok());
    QCOMPARE(next.states, (QList<short>{5, 6, 7, 8, 12}));
}

void TestInetCommands::busyComponentRaises35764AndChangesNothing() {
    const QString local = m_local->path() + QStringLiteral("/big.bin");
    m_inet->Execute(m_inet->URL(), QStringLiteral("GET ") + remote("big.bin") + u' ' + local);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                m_inet->Execute(m_inet->URL(), QStringLiteral("DELETE ") + remote("a.txt"));
            else
                m_inet->GetChunk(1024);
            QFAIL("no error raised while a command runs");
        } catch (const InetError& e) {
            QCOMPARE(e.number(), 35764);
            QVERIFY(!e.description().isEmpty());
        }
    }
    QVERIFY(m_inet->StillExecuting());
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 20000));
    QCOMPARE(readFile(local), readFile(m_server.root() + QStringLiteral("/big.bin")));
    QVERIFY(QFile::exists(m_server.root() + QStringLiteral("/a.txt")));
}

// A control character in a path, the user name, the password or the address
// stops the command before anything reaches the server: the DELE it would
// smuggle after the login never runs. No message shows the password.
void TestInetCommands::unsafeCommandIsRefusedAndNothingSent_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("said");
    const QString dele = QStringLiteral("DELE ") + remote("a.txt");
    const QString user = m_server.userName();
    const QString password = m_server.password();
    const QString address = m_server.address();
    const QString lineBreak = QStringLiteral("line break");
    QTest::newRow("CR LF in a path") << QStringLiteral("DELETE ") + remote("b\r\n") + dele << user
                                     << password << address << lineBreak;
    QTest::newRow("tab in a path") << QStringLiteral("DELETE ") + remote("a\t.txt") << user
                                   << password << address << QStringLiteral("A path");
    QTest::newRow("line separator in a path")
        << QStringLiteral("LS ") + remote(QStringLiteral("x\u2028") + dele) << user << password
        << address << QStringLiteral("A path");
    QTest::newRow("CR LF in the password")
        << "PWD" << user << password + QStringLiteral("\r\n") + dele << address << "password";
    QTest::newRow("NEL in the password")
        << "PWD" << user << password + QChar(0x85) + dele << address << "password";
    QTest::newRow("LF in the user name")
        << "PWD" << user + QStringLiteral("\n") + dele << password << address << "user name";
    QTest::newRow("DEL in the user name")
        << "PWD" << user + QChar(0x7F) << password << address << "user name";
    QTest::newRow("encoded CR LF in the address")
        << "PWD" << user << password << QStringLiteral("ftp://") + address + "/%0D%0A" + dele
        << "host address";
}

void TestInetCommands::unsafeCommandIsRefusedAndNothingSent() {
    QFETCH(QString, command);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, address);
    QFETCH(QString, said);
    m_inet->setUserName(user);
    m_inet->setPassword(password);
    StateRecorder recorder(*m_inet);
    try {
        m_inet->Execute(address, command);
        QFAIL("a command with a control character was accepted");
    } catch (const InetError& e) {
        QVERIFY(e.number() != 35764);
        QVERIFY2(e.description().contains(said), qPrintable(e.description()));
        QVERIFY(password.isEmpty() || !e.description().contains(password));
    }
    QVERIFY(!m_inet->StillExecuting());
    QVERIFY(recorder.states.isEmpty());

    // Put right, the same component runs the next command; had anything of
    // the refused one gone ahead, its states would come before this one's.
    m_inet->setUserName(m_server.userName());
    m_inet->setPassword(m_server.password());
    const CommandOutcome next = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(next.ok());
    QCOMPARE(recorder.states, next.states);
    QVERIFY(QFile::exists(m_server.root() + QStringLiteral("/a.txt")));
}

// A name holding a control character is no entry, whether the server ends
// its lines with CR LF (FTP) or libcurl with a bare LF (SFTP): "cr" followed
// by a CR never passes for the file "cr".
void TestInetCommands::namesWithControlCharactersAreNotListed() {
    m_server.clearRoot();
    const QList<QByteArray> unsafe = {"cr\r", "tab\tname", "del\x7f", "nel\xC2\x85",
                                      "sep\xE2\x80\xA8"};
    for (const QByteArray& name : unsafe + QList<QByteArray>{"cr"}) {
        const QByteArray path = QFile::encodeName(m_server.root()) + '/' + name;
        QFile file(QFile::decodeName(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name);
    }
    const CommandOutcome list = runCommand(*m_inet, QStringLiteral("DIR"));
    QVERIFY(list.ok());
    const QStringList names = listingLines(list.reply);
    QVERIFY2(names.count(QStringLiteral("cr")) == 1,
             qPrintable(names.join(u'|').toUtf8().toPercentEncoding("|")));
    for (const QString& name : names)
        QVERIFY2(!holdsControlCharacter(name), qPrintable(name.toUtf8().toPercentEncoding()));

    QTemporaryDir local;
    const QString target = local.path() + QStringLiteral("/cr");
    QVERIFY(runCommand(*m_inet, FtpCommand::get(remote("cr"), target)).ok());
    QCOMPARE(readFile(target), QByteArray("cr"));
}

void TestInetCommands::eventsNeverComeFromInsideExecute() {
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    StateRecorder recorder(*m_inet);
    m_inet->Execute(m_inet->URL(), QStringLiteral("PWD"));
    QVERIFY(recorder.states.isEmpty());
    QVERIFY(m_inet->StillExecuting());
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 20000));
    QCOMPARE(recorder.states.last(), short(12));
}

void TestInetCommands::quitClosesAndNextCommandReconnects() {
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    const CommandOutcome quit = runCommand(*m_inet, QStringLiteral("QUIT"));
    QCOMPARE(quit.states, (QList<short>{9, 10, 12}));
    const CommandOutcome again = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(again.ok());
    QCOMPARE(again.states, (QList<short>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::optional<ProtocolTestServer::Mode> mode =
        argc > 1 ? ProtocolTestServer::modeNamed(QString::fromLatin1(argv[1])) : std::nullopt;
    if (mode) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    TestInetCommands test(mode.value_or(ProtocolTestServer::Mode::Pyftpdlib));
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inet_commands.moc"
