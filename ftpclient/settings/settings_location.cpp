#include "settings_location.h"

#include <QDir>
#include <QStandardPaths>

QString settingsFilePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config");
    return dir + QStringLiteral("/tarlen.ini");
}
