#include "install_support.h"

#include "install_layout.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace installtest {

QStringList expectedFiles() {
    const QString id = QStringLiteral(TARLEN_APP_ID);
    const QString lib = QStringLiteral(TARLEN_LIBDIR);
    const QString data = QStringLiteral(TARLEN_DATADIR);
    QStringList files{
        QStringLiteral(TARLEN_BINDIR "/tarlen"),
        lib + QStringLiteral("/libvantel.so." VANTEL_VERSION),
        lib + QStringLiteral("/libvantel.so." VANTEL_SOVERSION),
        lib + QStringLiteral("/libvantel.so"),
        lib + QStringLiteral("/cmake/Vantel/VantelConfig.cmake"),
        lib + QStringLiteral("/cmake/Vantel/VantelConfigVersion.cmake"),
        lib + QStringLiteral("/cmake/Vantel/VantelTargets.cmake"),
        data + QStringLiteral("/applications/") + id + QStringLiteral(".desktop"),
        data + QStringLiteral("/metainfo/") + id + QStringLiteral(".metainfo.xml"),
        data + QStringLiteral("/icons/hicolor/scalable/apps/") + id + QStringLiteral(".svg"),
        QStringLiteral(TARLEN_MANDIR "/man1/tarlen.1.gz"),
        QStringLiteral(TARLEN_DOCDIR "/copyright"),
        QStringLiteral(TARLEN_DOCDIR "/changelog.gz"),
    };
    for (const QString& size : QStringLiteral(TARLEN_ICON_SIZES).split(u',')) {
        files << data + QStringLiteral("/icons/hicolor/%1x%1/apps/").arg(size) + id +
                     QStringLiteral(".png");
    }
    // Every public header of the list control, whatever gets added later.
    const QDir headers(QStringLiteral(VANTEL_HEADER_DIR));
    for (const QString& header : headers.entryList({QStringLiteral("*.h")}, QDir::Files))
        files << QStringLiteral(TARLEN_INCLUDEDIR "/vantel/") + header;
    if (!QStringLiteral(TARLEN_DESIGNER_PLUGIN).isEmpty())
        files << QStringLiteral(TARLEN_DESIGNER_PLUGIN);
    return files;
}

RunResult run(const QString& program, const QStringList& arguments,
              const QProcessEnvironment& environment, const QString& workingDirectory) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    RunResult result;
    result.started = process.waitForStarted();
    if (!result.started)
        return result;
    process.waitForFinished(-1);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString describe(const QString& program, const RunResult& result) {
    if (!result.started)
        return program + QStringLiteral(" could not be started");
    return QStringLiteral("%1 exited with %2:\n%3%4")
        .arg(program)
        .arg(result.exitCode)
        .arg(result.out, result.err);
}

QString findTool(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

} // namespace installtest
