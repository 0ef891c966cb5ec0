// Numbers of the settings file: how they are written, how leniently they are
// read, and how they become 16-bit whole numbers; and sizes as the user reads
// them.
#include "number_format.h"

#include <QTest>

#include <limits>

class TestNumberFormat : public QObject {
    Q_OBJECT

private slots:
    void writing_data();
    void writing();
    void lenientReading_data();
    void lenientReading();
    void roundingAndRange_data();
    void roundingAndRange();
    void writtenNumbersReadBack();
    void dataSizes_data();
    void dataSizes();
};

void TestNumberFormat::writing_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("positive") << 1215.0 << " 1215";
    QTest::newRow("minus one") << -1.0 << "-1";
    QTest::newRow("fraction") << 12.5 << " 12.5";
    QTest::newRow("negative fraction") << -0.25 << "-0.25";
    QTest::newRow("large, no exponent") << 1e6 << " 1000000";
    QTest::newRow("16-bit limits") << 32767.0 << " 32767";
    QTest::newRow("beyond 16 bits") << -48000.0 << "-48000";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << " 0";
}

void TestNumberFormat::writing() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(value), text);
}

void TestNumberFormat::lenientReading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("space and digit") << " 3" << 3.0;
    QTest::newRow("trailing letters") << "3abc" << 3.0;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "  \t " << 0.0;
    QTest::newRow("tab and sign") << "\t-12" << -12.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("sign then blank") << "- 3" << 0.0;
    QTest::newRow("point fraction") << "2.75x" << 2.75;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("exponent") << "1.5e2" << 150.0;
    QTest::newRow("negative exponent") << "2E-1" << 0.2;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "4e+z" << 4.0;
    QTest::newRow("inner blank ends it") << "1 2" << 1.0;
    QTest::newRow("comma ends it") << "1,5" << 1.0;
    QTest::newRow("hex is not read") << "0x10" << 0.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
}

void TestNumberFormat::lenientReading() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(parseNumber(text), value);
}

void TestNumberFormat::roundingAndRange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("value");
    QTest::newRow("0.5 to even 0") << "0.5" << true << 0;
    QTest::newRow("1.5 to even 2") << "1.5" << true << 2;
    QTest::newRow("2.5 to even 2") << "2.5" << true << 2;
    QTest::newRow("-0.5 to even 0") << "-0.5" << true << 0;
    QTest::newRow("-1.5 to even -2") << "-1.5" << true << -2;
    QTest::newRow("-2.5 to even -2") << "-2.5" << true << -2;
    QTest::newRow("just below a half") << "2.4999" << true << 2;
    QTest::newRow("just above a half") << "2.5001" << true << 3;
    QTest::newRow("top") << "32767" << true << 32767;
    QTest::newRow("rounds down to top") << "32767.4" << true << 32767;
    QTest::newRow("rounds up past top") << "32767.5" << false << 0;
    QTest::newRow("past top") << "32768" << false << 0;
    QTest::newRow("bottom") << "-32768" << true << -32768;
    QTest::newRow("half below bottom, to even") << "-32768.5" << true << -32768;
    QTest::newRow("below bottom") << "-32768.6" << false << 0;
    QTest::newRow("minimised window") << "-48000" << false << 0;
    QTest::newRow("overflow of a double") << "1e999" << false << 0;
    QTest::newRow("underflow of a double") << "1e-999" << true << 0;
    QTest::newRow("not a number") << "abc" << true << 0;
}

void TestNumberFormat::roundingAndRange() {
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(int, value);
    const std::optional<short> result = parseInt16(text);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(int(*result), value);
}

void TestNumberFormat::writtenNumbersReadBack() {
    for (double value : {0.0, 1.0, -1.0, 4575.0, -32768.0, 32767.0, 0.1, -1234.0625, 1e300})
        QCOMPARE(parseNumber(formatNumber(value)), value);
}

void TestNumberFormat::dataSizes_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");
    constexpr qint64 KiB = 1024;
    constexpr qint64 MiB = KiB * KiB;
    QTest::newRow("nothing") << qint64(0) << "0 bytes"
                             << "0 bytes";
    QTest::newRow("one byte") << qint64(1) << "1 byte"
                              << "1 byte";
    QTest::newRow("just short of a KiB") << KiB - 1 << "1,023 bytes"
                                         << "1.023 bytes";
    QTest::newRow("one KiB") << KiB << "1.0 KiB"
                             << "1,0 KiB";
    QTest::newRow("a KiB and a half") << KiB + KiB / 2 << "1.5 KiB"
                                      << "1,5 KiB";
    QTest::newRow("rounds up to ten") << 10 * KiB - 20 << "10 KiB"
                                      << "10 KiB";
    QTest::newRow("640 KiB") << 640 * KiB << "640 KiB"
                             << "640 KiB";
    QTest::newRow("rounds up to the next unit") << MiB - 1 << "1.0 MiB"
                                                << "1,0 MiB";
    QTest::newRow("a thousand KiB is no MiB") << 1000 * KiB << "1,000 KiB"
                                              << "1.000 KiB";
    QTest::newRow("GiB") << 3 * KiB * MiB + 300 * MiB << "3.3 GiB"
                         << "3,3 GiB";
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "8.0 EiB"
                             << "8,0 EiB";
    QTest::newRow("negative shows as nothing") << qint64(-1) << "0 bytes"
                                               << "0 bytes";
}

// Counted in 1,024s, so labelled KiB, MiB and GiB, in the locale's digits.
void TestNumberFormat::dataSizes() {
    QFETCH(qint64, bytes);
    QFETCH(QString, english);
    QFETCH(QString, german);
    QCOMPARE(formatDataSize(bytes, QLocale(QLocale::English, QLocale::UnitedStates)), english);
    QCOMPARE(formatDataSize(bytes, QLocale(QLocale::German, QLocale::Germany)), german);
}

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_number_format.moc"
