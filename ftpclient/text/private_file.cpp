#include "private_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool makePrivateFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (QDir(folder).exists())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

} // namespace

bool writePrivateFile(const QString& path, const QByteArray& content, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2").arg(path, why);
        return false;
    };
    if (!makePrivateFolder(path))
        return fail(QStringLiteral("its folder could not be made"));
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

bool appendToPrivateFile(const QString& path, const QByteArray& content, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2").arg(path, why);
        return false;
    };
    if (!makePrivateFolder(path))
        return fail(QStringLiteral("its folder could not be made"));
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t n =
            ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString why = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return fail(why);
        }
        written += n;
    }
    ::close(fd);
    return true;
}
