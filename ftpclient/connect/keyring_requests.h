#pragma once

#include "host_profiles.h"

#include <QObject>
#include <QPointer>

#include <functional>

class PasswordVault;
class Prompter;
class QWidget;

// What the connect dialog asks of the keyring: the passwords of its profiles
// read, kept and removed there, how many of those requests are yet to be
// answered, and the Save or Connect that waits for them. A password read for
// one showing of a profile never lands in another (see showAnew()).
class KeyringRequests : public QObject {
    Q_OBJECT

public:
    // `profiles` and `dialog` (its title heads what the user is told)
    // outlive this.
    KeyringRequests(HostProfiles& profiles, Prompter& prompter, QWidget& dialog);

    // Not owned; none: passwords stay in the settings file.
    void setVault(PasswordVault* vault) { m_vault = vault; }
    // A keyring runs: "Save Password" files passwords there.
    bool keyringRuns() const;
    bool busy() const { return m_requests > 0; }
    // The keyring is yet to give the password of the profile shown.
    bool passwordOnItsWay() const { return m_passwordOnItsWay; }

    // Another profile, or none, is shown: a password still on its way for the
    // one before goes to its profile only, and a Save that waited for it is
    // dropped with the fields it was for.
    void showAnew();
    // Reads the password of profile k, which the keyring keeps, into the
    // profile, and tells passwordArrived() when the same showing of it is
    // still up. A keyring that cannot give it says why.
    void fetchPassword(int k);
    // Saves profile k's password in the keyring when one runs. Should the
    // keyring refuse it, the profile keeps it in the settings file,
    // scrambled, and profilesChanged() says so once more.
    void keepPassword(int k);
    // Removes the password of a profile deleted, when the keyring keeps it.
    void forgetPassword(const HostInfo& gone);
    // Who keeps the profiles once the dialog is gone: a save the keyring
    // refuses after that reaches `refused` (the profile's position and
    // account), for as long as `context` lives, so that the password is not
    // lost between a keyring that refused it and a settings file that holds
    // none for it.
    using LateRefusal = std::function<void(int k, const QString& account)>;
    void answerLateSavesTo(QObject* context, LateRefusal refused);

    // Save goes on once the password shown has come, Connect once the
    // keyring answered all (saveMayGoOn(), connectMayGoOn()).
    void saveWhenAnswered() { m_saveWhenAnswered = true; }
    void connectWhenAnswered() { m_connectWhenAnswered = true; }
    // The dialog is done: nothing waits any longer.
    void dropWaiting();

signals:
    // The password of the profile shown, read from the keyring.
    void passwordArrived(const QString& password);
    void profilesChanged();
    void saveMayGoOn();
    void connectMayGoOn();

private:
    void saveAnswered(int k, const QString& account, bool stored);
    void answered();

    HostProfiles& m_profiles;
    Prompter& m_prompter;
    QWidget& m_dialog;
    PasswordVault* m_vault = nullptr;
    QPointer<QObject> m_lateContext;
    LateRefusal m_lateRefusal;
    int m_requests = 0;
    bool m_saveWhenAnswered = false;
    bool m_connectWhenAnswered = false;
    // Moves on with each profile or empty form shown.
    quint64 m_showing = 0;
    bool m_passwordOnItsWay = false;
};
