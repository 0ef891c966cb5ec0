#include "client_errors.h"

#include "prompter.h"

#include "inet_error.h"

#include <vantel/vantelerror.h>

#include <QApplication>

namespace {

bool g_busy = false;

} // namespace

QString errorDescription(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const InetError& e) {
        return e.description();
    } catch (const VantelError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void reportError(Prompter& prompter, const QString& prefix, const std::exception_ptr& error) {
    reportError(prompter, prefix, errorDescription(error));
}

void reportError(Prompter& prompter, const QString& prefix, const QString& description) {
    prompter.beep();
    setBusyPointer(false);
    prompter.message(prefix + description, Titles::Caption, Prompter::Icon::Critical);
}

void setBusyPointer(bool busy) {
    if (busy == g_busy)
        return;
    g_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool busyPointer() {
    return g_busy;
}
