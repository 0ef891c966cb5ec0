#include "security_questions.h"

#include "common/prompter.h"

namespace {

using Decision = SecurityPrompts::Decision;

QString serverName(const PeerIdentity& peer) {
    return QStringLiteral("%1 (port %2)").arg(QString::fromUtf8(peer.host)).arg(peer.port);
}

QString shownDate(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd"));
}

QString certificateDetails(const PeerIdentity& peer) {
    return QStringLiteral("Subject: %1\nIssuer: %2\nValid from %3 to %4\nSHA-256 fingerprint:\n%5")
        .arg(peer.subject, peer.issuer, shownDate(peer.validFrom), shownDate(peer.validUntil),
             peer.fingerprint);
}

SecurityQuestions::Question newCertificate(const PeerIdentity& peer) {
    SecurityQuestions::Question q;
    q.title = QStringLiteral("Certificate Not Trusted");
    q.text = QStringLiteral("The certificate of %1 cannot be verified.\n%2\n\n%3\n\n"
                            "Trust it only if you know it is the server's own certificate.")
                 .arg(serverName(peer), peer.reasons.join(u'\n'), certificateDetails(peer));
    q.buttons = {QStringLiteral("Trust this certificate"), QStringLiteral("Connect once"),
                 QStringLiteral("Cancel")};
    q.decisions = {Decision::Trust, Decision::ConnectOnce, Decision::Cancel};
    return q;
}

SecurityQuestions::Question changedCertificate(const PeerIdentity& peer) {
    SecurityQuestions::Question q;
    q.title = QStringLiteral("Certificate Changed");
    q.text = QStringLiteral("WARNING: the certificate of %1 is not the one you trusted.\n"
                            "Someone may be intercepting the connection, or the server may have "
                            "a new certificate.\n\nTrusted before (SHA-256):\n%2\n\nShown now:\n%3")
                 .arg(serverName(peer), peer.knownFingerprint, certificateDetails(peer));
    q.buttons = {QStringLiteral("Trust the new certificate"), QStringLiteral("Connect once"),
                 QStringLiteral("Cancel")};
    q.decisions = {Decision::Trust, Decision::ConnectOnce, Decision::Cancel};
    return q;
}

SecurityQuestions::Question newHostKey(const PeerIdentity& peer) {
    SecurityQuestions::Question q;
    q.title = QStringLiteral("Unknown Host Key");
    q.text = QStringLiteral("%1 has not been seen before. Its host key is:\n\n%2\n\n"
                            "Trust it only if it matches the fingerprint the server's "
                            "administrator gave you.")
                 .arg(serverName(peer), sshKeyLine(peer));
    q.buttons = {QStringLiteral("Trust this key"), QStringLiteral("Connect once"),
                 QStringLiteral("Cancel")};
    q.decisions = {Decision::Trust, Decision::ConnectOnce, Decision::Cancel};
    return q;
}

SecurityQuestions::Question changedHostKey(const PeerIdentity& peer) {
    SecurityQuestions::Question q;
    q.title = QStringLiteral("Host Key Changed");
    q.text = QStringLiteral("WARNING: the host key of %1 has changed, and the connection was "
                            "refused.\nSomeone may be intercepting the connection, or the server "
                            "may have new keys.\n\nTrusted key: %2\nKey shown now: %3\n\n"
                            "Remove the old key only if you know the server's key was changed; "
                            "you will then be asked about the new one.")
                 .arg(serverName(peer), peer.knownFingerprint, sshKeyLine(peer));
    q.buttons = {QStringLiteral("Remove the old key"), QStringLiteral("Cancel")};
    q.decisions = {Decision::ForgetOldKey, Decision::Cancel};
    return q;
}

} // namespace

SecurityQuestions::Question SecurityQuestions::questionFor(const PeerIdentity& peer) {
    const bool changed = peer.problem == PeerIdentity::Problem::Changed;
    Question q;
    if (peer.kind == PeerIdentity::Kind::HostKey)
        q = changed ? changedHostKey(peer) : newHostKey(peer);
    else
        q = changed ? changedCertificate(peer) : newCertificate(peer);
    // Enter trusts nothing: trusting takes a deliberate choice.
    q.defaultButton = int(q.decisions.indexOf(Decision::Cancel));
    return q;
}

SecurityPrompts::Decision SecurityQuestions::decide(const PeerIdentity& peer) {
    const Question q = questionFor(peer);
    const int cancel = int(q.buttons.size()) - 1;
    const int pressed = m_prompter.choose(q.text, q.title, Prompter::Icon::Warning, q.buttons,
                                          q.defaultButton, cancel);
    return q.decisions.value(pressed, Decision::Cancel);
}

std::optional<QString> SecurityQuestions::passphrase(const QString& keyFile) {
    return m_prompter.password(QStringLiteral("Passphrase of the key file\n%1:").arg(keyFile),
                               QStringLiteral("Key File Passphrase"));
}

// Nothing has been sent yet: the password leaves only after a yes, and
// Enter answers no.
SecurityPrompts::Decision SecurityQuestions::clearText(const QByteArray& host, long port) {
    const QString text =
        QStringLiteral("The server does not offer encryption. Continue in clear text?\n\n"
                       "%1 (port %2) did not agree to switch to TLS, or someone between you "
                       "and it prevented it. In clear text your password and your files can "
                       "be read and changed on the way.")
            .arg(QString::fromUtf8(host))
            .arg(port);
    bool always = false;
    const int pressed =
        m_prompter.choose(text, QStringLiteral("Not Encrypted"), Prompter::Icon::Warning,
                          {QStringLiteral("Continue in clear text"), QStringLiteral("Cancel")}, 1,
                          1, QStringLiteral("Always for this server"), &always);
    if (pressed != 0)
        return Decision::Cancel;
    return always ? Decision::Trust : Decision::ConnectOnce;
}
