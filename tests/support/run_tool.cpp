#include "run_tool.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

bool runTool(const QString& program, const QStringList& arguments, QString* error,
             QByteArray* output, const QByteArray& input, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start ") + program + QStringLiteral(": ") +
                 process.errorString();
        return false;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        *error = program + QStringLiteral(" did not finish");
        return false;
    }
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + u' ' + arguments.join(u' ') +
                 QStringLiteral(" failed (exit %1): ").arg(process.exitCode()) +
                 QString::fromLocal8Bit(process.readAllStandardError() + out);
        return false;
    }
    if (output)
        *output = out;
    return true;
}

QString toolPath(const char* name) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    return found.isEmpty() ? QStringLiteral("/usr/bin/") + QString::fromLatin1(name) : found;
}

quint16 announcedPort(QProcess& process, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QByteArray out;
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(200);
        out += process.readAllStandardOutput();
        const qsizetype at = out.indexOf("PORT ");
        const qsizetype eol = out.indexOf('\n', at);
        if (at >= 0 && eol > at)
            return quint16(out.mid(at + 5, eol - at - 5).trimmed().toUInt());
    }
    return 0;
}
