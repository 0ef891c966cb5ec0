#pragma once

#include <QWidget>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeView;
class QueueModel;
class QueuePreferences;
class TransferQueue;
struct Preferences;

// The transfer queue in the window: a row per item (direction, name, paths,
// size, progress, rate, time left, state), the buttons that act on the
// selected items and on the whole queue, how many files move at once, what
// to do with existing targets, and a line with the totals. The two settings
// show what `QueuePreferences` holds, and an edit goes there.
class QueuePanel : public QWidget {
    Q_OBJECT

public:
    QueuePanel(TransferQueue& queue, QueuePreferences& prefs, QWidget* parent = nullptr);

    QTreeView* List_Queue = nullptr;
    QPushButton* Cmd_Pause = nullptr; // "Pause" or "Resume", for the whole queue
    QPushButton* Cmd_CancelItems = nullptr;
    QPushButton* Cmd_Retry = nullptr;
    QPushButton* Cmd_RemoveItems = nullptr;
    QPushButton* Cmd_MoveUp = nullptr;
    QPushButton* Cmd_MoveDown = nullptr;
    QPushButton* Cmd_ClearDone = nullptr;
    QSpinBox* Spn_Parallel = nullptr;
    QComboBox* Cmb_Existing = nullptr;
    QLabel* Lbl_Totals = nullptr;

    QueueModel& model() const { return *m_model; }
    QSize minimumSizeHint() const override;
    // The ids of the selected rows, in queue order.
    QList<quint64> selectedIds() const;
    void selectIds(const QList<quint64>& ids);
    // The totals line as it reads now.
    static QString totalsText(const TransferQueue& queue);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void createControls();
    void createSettings();
    void arrangeRows();
    int buttonsWidth() const;
    void connectControls();
    void moveSelected(int delta);
    void showTotals();
    void showPreferences(const Preferences& prefs);

    TransferQueue& m_queue;
    QueuePreferences& m_prefs;
    QueueModel* m_model = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    QHBoxLayout* m_wrappedRow = nullptr;
    QWidget* m_settings = nullptr; // how many at once, what to do with existing targets
};
