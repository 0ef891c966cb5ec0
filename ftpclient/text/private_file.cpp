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

namespace {

QString failureText(const QString& path, const QString& why) {
    return QStringLiteral("%1 could not be written: %2").arg(path, why);
}

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

// Empty when all of `content` went in, else why not.
QString writeAll(int fd, const QByteArray& content) {
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t n =
            ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        written += n;
    }
    return {};
}

} // namespace

bool appendToPrivateFile(const QString& path, const QByteArray& content, QString* error) {
    QString why;
    const int fd = openForAppending(path, &why);
    if (fd >= 0) {
        why = writeAll(fd, content);
        ::close(fd);
    }
    if (!why.isEmpty() && error)
        *error = failureText(path, why);
    return why.isEmpty();
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
    if (m_fd >= 0)
        why = writeAll(m_fd, content);
    if (why.isEmpty())
        return true;
    close();
    if (error)
        *error = failureText(m_path, why);
    return false;
}
