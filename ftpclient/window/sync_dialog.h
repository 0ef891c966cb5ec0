#pragma once

#include "sync_types.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeView;
class SyncPreviewModel;

// The Synchronise dialog: which way, what to compare and which names take
// part, then the preview of every action, each with a tick box, and the
// totals. It runs nothing itself: Preview, Start and Dry run are told by
// signals, and the window answers with setPlan() and setStatus().
class SyncDialog : public QDialog {
    Q_OBJECT

public:
    explicit SyncDialog(QWidget* parent = nullptr);

    // The two folders, as the panes show them.
    void setFolders(const QString& local, const QString& remote);
    SyncOptions options() const;
    void setOptions(const SyncOptions& options);
    // The server's clock ahead of UTC, in minutes, as the user set it;
    // nothing for "find out".
    std::optional<int> offsetMinutes() const;
    void setOffsetMinutes(std::optional<int> minutes);
    // With "find out": whether the user chose to find the clock out from a
    // file tarlen uploads to the server (and deletes again).
    bool clockByUpload() const;
    void setClockByUpload(bool byUpload);

    void setPlan(SyncPlan plan);
    const SyncPlan& plan() const;
    void setStatus(const QString& text);
    // While the trees are read: Preview and Start wait.
    void setBusy(bool busy);

    SyncPreviewModel& preview() { return *m_model; }
    QPushButton* Cmd_Preview = nullptr;
    QPushButton* Cmd_Start = nullptr;
    QPushButton* Cmd_DryRun = nullptr;

signals:
    void previewWanted();
    void startWanted();
    void dryRunWanted();

private:
    QWidget* createOptions();
    QWidget* createFilters();
    void showTotals();
    void hideSame(bool hide);

    QLabel* m_folders = nullptr;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
    QRadioButton* m_both = nullptr;
    QCheckBox* m_recursive = nullptr;
    QCheckBox* m_bySize = nullptr;
    QCheckBox* m_byTime = nullptr;
    QCheckBox* m_byChecksum = nullptr;
    QCheckBox* m_readToHash = nullptr;
    QSpinBox* m_tolerance = nullptr;
    QSpinBox* m_offset = nullptr;
    QCheckBox* m_byUpload = nullptr;
    QCheckBox* m_delete = nullptr;
    QLineEdit* m_include = nullptr;
    QLineEdit* m_exclude = nullptr;
    QCheckBox* m_hideSame = nullptr;
    QTreeView* m_view = nullptr;
    QLabel* m_totals = nullptr;
    QLabel* m_status = nullptr;
    SyncPreviewModel* m_model = nullptr;
    bool m_busy = false;
};
