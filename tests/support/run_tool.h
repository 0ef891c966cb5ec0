#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a command-line tool to its end (at most a minute), feeding it `input`.
// False, with *error saying what it printed, unless it exits with 0; its
// standard output goes to *output when given.
bool runTool(const QString& program, const QStringList& arguments, QString* error,
             QByteArray* output = nullptr, const QByteArray& input = {},
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The full path of a tool on PATH, else /usr/bin/<name>.
QString toolPath(const char* name);
