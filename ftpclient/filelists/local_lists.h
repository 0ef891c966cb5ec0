#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QObject>
#include <QStringList>

// The drive list of the local pane: the mounted file systems a user picks
// from, named by their mount path.
class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent = nullptr);
    QString Drive() const { return currentText(); }

signals:
    void Change();
};

// The directory list of the local pane: the current directory's ancestors
// and its sub-directories; opening one makes it the current path.
class DirListBox : public QListWidget {
    Q_OBJECT

public:
    explicit DirListBox(QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    // Shows `path`; returns false (and changes nothing) when it cannot be read.
    bool setPath(const QString& path);

signals:
    void Change();

private:
    QString m_path;
};

// The file list behind the local pane: the files (not directories) of one
// directory that match the pattern, in alphabetical order.
class FileListBox : public QObject {
    Q_OBJECT

public:
    explicit FileListBox(QObject* parent = nullptr);
    QString Path() const { return m_path; }
    void setPath(const QString& path);
    QString Pattern() const { return m_pattern; }
    void setPattern(const QString& pattern) { m_pattern = pattern; }
    void Refresh();
    int ListCount() const { return int(m_names.size()); }
    QString List(int index) const { return m_names.value(index); }

signals:
    void PathChange();

private:
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    QStringList m_names;
};
