// File names that are not plain ASCII go to the server exactly as it listed
// them: Latin-1 names from a server without UTF-8, and names that are not
// valid UTF-8 from one with it. vsftpd stores names byte for byte either way.
#include "ftp_test_server.h"
#include "inet.h"
#include "inet_test_helper.h"
#include "raw_names.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Creates a file whose name is given as raw bytes.
bool createRawName(const QString& dir, const QByteArray& name, const QByteArray& content) {
    const QByteArray path = QFile::encodeName(dir) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

bool rawNameExists(const QString& dir, const QByteArray& name) {
    return ::access((QFile::encodeName(dir) + '/' + name).constData(), F_OK) == 0;
}

FtpTestServer::Options withUtf8(bool utf8) {
    FtpTestServer::Options options;
    options.utf8 = utf8;
    return options;
}

} // namespace

class TestInetNames : public QObject {
    Q_OBJECT

private slots:
    void latin1ServerNamesRoundTrip();
    void invalidUtf8NamesRoundTrip();

private:
    static std::unique_ptr<Inet> connectTo(const FtpTestServer& server) {
        auto inet = std::make_unique<Inet>();
        inet->setRequestTimeout(20);
        inet->setURL(server.address());
        return inet;
    }
};

void TestInetNames::latin1ServerNamesRoundTrip() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd, withUtf8(false));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(createRawName(server.root(), "caf\xE9 menu.txt", "latin-1 name"));
    QVERIFY(createRawName(server.root(),
                          "gr\xC3\xBC\xC3\x9F"
                          "e.txt",
                          "utf-8 bytes"));
    auto inet = connectTo(server);

    // UTF-8 bytes are read as UTF-8 although the server never said so; the
    // Latin-1 name keeps its bytes, and shows as Latin-1.
    const CommandOutcome list = runCommand(*inet, QStringLiteral("DIR"));
    QVERIFY(list.ok());
    const QStringList names = listingLines(list.reply);
    QCOMPARE(names.size(), 2);
    QVERIFY(names.contains(QStringLiteral("grüße.txt")));
    const QString latin1Name = names.filter(QStringLiteral("menu")).value(0);
    QCOMPARE(RawName::shownAsLatin1(latin1Name), QStringLiteral("café menu.txt"));

    const QString dir = server.root() + u'/';
    QTemporaryDir local;
    const QString localPath = local.path() + u'/' + latin1Name;
    QVERIFY(runCommand(*inet, QStringLiteral("GET ") + dir + latin1Name + u' ' + localPath).ok());
    QVERIFY(rawNameExists(local.path(), "caf\xE9 menu.txt"));

    // A new name typed by the user goes as UTF-8.
    QVERIFY(runCommand(*inet, QStringLiteral("RENAME ") + dir + latin1Name + u' ' + dir +
                                  QStringLiteral("tarte à l'été.txt"))
                .ok());
    QVERIFY(!rawNameExists(server.root(), "caf\xE9 menu.txt"));
    QVERIFY(QFile::exists(server.root() + QStringLiteral("/tarte à l'été.txt")));
    QVERIFY(runCommand(*inet, QStringLiteral("DELETE ") + dir + QStringLiteral("grüße.txt")).ok());
    QVERIFY(!rawNameExists(server.root(), "gr\xC3\xBC\xC3\x9F"
                                          "e.txt"));
    // Qt cannot name this file to remove it with the temporary directory.
    ::unlink((QFile::encodeName(local.path()) + "/caf\xE9 menu.txt").constData());
}

void TestInetNames::invalidUtf8NamesRoundTrip() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd, withUtf8(true));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(createRawName(server.root(), "bad\xFF one.txt", "first"));
    QVERIFY(createRawName(server.root(), "bad\xFE two.txt", "second"));
    QVERIFY(createRawName(server.root(),
                          "gr\xC3\xBC\xC3\x9F"
                          "e.txt",
                          "valid"));
    auto inet = connectTo(server);

    const CommandOutcome list = runCommand(*inet, QStringLiteral("DIR"));
    QVERIFY(list.ok());
    const QStringList names = listingLines(list.reply);
    QCOMPARE(names.size(), 3);
    QVERIFY(names.contains(QStringLiteral("grüße.txt")));

    const QString dir = server.root() + u'/';
    const QString one = names.filter(QStringLiteral("one")).value(0);
    const QString two = names.filter(QStringLiteral("two")).value(0);
    QVERIFY(runCommand(*inet, QStringLiteral("RENAME ") + dir + one + u' ' + dir +
                                  QStringLiteral("fixed.txt"))
                .ok());
    QVERIFY(!rawNameExists(server.root(), "bad\xFF one.txt"));
    QVERIFY(rawNameExists(server.root(), "fixed.txt"));

    QTemporaryDir local;
    QVERIFY(runCommand(*inet, QStringLiteral("GET ") + dir + two + u' ' + local.path() + u'/' + two)
                .ok());
    QVERIFY(rawNameExists(local.path(), "bad\xFE two.txt"));
    ::unlink((QFile::encodeName(local.path()) + "/bad\xFE two.txt").constData());

    QVERIFY(runCommand(*inet, QStringLiteral("DELETE ") + dir + two).ok());
    QVERIFY(!rawNameExists(server.root(), "bad\xFE two.txt"));
}

QTEST_GUILESS_MAIN(TestInetNames)
#include "tst_inet_names.moc"
