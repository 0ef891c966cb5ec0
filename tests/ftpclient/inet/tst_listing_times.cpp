// The modification times listings give, for comparing folders: read from
// each form's own way of writing them, with how exact each one is, and
// whether it is UTC or the server's own clock.
#include "ftp_listing.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

namespace {

qint64 utc(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toSecsSinceEpoch();
}

} // namespace

class TestListingTimes : public QObject {
    Q_OBJECT

private slots:
    void timesAreReadToTheirPrecision_data();
    void timesAreReadToTheirPrecision();
};

void TestListingTimes::timesAreReadToTheirPrecision_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("mlsd");
    QTest::addColumn<qint64>("expected"); // -1: no time
    QTest::addColumn<int>("precision");
    QTest::addColumn<bool>("serverClock");
    const int seconds = int(TimePrecision::Seconds);
    const int minutes = int(TimePrecision::Minutes);
    const int days = int(TimePrecision::Days);
    // "Now" is 2026-12-08 12:00 UTC for every row.
    QTest::newRow("ls, this year") << QByteArray("-rw-r--r-- 1 ftp ftp 3 Dec  8 13:00 a") << false
                                   << utc("2026-12-08T13:00:00Z") << minutes << true;
    QTest::newRow("ls, a date ahead is last year")
        << QByteArray("-rw-r--r-- 1 ftp ftp 3 Dec 10 09:05 a") << false
        << utc("2025-12-10T09:05:00Z") << minutes << true;
    QTest::newRow("ls, with the year") << QByteArray("drwxr-xr-x 2 0 0 4096 Feb 29  2024 d")
                                       << false << utc("2024-02-29T00:00:00Z") << days << true;
    QTest::newRow("ls, full time")
        << QByteArray("-rw-r--r-- 1 u g 3 2023-07-09 18:02:33.000000000 +0000 a") << false
        << utc("2023-07-09T18:02:33Z") << seconds << true;
    QTest::newRow("DOS, afternoon") << QByteArray("07-09-23  06:02PM                 1234 a")
                                    << false << utc("2023-07-09T18:02:00Z") << minutes << true;
    QTest::newRow("DOS, just after midnight")
        << QByteArray("07-09-23  12:15AM       <DIR>          d") << false
        << utc("2023-07-09T00:15:00Z") << minutes << true;
    QTest::newRow("DOS, four digit year") << QByteArray("2023-07-09  18:02  1,234 a") << false
                                          << utc("2023-07-09T18:02:00Z") << minutes << true;
    QTest::newRow("MLSD") << QByteArray("type=file;size=3;modify=20230709180233.250; a") << true
                          << utc("2023-07-09T18:02:33Z") << seconds << false;
    QTest::newRow("EPLF") << QByteArray("+i8.9,m1688925753,r,s3,\ta") << false << qint64(1688925753)
                          << seconds << false;
    QTest::newRow("ls in another language") << QByteArray("-rw-r--r-- 1 u g 3 juil.  9 18:02 a")
                                            << false << qint64(-1) << seconds << false;
    QTest::newRow("MLSD without modify")
        << QByteArray("type=file;size=3; a") << true << qint64(-1) << seconds << false;
}

void TestListingTimes::timesAreReadToTheirPrecision() {
    QFETCH(QByteArray, line);
    QFETCH(bool, mlsd);
    QFETCH(qint64, expected);
    QFETCH(int, precision);
    QFETCH(bool, serverClock);
    const qint64 now = utc("2026-12-08T12:00:00Z");
    const std::optional<FtpListEntry> entry = mlsd ? parseMlsdLine(line) : parseListLine(line);
    QVERIFY(entry);
    qint64 seconds = -1;
    TimePrecision read = TimePrecision::Seconds;
    readListedTime(entry->time, now, &seconds, &read);
    QCOMPARE(seconds, expected);
    QCOMPARE(int(read), precision);
    QCOMPARE(givesServerClock(entry->time.form) && expected >= 0, serverClock);

    // Only a listing asked for its times carries them.
    FtpListingBuilder builder(mlsd, FtpNameCodec(true), QString());
    builder.feed(line + "\r\n");
    const RemoteListing listing = builder.finish();
    const auto& entries = listing.files.empty() ? listing.directories : listing.files;
    QCOMPARE(entries.size(), size_t(1));
    QCOMPARE(entries.front().modified, qint64(-1));
}

QTEST_GUILESS_MAIN(TestListingTimes)
#include "tst_listing_times.moc"
