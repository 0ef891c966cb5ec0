#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// Replaces the file at `path` with `content` in one step: the text goes to a
// new file beside the old one, readable and writable by its owner only
// (whatever the old file's mode or the umask), which then takes the old
// one's place, so a crash or a full disk leaves either the old file or the
// new one. Creates the folder when missing, readable by its owner only.
// False, with *error set when given, when the file could not be replaced.
bool writePrivateFile(const QString& path, const QByteArray& content, QString* error = nullptr);

// Writes all of `data` to `fd`; false, with *error (errno), when it cannot.
bool writeAll(int fd, const char* data, size_t size, int* error);

// A file that text is added to at its end, made (readable and writable by
// its owner only, never through a link) with its folder when missing, and
// kept open between additions; once its name no longer leads to it (it was
// removed or replaced) the name is opened afresh. append() is false, with
// *error set when given, when the text could not be added.
class AppendedFile {
public:
    explicit AppendedFile(QString path);
    ~AppendedFile();
    AppendedFile(const AppendedFile&) = delete;
    AppendedFile& operator=(const AppendedFile&) = delete;

    bool append(const QByteArray& content, QString* error = nullptr);
    void close();

private:
    QString m_path;
    int m_fd = -1;
};
