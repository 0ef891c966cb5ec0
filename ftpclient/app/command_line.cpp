#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

CommandLine stopWith(int exitCode, const QString& output) {
    CommandLine line;
    line.exitCode = exitCode;
    line.output = output;
    return line;
}

CommandLine usageError(const QString& why) {
    return stopWith(2, QStringLiteral("%1: %2\nTry \"%1 --help\" for more.\n")
                           .arg(QCoreApplication::applicationName(), why));
}

// The parser names the program after the running executable, which it
// cannot know before the application object exists.
QString helpText(const QCommandLineParser& parser) {
    QString text = parser.helpText();
    const qsizetype endOfUsage = text.indexOf(u'\n');
    return text.replace(
        0, endOfUsage,
        QStringLiteral("Usage: %1 [options] [url]").arg(QCoreApplication::applicationName()));
}

} // namespace

CommandLine readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A two-pane file transfer client for FTP, FTP over TLS and SFTP.\n\n"
        "Given a URL, it connects straight away (with the saved profile of that server "
        "and user, when there is one) and opens the folder the URL names."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("ftp://, ftps:// or sftp:// "
                                                "[user[:password]@]host[:port][/folder]"),
                                 QStringLiteral("[url]"));
    if (!parser.parse(arguments)) {
        CommandLine line = usageError(parser.errorText());
        line.unknownOptions = true;
        return line;
    }
    if (parser.isSet(help))
        return stopWith(0, helpText(parser));
    if (parser.isSet(version))
        return stopWith(0, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                         QCoreApplication::applicationVersion()));

    CommandLine line;
    const QStringList urls = parser.positionalArguments();
    if (urls.size() > 1)
        return usageError(QStringLiteral("only one URL can be opened at a time."));
    if (urls.size() == 1) {
        QString error;
        line.target = parseLaunchUrl(urls.first(), &error);
        if (!line.target)
            return usageError(error);
    }
    return line;
}
