#include "name_checks.h"

#include "file_error.h"

#include <cerrno>
#include <cstring>

void checkNewFileName(const QString& name) {
    if (!isPlainFileName(name))
        throw FileError(
            QStringLiteral("\"%1\" cannot be a file name: it holds \"/\" or a control character.")
                .arg(name));
}

void checkNewDirectoryName(const QString& name) {
    if (!isPlainFileName(name))
        throw FileError(
            QStringLiteral(
                "\"%1\" cannot be a directory name: it holds \"/\" or a control character.")
                .arg(name));
}

QString parentDirectory(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/', path.size() - 2);
    return slash >= 0 ? path.left(slash + 1) : path;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
