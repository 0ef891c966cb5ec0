#include "password_scramble.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int MaxKeyLength = 256;

// Weights of the key positions 1 .. K (entry 0 is unused).
struct Weights {
    std::array<short, MaxKeyLength + 1> KeyWeights{};
    int K = 0;

    explicit Weights(const QString& sKey) {
        K = int(qMin<qsizetype>(sKey.size(), MaxKeyLength));
        for (int i = 1; i <= K; ++i)
            KeyWeights[i] = short(sKey[i - 1].unicode() + i);
    }

    // The weight for character i (from 0) of a text. With an empty key every
    // character takes entry 1, which is 0.
    int at(qsizetype i) const { return K == 0 ? KeyWeights[1] : KeyWeights[1 + i % K]; }
};

} // namespace

qsizetype unstorablePWChar(const QString& sPW, const QString& sKey) {
    const Weights weights(sKey);
    for (qsizetype i = 0; i < sPW.size(); ++i) {
        const int c = sPW[i].unicode();
        if (c > 255 || c + weights.at(i) > 255)
            return i;
    }
    return -1;
}

std::optional<QString> ScramblePW(const QString& sPW, const QString& sKey) {
    if (unstorablePWChar(sPW, sKey) >= 0)
        return std::nullopt;
    const Weights weights(sKey);
    QString result(sPW.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < sPW.size(); ++i)
        result[i] = QChar(char16_t(sPW[i].unicode() + weights.at(i)));
    return result;
}

QString UnscramblePW(const QString& sStored, const QString& sKey) {
    const Weights weights(sKey);
    QString result(sStored.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < sStored.size(); ++i)
        result[i] = QChar(char16_t(std::abs(int(sStored[i].unicode()) - weights.at(i))));
    return result;
}
