#include "app/command_line.h"
#include "app/core_dumps.h"
#include "app/freed_memory.h"
#include "common/prompter.h"
#include "window/tarlen_frm.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int stop(const CommandLine& commandLine) {
    std::fputs(qPrintable(commandLine.output), *commandLine.exitCode == 0 ? stdout : stderr);
    return *commandLine.exitCode;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything reads a password, the command line's included.
    forbidCoreDumps();
    keepFreedMemory();
    QCoreApplication::setApplicationName(QStringLiteral("tarlen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARLEN_VERSION));
    // --help and --version are answered before any window needs a display.
    CommandLine commandLine = readCommandLine(argumentsOf(argc, argv));
    if (commandLine.exitCode && !commandLine.unknownOptions)
        return stop(commandLine);

    QApplication app(argc, argv);
    const FreedMemoryRelease release(std::chrono::minutes(1));
    // Ties the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarlen.Tarlen"));
    if (commandLine.unknownOptions) {
        // Read again without the toolkit's options.
        commandLine = readCommandLine(QApplication::arguments());
        if (commandLine.exitCode)
            return stop(commandLine);
    }
    WidgetPrompter prompter;
    TARLEN_Frm window(prompter);
    prompter.setParent(&window);
    window.Form_Load();
    window.show();
    if (commandLine.target)
        QTimer::singleShot(0, &window, [&] { window.connectAtStart(*commandLine.target); });
    return app.exec();
}
