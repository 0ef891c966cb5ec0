#pragma once

#include "ini_document.h"

#include <QString>

// The profile functions over one INI file: read a key with a default, write
// a key. Text goes to and from the file one byte per character (Latin-1), so
// characters with codes up to 255 survive; a character beyond Latin-1 is
// written as '?'.
//
// A ProfileFile reads the file once when made; writes change the copy in
// memory and save() replaces the file with it in one step. Saving after a
// series of writes leaves the file exactly as the same writes made one by one
// with writeProfileString() would.
class ProfileFile {
public:
    // The size of the read buffer of the profile functions, terminating NUL
    // included: a value read has at most DefaultBufferSize - 1 characters.
    static constexpr int DefaultBufferSize = 255;

    explicit ProfileFile(QString path);

    const QString& path() const { return m_path; }
    // Whether there was a file when this was made.
    bool existed() const { return m_existed; }
    // False when the file exists but could not be read (it then reads as empty).
    bool readable() const { return m_readable; }

    // Whether the key is in the file, whatever its value.
    bool holds(const QByteArray& section, const QByteArray& key) const;
    // The names of the keys the file holds in `section`, case-folded.
    QStringList keys(const QByteArray& section) const { return m_document.keys(section); }
    // How many keys have been looked up so far, reads and writes alike.
    int lookups() const { return m_document.lookups(); }

    // The value of the key, else `defaultValue`; cut at its first NUL and to
    // bufferSize - 1 characters.
    QByteArray readBytes(const QByteArray& section, const QByteArray& key,
                         const QByteArray& defaultValue, int bufferSize = DefaultBufferSize) const;
    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int bufferSize = DefaultBufferSize) const;

    void writeBytes(const QByteArray& section, const QByteArray& key, const QByteArray& value);
    void writeString(const QString& section, const QString& key, const QString& value);

    // Text in any script: written as UTF-8; a stored value that is not valid
    // UTF-8 (as older files hold) is read as Latin-1. A value read has at most
    // bufferSize - 1 characters. Writing a value the key already holds, in
    // whatever encoding, leaves its bytes as they are.
    QString readText(const QString& section, const QString& key, const QString& defaultValue,
                     int bufferSize = DefaultBufferSize) const;
    void writeText(const QString& section, const QString& key, const QString& value);
    // `text` cut to bufferSize - 1 characters, as a read cuts a value.
    static QString cutText(const QString& text, int bufferSize = DefaultBufferSize);
    // `text` without the spaces at either end; other blanks are part of a
    // stored value.
    static QString trimSpaces(const QString& text);

    // Writes the text to a new file beside the old one, readable and writable
    // by its owner only, and puts it in the old one's place in one step, so a
    // crash or a full disk leaves either the old file or the new one. Creates
    // the directory when missing. False when the file could not be replaced, and
    // when it exists but could not be read (it is then left alone).
    bool save();

private:
    QString m_path;
    IniDocument m_document;
    bool m_existed = false;
    bool m_readable = true;
};

// One read or one write of the file, each on its own.
QString readProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultValue,
                          int bufferSize = ProfileFile::DefaultBufferSize);
bool writeProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value);
