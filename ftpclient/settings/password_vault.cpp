#include "password_vault.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const char* const kServiceName = "tarlen";
const char* const kSecretServiceBusName = "org.freedesktop.secrets";
// Long enough for a keyring busy writing its file, short enough that a hung
// one does not look like a frozen window for long.
constexpr int kAnswerTimeoutMs = 5000;

// What became of one keychain job.
struct JobOutcome {
    bool answered = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString password; // read jobs only
};

// Starts `job` and waits for its end or the timeout. The job deletes itself
// once finished, also when that is only after we stopped waiting: the
// connection below belongs to the local loop and ends with it.
// QtKeychain talks to the Secret Service through libsecret, whose answers
// arrive through GLib's main context: Qt's GLib event dispatcher (its
// default on Linux) runs it, one started with QT_NO_GLIB=1 never hears back.
JobOutcome runJob(QKeychain::Job* job) {
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    JobOutcome outcome;
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        outcome.answered = true;
        outcome.error = done->error();
        outcome.errorText = done->errorString();
        if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(done))
            outcome.password = reading->textData();
        loop.quit();
    });
    QTimer::singleShot(kAnswerTimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome.answered)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

// The sentence for a failed job; `action` says what was tried ("store the
// password").
QString failureText(const JobOutcome& outcome, const QString& action) {
    if (!outcome.answered)
        return QStringLiteral("The desktop keyring did not answer within %1 seconds; could not %2.")
            .arg(kAnswerTimeoutMs / 1000)
            .arg(action);
    if (outcome.error == QKeychain::AccessDeniedByUser)
        return QStringLiteral("Access to the desktop keyring was refused; could not %1.")
            .arg(action);
    return QStringLiteral("The desktop keyring could not %1: %2").arg(action, outcome.errorText);
}

class DesktopKeyring : public PasswordVault {
public:
    bool available() override;
    bool store(const QString& account, const QString& password, QString* error) override;
    std::optional<QString> read(const QString& account, QString* error) override;
    bool remove(const QString& account, QString* error) override;

private:
    bool checkAvailable(QString* error);
};

// Only a Secret Service that already owns its name on the session bus
// counts, not one the bus could start on demand: asking the bus daemon who
// owns a name is one quick round trip and starts nothing, whereas a keyring
// started by activation outside a desktop session that unlocked it comes up
// locked (or without any keyring), and the first store would then ask the
// user for a keyring password out of the blue, or hang where no prompt can
// be shown.
bool DesktopKeyring::available() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> owned =
        bus.interface()->isServiceRegistered(QString::fromLatin1(kSecretServiceBusName));
    return owned.isValid() && owned.value();
}

bool DesktopKeyring::checkAvailable(QString* error) {
    if (available())
        return true;
    setError(error, QStringLiteral("No desktop keyring (Secret Service) is running."));
    return false;
}

bool DesktopKeyring::store(const QString& account, const QString& password, QString* error) {
    if (!checkAvailable(error))
        return false;
    auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    job->setTextData(password);
    const JobOutcome outcome = runJob(job);
    if (outcome.answered && outcome.error == QKeychain::NoError)
        return true;
    setError(error, failureText(outcome, QStringLiteral("store the password")));
    return false;
}

std::optional<QString> DesktopKeyring::read(const QString& account, QString* error) {
    setError(error, QString());
    if (!checkAvailable(error))
        return std::nullopt;
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    const JobOutcome outcome = runJob(job);
    if (outcome.answered && outcome.error == QKeychain::NoError)
        return outcome.password;
    if (!(outcome.answered && outcome.error == QKeychain::EntryNotFound))
        setError(error, failureText(outcome, QStringLiteral("read the password")));
    return std::nullopt;
}

bool DesktopKeyring::remove(const QString& account, QString* error) {
    if (!checkAvailable(error))
        return false;
    auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    const JobOutcome outcome = runJob(job);
    // Nothing to remove is what the caller wanted, too.
    if (outcome.answered &&
        (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound))
        return true;
    setError(error, failureText(outcome, QStringLiteral("remove the password")));
    return false;
}

} // namespace

std::unique_ptr<PasswordVault> makeDesktopKeyring() {
    return std::make_unique<DesktopKeyring>();
}

QString vaultAccount(const QString& user, const QString& address) {
    return user + u'@' + address;
}
