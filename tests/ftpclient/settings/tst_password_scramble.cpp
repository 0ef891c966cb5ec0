// Scrambling of stored passwords with the client's key.
#include "password_scramble.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QString Key = QStringLiteral("mavrq5216");
// The weight of each key position: code of the key character plus position.
const int Weights[9] = {110, 99, 121, 118, 118, 59, 57, 57, 63};

QString latin1(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace

class TestPasswordScramble : public QObject {
    Q_OBJECT

private slots:
    void emptyTexts();
    void knownScrambledForm();
    void keyRepeatsEveryNineCharacters();
    void printableAsciiRoundTrips();
    void codeBelowItsWeightGivesPositiveDifference();
    void emptyKeyChangesNothing();
    void unstorableCharactersAreFound();
};

void TestPasswordScramble::emptyTexts() {
    QCOMPARE(ScramblePW(QString(), Key), QString());
    QCOMPARE(UnscramblePW(QString(), Key), QString());
}

void TestPasswordScramble::knownScrambledForm() {
    // s+110, e+99, c+121, r+118, e+118, t+59
    QCOMPARE(ScramblePW(QStringLiteral("secret"), Key), latin1("\xE1\xC8\xDC\xE8\xDB\xAF"));
    QCOMPARE(UnscramblePW(latin1("\xE1\xC8\xDC\xE8\xDB\xAF"), Key), QStringLiteral("secret"));
}

void TestPasswordScramble::keyRepeatsEveryNineCharacters() {
    const QString password(20, u'a');
    const QString scrambled = ScramblePW(password, Key).value();
    QCOMPARE(scrambled.size(), password.size());
    QCOMPARE(scrambled[0], scrambled[9]);
    QCOMPARE(scrambled[1], scrambled[10]);
    QCOMPARE(scrambled[8], scrambled[17]);
    QVERIFY(scrambled[0] != scrambled[1]);
    for (int i = 0; i < password.size(); ++i)
        QCOMPARE(int(scrambled[i].unicode()), 'a' + Weights[i % 9]);
}

void TestPasswordScramble::printableAsciiRoundTrips() {
    QString all;
    for (char16_t c = 32; c < 127; ++c)
        all += QChar(c);
    QList<QString> passwords = {all, QStringLiteral(" "), QStringLiteral("~~~~~~~~~~~~~")};
    QRandomGenerator random(4);
    for (int n = 0; n < 200; ++n) {
        QString password;
        const int length = random.bounded(1, 40);
        for (int i = 0; i < length; ++i)
            password += QChar(char16_t(random.bounded(32, 127)));
        passwords << password;
    }
    for (const QString& password : passwords) {
        const std::optional<QString> scrambled = ScramblePW(password, Key);
        QVERIFY2(scrambled, qPrintable(password));
        QCOMPARE(scrambled->size(), password.size());
        QCOMPARE(UnscramblePW(*scrambled, Key), password);
    }
}

void TestPasswordScramble::codeBelowItsWeightGivesPositiveDifference() {
    // Code 10 at position 1 (weight 110) and code 100 at position 2 (weight 99).
    QCOMPARE(UnscramblePW(latin1("\x0A\x64"), Key), latin1("\x64\x01"));
}

void TestPasswordScramble::emptyKeyChangesNothing() {
    const QString text = latin1("pass\xE9\xFF");
    QCOMPARE(ScramblePW(text, QString()), text);
    QCOMPARE(UnscramblePW(text, QString()), text);
}

void TestPasswordScramble::unstorableCharactersAreFound() {
    // The highest storable code at each position is 255 minus its weight.
    for (int position = 0; position < 9; ++position) {
        QString fits = QString(position, u'a') + QChar(char16_t(255 - Weights[position]));
        QCOMPARE(unstorablePWChar(fits, Key), qsizetype(-1));
        QCOMPARE(UnscramblePW(ScramblePW(fits, Key).value(), Key), fits);
        QString over = QString(position, u'a') + QChar(char16_t(256 - Weights[position]));
        QCOMPARE(unstorablePWChar(over, Key), qsizetype(position));
        QCOMPARE(ScramblePW(over, Key), std::nullopt);
    }
    // No single-byte code at all.
    QCOMPARE(unstorablePWChar(QStringLiteral("ab\u20AC"), Key), qsizetype(2));
    QCOMPARE(unstorablePWChar(QStringLiteral("\U0001F600"), QString()), qsizetype(0));
    // The first offender is named.
    QCOMPARE(unstorablePWChar(latin1("abc\xFF\xFF"), Key), qsizetype(3));
}

QTEST_GUILESS_MAIN(TestPasswordScramble)
#include "tst_password_scramble.moc"
