#include "private_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool writePrivateFile(const QString& path, const QByteArray& content, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2").arg(path, why);
        return false;
    };
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("its folder could not be made"));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(content) != content.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
