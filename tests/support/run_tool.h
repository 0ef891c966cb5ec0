#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a command-line tool to its end (at most a minute), feeding it `input`.
// False, with *error saying what it printed, unless it exits with 0; its
// standard output goes to *output when given.
bool runTool(const QString& program, const QStringList& arguments, QString* error,
             QByteArray* output = nullptr, const QByteArray& input = {},
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// Waits until a server started as `process` prints "PORT <n>" on its standard
// output, at most `timeoutMs`; n, or 0 when it stops or says no such thing.
quint16 announcedPort(QProcess& process, int timeoutMs = 15000);

// The full path of a tool on PATH, else /usr/bin/<name>.
QString toolPath(const char* name);
