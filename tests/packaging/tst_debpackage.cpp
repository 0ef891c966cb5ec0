// The Debian package CPack makes of this build tree, read back with dpkg-deb:
// it holds what the install puts down, below /usr only, and depends on what
// its programs and libraries link.
#include "install_layout.h"
#include "install_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace installtest;

class TestDebPackage : public QObject {
    Q_OBJECT
    QTemporaryDir m_out;
    QString m_deb;

    QString field(const QString& name) {
        const RunResult result =
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, name});
        return result.exitCode == 0 ? result.out.trimmed() : QString();
    }

    // One control file of the package, empty when it has none.
    QString controlFile(const QString& name) {
        const RunResult result =
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), m_deb, name});
        return result.exitCode == 0 ? result.out : QString();
    }

private slots:
    // cpack with the project's package settings. Its files come from the
    // build tree's install script, the one `cmake --install` runs, rather
    // than through cpack's default of first checking every target of the
    // build (which takes longer than the rest); the build is complete when
    // the tests run. Stripped as CPack strips the package's own files.
    void initTestCase() {
        if (findTool(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("dpkg-shlibdeps is not installed (Debian: dpkg-dev)");
        QVERIFY(m_out.isValid());
        const RunResult result =
            run(QStringLiteral(TARLEN_CPACK_COMMAND),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                 QStringLiteral(TARLEN_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                 m_out.path(), QStringLiteral("-D"),
                 QStringLiteral("CPACK_INSTALL_CMAKE_PROJECTS="), QStringLiteral("-D"),
                 QStringLiteral("CPACK_INSTALL_SCRIPTS=" TARLEN_BUILD_DIR "/cmake_install.cmake"),
                 QStringLiteral("-D"), QStringLiteral("CMAKE_INSTALL_DO_STRIP=1")},
                QProcessEnvironment::systemEnvironment(), m_out.path());
        QVERIFY2(result.exitCode == 0, qPrintable(describe(QStringLiteral("cpack"), result)));
        const QStringList debs = QDir(m_out.path()).entryList({QStringLiteral("tarlen_*.deb")});
        QCOMPARE(debs.size(), 1);
        m_deb = m_out.filePath(debs.first());
    }

    void holdsEveryInstalledFileBelowUsr() {
        const RunResult listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
        QVERIFY2(listing.exitCode == 0,
                 qPrintable(describe(QStringLiteral("dpkg-deb -c"), listing)));
        // "perms owner size date time ./path[ -> target]"
        QSet<QString> paths;
        QStringList outsideUsr;
        static const QRegularExpression entry(
            QStringLiteral("^\\S+ \\S+ +\\d+ \\S+ \\S+ \\.(/\\S*)"));
        for (const QString& line : listing.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QString path = entry.match(line).captured(1);
            QVERIFY2(!path.isEmpty(), qPrintable(line));
            paths.insert(path);
            if (path != QStringLiteral("/") && !path.startsWith(QStringLiteral("/usr/")))
                outsideUsr << path;
        }
        QVERIFY2(outsideUsr.isEmpty(), qPrintable(outsideUsr.join(u'\n')));
        QStringList missing;
        for (const QString& path : expectedFiles()) {
            if (!paths.contains(path))
                missing << path;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
    }

    void describesItself() {
        QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("tarlen"));
        QCOMPARE(field(QStringLiteral("Version")), QStringLiteral(TARLEN_VERSION));
        QCOMPARE(field(QStringLiteral("Section")), QStringLiteral("net"));
        QVERIFY(QRegularExpression(QStringLiteral("^[^<>]+ <[^@<>\\s]+@[^@<>\\s]+>$"))
                    .match(field(QStringLiteral("Maintainer")))
                    .hasMatch());
        // A summary line and an extended description below it.
        const QStringList description = field(QStringLiteral("Description")).split(u'\n');
        QVERIFY2(description.size() > 2, qPrintable(description.join(u'\n')));
    }

    // dpkg-shlibdeps worked the dependencies out: the libraries the program,
    // libvantel and the Designer plugin link, each with a lowest version; the
    // package's own libvantel needs no other package. Qt's window system
    // plugins, which nothing links, are named by hand.
    void dependsOnWhatItLinks() {
        const QString depends = field(QStringLiteral("Depends"));
        QMap<QString, QString> versions;
        for (const QString& dependency : depends.split(u',', Qt::SkipEmptyParts)) {
            const QString item = dependency.trimmed();
            versions.insert(item.section(u' ', 0, 0), item.section(u' ', 1));
        }
        QStringList linked{QStringLiteral("libc6"),          QStringLiteral("libstdc++6"),
                           QStringLiteral("libqt6core6"),    QStringLiteral("libqt6gui6"),
                           QStringLiteral("libqt6widgets6"), QStringLiteral("libcurl4"),
                           QStringLiteral("libssl3"),        QStringLiteral("libqt6keychain1")};
        if (!QStringLiteral(TARLEN_DESIGNER_PLUGIN).isEmpty())
            linked << QStringLiteral("libqt6designer6");
        for (const QString& name : linked) {
            QVERIFY2(versions.value(name).startsWith(QLatin1String("(>= ")),
                     qPrintable(name + QStringLiteral(" not in: ") + depends));
        }
        QVERIFY2(versions.contains(QStringLiteral("qt6-qpa-plugins")), qPrintable(depends));
        QVERIFY2(versions.contains(QStringLiteral("libsecret-1-0")), qPrintable(depends));
        QVERIFY2(!versions.contains(QStringLiteral("tarlen")), qPrintable(depends));
    }

    // libvantel in the system's library folder: other packages can depend on
    // it through its shlibs entry, and installing runs ldconfig.
    void registersItsSharedLibrary() {
        QCOMPARE(controlFile(QStringLiteral("shlibs")).trimmed(),
                 QStringLiteral("libvantel " VANTEL_SOVERSION " tarlen (>= " TARLEN_VERSION ")"));
        QVERIFY2(controlFile(QStringLiteral("triggers")).contains(QLatin1String("ldconfig")),
                 "no ldconfig trigger");
    }

    // Debian's own checks of the package (about ten seconds).
    // Warnings may stay; an error would keep the package out of an archive.
    void lintianFindsNoErrors() {
        const QString tool = findTool(QStringLiteral("lintian"));
        if (tool.isEmpty())
            QSKIP("lintian is not installed");
        const RunResult result = run(tool, {m_deb});
        QVERIFY2(result.started, "lintian could not be started");
        QStringList errors;
        for (const QString& line : result.out.split(u'\n')) {
            if (line.startsWith(QLatin1String("E: ")))
                errors << line;
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
        QVERIFY2(result.exitCode == 0, qPrintable(describe(tool, result)));
    }
};

QTEST_GUILESS_MAIN(TestDebPackage)
#include "tst_debpackage.moc"
