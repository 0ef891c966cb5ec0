#include "private_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString failureText(const QString& path, const QString& why) {
    return QStringLiteral("%1 could not be written: %2").arg(path, why);
}

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
            *error = failureText(path, why);
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

namespace {

// The file at `path` opened for adding at its end, made with its folder
// when missing; -1 with *why otherwise.
int openForAppending(const QString& path, QString* why) {
    if (!makePrivateFolder(path)) {
        *why = QStringLiteral("its folder could not be made");
        return -1;
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    return fd;
}

} // namespace

bool writeAll(int fd, const char* data, size_t size, int* error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

AppendedFile::AppendedFile(QString path)
    : m_path(std::move(path)) {}

AppendedFile::~AppendedFile() {
    close();
}

void AppendedFile::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool AppendedFile::append(const QByteArray& content, QString* error) {
    struct stat info {};
    if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || info.st_nlink == 0))
        close(); // removed or replaced since: its name is opened afresh
    QString why;
    if (m_fd < 0)
        m_fd = openForAppending(m_path, &why);
    int written = 0;
    if (m_fd >= 0 && !writeAll(m_fd, content.constData(), size_t(content.size()), &written))
        why = QString::fromLocal8Bit(std::strerror(written));
    if (why.isEmpty())
        return true;
    close();
    if (error)
        *error = failureText(m_path, why);
    return false;
}
