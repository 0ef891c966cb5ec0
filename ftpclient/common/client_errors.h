#pragma once

#include <QString>

#include <exception>

class Prompter;

// The titles of the client's message boxes.
namespace Titles {
inline const QString Caption = QStringLiteral("Qoro Consulting FTP");
inline const QString Short = QStringLiteral("Qoro FTP");
} // namespace Titles

// The description of a run-time failure, for the client's error messages.
QString errorDescription(const std::exception_ptr& error);

// The standard report of a run-time failure: a beep, the normal pointer and
// a critical message box with `prefix` followed by the failure's description.
void reportError(Prompter& prompter, const QString& prefix, const std::exception_ptr& error);
void reportError(Prompter& prompter, const QString& prefix, const QString& description);

// The program's mouse pointer: busy (an arrow with an hourglass) or normal.
void setBusyPointer(bool busy);
bool busyPointer();
