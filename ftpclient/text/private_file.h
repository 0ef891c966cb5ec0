#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `content` in one step: the text goes to a
// new file beside the old one, readable and writable by its owner only
// (whatever the old file's mode or the umask), which then takes the old
// one's place, so a crash or a full disk leaves either the old file or the
// new one. Creates the folder when missing, readable by its owner only.
// False, with *error set when given, when the file could not be replaced.
bool writePrivateFile(const QString& path, const QByteArray& content, QString* error = nullptr);

// Adds `content` at the end of the file at `path`, making the file (readable
// and writable by its owner only, never through a link) and its folder when
// missing. False, with *error set when given, otherwise.
bool appendToPrivateFile(const QString& path, const QByteArray& content, QString* error = nullptr);

// A file that text is added to at its end, as appendToPrivateFile adds it,
// but kept open between additions; once its name no longer leads to it (it
// was removed or replaced) the name is opened afresh.
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
