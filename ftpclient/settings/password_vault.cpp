#include "password_vault.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <utility>

namespace {

const char* const kServiceName = "tarlen";
const char* const kSecretServiceBusName = "org.freedesktop.secrets";
// Long enough for a keyring busy writing its file, short enough that a hung
// one does not keep a login or a saved profile waiting for long.
constexpr int kAnswerTimeoutMs = 5000;

// What became of one keychain job.
struct JobOutcome {
    bool answered = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString password; // read jobs only
};

// Turns a job's outcome into the answer its caller gets.
using Interpretation = std::function<VaultAnswer(const JobOutcome&)>;

JobOutcome outcomeOf(QKeychain::Job* job) {
    JobOutcome outcome;
    outcome.answered = true;
    outcome.error = job->error();
    outcome.errorText = job->errorString();
    if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(job))
        outcome.password = reading->textData();
    return outcome;
}

// Hands `answer` to `done` from the event loop, unless `context` is gone by
// then.
void answerLater(QObject* context, const PasswordVault::Done& done, const VaultAnswer& answer) {
    QMetaObject::invokeMethod(
        context, [done, answer] { done(answer); }, Qt::QueuedConnection);
}

// Starts `job`; its end or the timeout, whichever comes first, is answered.
// The job deletes itself once finished, also when that is after the timeout
// or after `context` went: nothing of it refers to the vault or the asker.
// QtKeychain talks to the Secret Service through libsecret, whose answers
// arrive through GLib's main context: Qt's GLib event dispatcher (its
// default on Linux) runs it, one started with QT_NO_GLIB=1 never hears back.
void runJob(QKeychain::Job* job, QObject* context, const Interpretation& interpret,
            const PasswordVault::Done& done) {
    Q_ASSERT(context || !done);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    if (done) {
        auto answered = std::make_shared<bool>(false);
        const auto finish = [context, interpret, done, answered](const JobOutcome& outcome) {
            if (!std::exchange(*answered, true))
                answerLater(context, done, interpret(outcome));
        };
        QObject::connect(job, &QKeychain::Job::finished, context,
                         [finish](QKeychain::Job* finished) { finish(outcomeOf(finished)); });
        QTimer::singleShot(kAnswerTimeoutMs, Qt::PreciseTimer, context,
                           [finish] { finish(JobOutcome()); });
    }
    job->start();
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

VaultAnswer failure(const JobOutcome& outcome, const QString& action) {
    return VaultAnswer{failureText(outcome, action), std::nullopt};
}

class DesktopKeyring : public PasswordVault {
public:
    bool available() override;
    void store(const QString& account, const QString& password, QObject* context,
               Done done) override;
    void read(const QString& account, QObject* context, Done done) override;
    void remove(const QString& account, QObject* context, Done done) override;

private:
    // False, with the answer on its way, when no keyring runs.
    bool checkAvailable(QObject* context, const Done& done);
};

// Only a Secret Service that already owns its name on the session bus
// counts, not one the bus could start on demand: asking the bus daemon who
// owns a name is one quick round trip and starts nothing, whereas a keyring
// started by activation outside a desktop session that unlocked it comes up
// locked (or without any keyring), and the first store would then ask the
// user for a keyring password out of the blue, or hang where no prompt can
// be shown. The call blocks on the reply without running an event loop.
bool DesktopKeyring::available() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> owned =
        bus.interface()->isServiceRegistered(QString::fromLatin1(kSecretServiceBusName));
    return owned.isValid() && owned.value();
}

bool DesktopKeyring::checkAvailable(QObject* context, const Done& done) {
    Q_ASSERT(context || !done);
    if (available())
        return true;
    if (done)
        answerLater(context, done,
                    {QStringLiteral("No desktop keyring (Secret Service) is running."), {}});
    return false;
}

void DesktopKeyring::store(const QString& account, const QString& password, QObject* context,
                           Done done) {
    if (!checkAvailable(context, done))
        return;
    auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    job->setTextData(password);
    runJob(
        job, context,
        [](const JobOutcome& outcome) {
            if (outcome.answered && outcome.error == QKeychain::NoError)
                return VaultAnswer();
            return failure(outcome, QStringLiteral("store the password"));
        },
        done);
}

void DesktopKeyring::read(const QString& account, QObject* context, Done done) {
    if (!checkAvailable(context, done))
        return;
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    runJob(
        job, context,
        [](const JobOutcome& outcome) {
            if (outcome.answered && outcome.error == QKeychain::NoError)
                return VaultAnswer{QString(), outcome.password};
            if (outcome.answered && outcome.error == QKeychain::EntryNotFound)
                return VaultAnswer();
            return failure(outcome, QStringLiteral("read the password"));
        },
        done);
}

void DesktopKeyring::remove(const QString& account, QObject* context, Done done) {
    if (!checkAvailable(context, done))
        return;
    auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kServiceName));
    job->setKey(account);
    runJob(
        job, context,
        [](const JobOutcome& outcome) {
            // Nothing to remove is what the caller wanted, too.
            if (outcome.answered &&
                (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound))
                return VaultAnswer();
            return failure(outcome, QStringLiteral("remove the password"));
        },
        done);
}

} // namespace

std::unique_ptr<PasswordVault> makeDesktopKeyring() {
    return std::make_unique<DesktopKeyring>();
}

QString vaultAccount(const QString& user, const QString& address) {
    return user + u'@' + address;
}
