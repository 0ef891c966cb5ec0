#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What the install and package tests share: the files the build installs and
// a way to run the tools that look at them.
namespace installtest {

// Every file `cmake --install` puts down, as absolute paths below the prefix.
QStringList expectedFiles();

// A program's output and how it ended; 'started' is false when it could not
// be run at all.
struct RunResult {
    bool started = false;
    int exitCode = -1;
    QString out;
    QString err;
};
RunResult run(const QString& program, const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
              const QString& workingDirectory = QString());

// "program: <stderr>" for a failure message.
QString describe(const QString& program, const RunResult& result);

// The path of a program on PATH, empty when it is not installed.
QString findTool(const QString& name);

} // namespace installtest
