// `cmake --install` of this build tree into a temporary DESTDIR: every file
// lands where a desktop and a developer look for it, and what the files say
// about each other holds.
#include "install_layout.h"
#include "install_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace installtest;

namespace {

const QString kAppId = QStringLiteral(TARLEN_APP_ID);

// The [Desktop Entry] group of a desktop file as key -> value.
QMap<QString, QString> readDesktopEntry(const QString& path) {
    QMap<QString, QString> entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inGroup = line == QStringLiteral("[Desktop Entry]");
        else if (inGroup && line.contains(u'='))
            entry.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return entry;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir m_destdir;

    QString installed(const QString& path) const { return m_destdir.path() + path; }

private slots:
    void initTestCase() {
        QVERIFY(m_destdir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_destdir.path());
        const RunResult result =
            run(QStringLiteral(TARLEN_CMAKE_COMMAND),
                {QStringLiteral("--install"), QStringLiteral(TARLEN_BUILD_DIR)}, env);
        QVERIFY2(result.exitCode == 0,
                 qPrintable(describe(QStringLiteral("cmake --install"), result)));
    }

    void installsEveryFile() {
        QStringList missing;
        for (const QString& path : expectedFiles()) {
            if (!QFileInfo::exists(installed(path)))
                missing << path;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
        // The library's links lead to the versioned file.
        const QString lib = installed(QStringLiteral(TARLEN_LIBDIR "/libvantel.so"));
        QCOMPARE(QFileInfo(lib).canonicalFilePath(),
                 QFileInfo(lib + QStringLiteral("." VANTEL_VERSION)).canonicalFilePath());
    }

    void pngIconsHaveTheSizeOfTheirFolder() {
        for (const QString& size : QStringLiteral(TARLEN_ICON_SIZES).split(u',')) {
            const QImage icon(
                installed(QStringLiteral(TARLEN_DATADIR "/icons/hicolor/%1x%1/apps/").arg(size) +
                          kAppId + QStringLiteral(".png")));
            QVERIFY2(!icon.isNull(), qPrintable(size));
            QCOMPARE(icon.size(), QSize(size.toInt(), size.toInt()));
        }
    }

    // The menu entry starts the installed program with a link, shows the
    // installed icon and is offered for ftp, ftps and sftp links.
    void desktopEntryNamesInstalledFiles() {
        const auto entry = readDesktopEntry(installed(
            QStringLiteral(TARLEN_DATADIR "/applications/") + kAppId + QStringLiteral(".desktop")));
        QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("tarlen %u"));
        QVERIFY(QFileInfo(installed(QStringLiteral(TARLEN_BINDIR "/tarlen"))).isExecutable());
        QCOMPARE(entry.value(QStringLiteral("Icon")), kAppId);
        const QStringList types =
            entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
        for (const char* scheme : {"ftp", "ftps", "sftp"})
            QVERIFY2(types.contains(QStringLiteral("x-scheme-handler/") + QLatin1String(scheme)),
                     scheme);
        const QStringList categories =
            entry.value(QStringLiteral("Categories")).split(u';', Qt::SkipEmptyParts);
        QVERIFY(categories.contains(QStringLiteral("Network")));
        QVERIFY(categories.contains(QStringLiteral("FileTransfer")));
    }

    // Software centres find the menu entry through the metainfo, and its
    // newest release is this version.
    void metainfoMatchesEntryAndVersion() {
        QFile file(installed(QStringLiteral(TARLEN_DATADIR "/metainfo/") + kAppId +
                             QStringLiteral(".metainfo.xml")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString id, launchable, newestRelease;
        bool screenshot = false, rating = false;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto name = xml.name();
            if (name == QLatin1String("id"))
                id = xml.readElementText();
            else if (name == QLatin1String("launchable"))
                launchable = xml.readElementText();
            else if (name == QLatin1String("release") && newestRelease.isEmpty())
                newestRelease = xml.attributes().value(QLatin1String("version")).toString();
            else if (name == QLatin1String("screenshot"))
                screenshot = true;
            else if (name == QLatin1String("content_rating"))
                rating = true;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(id, kAppId);
        QCOMPARE(launchable, kAppId + QStringLiteral(".desktop"));
        QCOMPARE(newestRelease, QStringLiteral(TARLEN_VERSION));
        QVERIFY(screenshot);
        QVERIFY(rating);
    }

    void desktopFileValidatorAccepts() {
        const QString tool = findTool(QStringLiteral("desktop-file-validate"));
        if (tool.isEmpty())
            QSKIP("desktop-file-validate is not installed (Debian: desktop-file-utils)");
        const RunResult result =
            run(tool, {installed(QStringLiteral(TARLEN_DATADIR "/applications/") + kAppId +
                                 QStringLiteral(".desktop"))});
        // It reports problems on standard output and exits 0 with hints only.
        QVERIFY2(result.exitCode == 0 && result.out.isEmpty(), qPrintable(describe(tool, result)));
    }

    void appstreamValidatorAccepts() {
        const QString tool = findTool(QStringLiteral("appstreamcli"));
        if (tool.isEmpty())
            QSKIP("appstreamcli is not installed (Debian: appstream)");
        const RunResult result = run(tool, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                            installed(QStringLiteral(TARLEN_DATADIR "/metainfo/") +
                                                      kAppId + QStringLiteral(".metainfo.xml"))});
        QVERIFY2(result.exitCode == 0, qPrintable(describe(tool, result)));
    }

    void manPageFormatsWithoutWarnings() {
        const QString tool = findTool(QStringLiteral("man"));
        if (tool.isEmpty())
            QSKIP("man is not installed (Debian: man-db)");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        const RunResult result =
            run(tool,
                {QStringLiteral("--warnings"), QStringLiteral("-l"), QStringLiteral("-Tutf8"),
                 installed(QStringLiteral(TARLEN_MANDIR "/man1/tarlen.1.gz"))},
                env);
        QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), qPrintable(describe(tool, result)));
        QVERIFY(result.out.contains(QLatin1String("tarlen")));
    }

    // A developer's project finds the installed package and builds against
    // every public header and the library.
    void vantelPackageBuildsAProgram() {
        QTemporaryDir project;
        QVERIFY(project.isValid());
        QFile lists(project.filePath(QStringLiteral("CMakeLists.txt")));
        QVERIFY(lists.open(QIODevice::WriteOnly));
        lists.write("cmake_minimum_required(VERSION 3.25)\n"
                    "project(uses_vantel CXX)\n"
                    "set(CMAKE_CXX_STANDARD 20)\n"
                    "find_package(Vantel " VANTEL_SOVERSION " REQUIRED)\n"
                    "add_executable(uses_vantel main.cpp)\n"
                    "target_link_libraries(uses_vantel PRIVATE Vantel::vantel)\n");
        lists.close();
        QFile main(project.filePath(QStringLiteral("main.cpp")));
        QVERIFY(main.open(QIODevice::WriteOnly));
        main.write("#include <QApplication>\n");
        const QDir headers(installed(QStringLiteral(TARLEN_INCLUDEDIR "/vantel")));
        for (const QString& header : headers.entryList({QStringLiteral("*.h")}, QDir::Files))
            main.write("#include <vantel/" + header.toUtf8() + ">\n");
        main.write("int main(int argc, char** argv) {\n"
                   "    QApplication app(argc, argv);\n"
                   "    CVantelCtrl list;\n"
                   "    return list.ListCount();\n"
                   "}\n");
        main.close();

        const QString cmake = QStringLiteral(TARLEN_CMAKE_COMMAND);
        const QString build = project.filePath(QStringLiteral("build"));
        RunResult result =
            run(cmake, {QStringLiteral("-S"), project.path(), QStringLiteral("-B"), build,
                        QStringLiteral("-DCMAKE_PREFIX_PATH=") +
                            installed(QStringLiteral(TARLEN_PREFIX))});
        QVERIFY2(result.exitCode == 0, qPrintable(describe(QStringLiteral("cmake"), result)));
        // The package found is the one just installed, not one of the system.
        QFile cache(build + QStringLiteral("/CMakeCache.txt"));
        QVERIFY(cache.open(QIODevice::ReadOnly));
        const QRegularExpression vantelDir(QStringLiteral("^Vantel_DIR:PATH=(.*)$"),
                                           QRegularExpression::MultilineOption);
        QCOMPARE(vantelDir.match(QString::fromUtf8(cache.readAll())).captured(1),
                 installed(QStringLiteral(TARLEN_LIBDIR "/cmake/Vantel")));
        result = run(cmake, {QStringLiteral("--build"), build});
        QVERIFY2(result.exitCode == 0,
                 qPrintable(describe(QStringLiteral("cmake --build"), result)));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
