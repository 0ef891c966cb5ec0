#pragma once

#include "folder_comparison.h"
#include "panes/entry_marks.h"
#include "profile_hooks.h"
#include "sync_dialog.h"

#include <QObject>
#include <QPointer>

class FilePane;
class Prompter;
class RemoteSession;
class TransferQueue;
class QWidget;
struct ComparedFolder;
struct WindowDialogs;
struct WindowParts;

// Compare and Synchronise. Compare reads the folders the two panes show,
// with everything below them, and marks each entry in both panes (only
// here, newer there, ...); the marks follow into the folders below, and
// Compare again takes them away. Synchronise opens the dialog whose Preview
// compares the same way and lists what would bring the folders in line;
// Start puts the ticked rows into the transfer queue, Dry run writes them
// to a file.
class SyncControl : public QObject {
    Q_OBJECT

public:
    SyncControl(QWidget& window, const WindowParts& parts, RemoteSession& session,
                TransferQueue& queue, Prompter& prompter, WindowDialogs& dialogs);
    ~SyncControl() override;

    // The profile whose server clock the dialog starts from and keeps.
    void setProfileHooks(ProfileHooks hooks) { m_profile = std::move(hooks); }

    void Act_Compare_Click();
    void Act_Synchronise_Click();
    // Entries the comparison found the same leave both panes' lists while
    // the marks are on.
    void setHidingSame(bool hide);

    FolderComparison& comparison() { return m_comparison; }
    SyncDialog* dialog() const { return m_dialog; }
    bool marksShown() const { return m_marksShown; }

signals:
    // A comparison ended and its marks are on the panes.
    void compared();

private:
    bool canCompare();
    void compare(const SyncOptions& options, std::optional<int> offsetMinutes,
                 bool clockByUpload = false);
    std::optional<int> profileClock() const;
    void keepClock(std::optional<int> minutes);
    QString clockText() const;
    void comparisonFinished();
    void showProgress(int folders, qint64 entries);
    void markPane(FilePane& pane, const QString& root);
    void followPane(FilePane& pane, const QString& root);
    void clearMarks();
    EntryMarks marksOf(const ComparedFolder& folder, bool local) const;
    void startSync();
    void writeDryRun();

    QWidget& m_window;
    const WindowParts& m_parts;
    RemoteSession& m_session;
    TransferQueue& m_queue;
    Prompter& m_prompter;
    WindowDialogs& m_dialogs;
    FolderComparison m_comparison;
    QPointer<SyncDialog> m_dialog;
    ProfileHooks m_profile;
    bool m_marksShown = false;
    bool m_forPreview = false;
    int m_syncs = 0; // numbers the synchronisations started this run
};
