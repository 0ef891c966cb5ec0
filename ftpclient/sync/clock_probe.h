#pragma once

#include "queue_login.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class Inet;
struct FtpCommand;
class InetJob;
struct InetResult;
class QTemporaryFile;

// Finds out how far the server's clock is ahead of UTC by writing to it:
// an empty file with a name of its own, checked to be absent first, is
// uploaded into a folder, its time read from the folder's listing (and by
// MDTM or SFTP's attributes), and the file deleted again. The offset is
// the listed time less the time of the upload, to the nearest quarter hour.
// This finds a server that gives its local time everywhere (vsftpd's
// use_localtime), where comparing the listing with MDTM measures nothing.
// Runs on a connection of its own; finished() tells the end.
class ClockProbe : public QObject {
    Q_OBJECT

public:
    struct Result {
        // The listed times ahead of UTC, in seconds; nothing when not found.
        std::optional<qint64> offsetSeconds;
        // The same found from MDTM (SFTP: the file's attributes); nothing
        // when the server would not say.
        std::optional<qint64> exactOffsetSeconds;
        // Why nothing was found, or that the file could not be deleted; ""
        // when all went well.
        QString problem;
    };

    ClockProbe(const QueueLogin& login, const QString& folder, QObject* parent = nullptr);
    ~ClockProbe() override;

    // The name the uploaded file has in the folder.
    const QString& fileName() const { return m_name; }
    void start();
    // Stops; finished() does not follow. A file already uploaded is left.
    void cancel();

signals:
    void finished(const ClockProbe::Result& result);

private:
    void run(const FtpCommand& command, void (ClockProbe::*next)(const InetResult&));
    void checkedAbsent(const InetResult& result);
    void uploaded(const InetResult& result);
    void listedAfter(const InetResult& result);
    void timed(const InetResult& result);
    void deleted(const InetResult& result);
    void fail(const QString& problem);
    QString remoteFile() const;
    FtpCommand listing() const;

    QueueLogin m_login;
    QString m_folder;
    QString m_name;
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<QTemporaryFile> m_empty;
    QPointer<InetJob> m_job;
    qint64 m_uploadStart = -1;
    qint64 m_uploadEnd = -1;
    Result m_result;
};
