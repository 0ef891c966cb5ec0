#pragma once

#include "password_vault.h"

#include <QObject>
#include <QTest>

#include <optional>

// Asks a vault and waits for its answer, for tests that check what a keyring
// holds:
//
//     QCOMPARE(readFromVault(vault, account).password, std::optional<QString>("secret"));
//
// An answer that does not come (well past the vault's own time limit) reads
// as the error "no answer".
template <typename Request> VaultAnswer awaitVaultAnswer(Request request) {
    QObject asker;
    std::optional<VaultAnswer> answer;
    request(&asker, [&answer](const VaultAnswer& given) { answer = given; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 15000))
        return VaultAnswer{QStringLiteral("no answer"), std::nullopt};
    return *answer;
}

inline VaultAnswer readFromVault(PasswordVault& vault, const QString& account) {
    return awaitVaultAnswer([&](QObject* asker, PasswordVault::Done done) {
        vault.read(account, asker, std::move(done));
    });
}

inline VaultAnswer storeInVault(PasswordVault& vault, const QString& account,
                                const QString& password) {
    return awaitVaultAnswer([&](QObject* asker, PasswordVault::Done done) {
        vault.store(account, password, asker, std::move(done));
    });
}

inline VaultAnswer removeFromVault(PasswordVault& vault, const QString& account) {
    return awaitVaultAnswer([&](QObject* asker, PasswordVault::Done done) {
        vault.remove(account, asker, std::move(done));
    });
}
