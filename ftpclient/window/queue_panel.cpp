#include "queue_panel.h"

#include "queue_model.h"
#include "queue_preferences.h"
#include "transfer_queue.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The Progress column as a bar.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int permille = index.data(QueueModel::ProgressRole).toInt();
        if (index.column() != QueueModel::Progress || permille < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(1, 2, -1, -2);
        bar.minimum = 0;
        bar.maximum = 1000;
        bar.progress = permille;
        bar.text = index.data().toString();
        bar.textVisible = true;
        bar.textAlignment = Qt::AlignCenter;
        bar.state = option.state | QStyle::State_Horizontal;
        bar.palette = option.palette;
        bar.fontMetrics = option.fontMetrics;
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }
};

// What a user looks at first comes first: the state and progress of each
// file; the full paths, long as they are, last.
void arrangeColumns(QHeaderView* header) {
    const QueueModel::Column order[] = {
        QueueModel::Direction, QueueModel::Name,  QueueModel::State,
        QueueModel::Progress,  QueueModel::Size,  QueueModel::Rate,
        QueueModel::TimeLeft,  QueueModel::Local, QueueModel::Remote};
    const int widths[] = {70, 150, 120, 110, 75, 80, 60, 200, 200};
    for (int visual = 0; visual < int(std::size(order)); ++visual) {
        header->moveSection(header->visualIndex(order[visual]), visual);
        header->resizeSection(order[visual], widths[visual]);
    }
    header->setStretchLastSection(true);
}

QPushButton* makeButton(const QString& caption, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

} // namespace

QueuePanel::QueuePanel(TransferQueue& queue, QueuePreferences& prefs, QWidget* parent)
    : QWidget(parent)
    , m_queue(queue)
    , m_prefs(prefs)
    , m_model(new QueueModel(queue, this)) {
    setObjectName(QStringLiteral("Queue"));
    createControls();
    showPreferences(m_prefs.current());
    connectControls();
    showTotals();
}

void QueuePanel::createControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window gives the panel its size; the rows are arranged to fit it.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setSpacing(2);
    auto* buttons = new QHBoxLayout;
    Cmd_Pause = makeButton(QStringLiteral("Pause"),
                           QStringLiteral("Pause or resume the whole queue"), this);
    Cmd_CancelItems =
        makeButton(QStringLiteral("Cancel"), QStringLiteral("Stop the selected transfers"), this);
    Cmd_Retry = makeButton(QStringLiteral("Retry"),
                           QStringLiteral("Try the selected transfers again"), this);
    Cmd_RemoveItems =
        makeButton(QStringLiteral("Remove"),
                   QStringLiteral("Take the selected transfers out of the queue"), this);
    Cmd_MoveUp =
        makeButton(QStringLiteral("Up"), QStringLiteral("Move the selected transfers up"), this);
    Cmd_MoveDown = makeButton(QStringLiteral("Down"),
                              QStringLiteral("Move the selected transfers down"), this);
    Cmd_ClearDone = makeButton(QStringLiteral("Clear done"),
                               QStringLiteral("Take finished transfers out of the queue"), this);
    for (QPushButton* b : {Cmd_Pause, Cmd_CancelItems, Cmd_Retry, Cmd_RemoveItems, Cmd_MoveUp,
                           Cmd_MoveDown, Cmd_ClearDone})
        buttons->addWidget(b);
    buttons->addStretch(1);
    m_buttonRow = buttons;
    createSettings();
    buttons->addWidget(m_settings);
    layout->addLayout(buttons);
    // Where the settings go when the buttons leave them no room beside them.
    m_wrappedRow = new QHBoxLayout;
    m_wrappedRow->addStretch(1);
    layout->addLayout(m_wrappedRow);

    List_Queue = new QTreeView(this);
    List_Queue->setObjectName(QStringLiteral("List_Queue"));
    List_Queue->setModel(m_model);
    List_Queue->setRootIsDecorated(false);
    List_Queue->setUniformRowHeights(true);
    List_Queue->setAlternatingRowColors(true);
    List_Queue->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List_Queue->setSelectionBehavior(QAbstractItemView::SelectRows);
    List_Queue->setItemDelegateForColumn(QueueModel::Progress, new ProgressDelegate(List_Queue));
    arrangeColumns(List_Queue->header());
    layout->addWidget(List_Queue, 1);

    Lbl_Totals = new QLabel(this);
    Lbl_Totals->setObjectName(QStringLiteral("Lbl_Totals"));
    layout->addWidget(Lbl_Totals);
    arrangeRows();
}

// How many files move at once, and what to do with existing targets.
void QueuePanel::createSettings() {
    m_settings = new QWidget(this);
    auto* row = new QHBoxLayout(m_settings);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("At once:"), m_settings));
    Spn_Parallel = new QSpinBox(m_settings);
    Spn_Parallel->setRange(1, TransferQueue::MostParallel);
    Spn_Parallel->setToolTip(
        QStringLiteral("How many files move at once, each on a connection of its own"));
    row->addWidget(Spn_Parallel);
    row->addWidget(new QLabel(QStringLiteral("Existing files:"), m_settings));
    Cmb_Existing = new QComboBox(m_settings);
    Cmb_Existing->addItems(
        {QStringLiteral("Ask"), QStringLiteral("Overwrite if different"), QStringLiteral("Skip")});
    Cmb_Existing->setToolTip(QStringLiteral("What a transfer does when its target exists"));
    row->addWidget(Cmb_Existing);
}

// The settings stand beside the buttons when the panel is wide enough for
// both, and on a row of their own under them otherwise.
void QueuePanel::arrangeRows() {
    const bool beside = buttonsWidth() + m_settings->sizeHint().width() <= width();
    if (m_wrappedRow->indexOf(m_settings) < 0 && !beside) {
        m_buttonRow->removeWidget(m_settings);
        m_wrappedRow->addWidget(m_settings);
    } else if (m_buttonRow->indexOf(m_settings) < 0 && beside) {
        m_wrappedRow->removeWidget(m_settings);
        m_buttonRow->addWidget(m_settings);
    }
}

// The buttons side by side, with the room after each.
int QueuePanel::buttonsWidth() const {
    int width = 0;
    for (int i = 0; i < m_buttonRow->count(); ++i)
        if (const QWidget* w = m_buttonRow->itemAt(i)->widget(); w && w != m_settings)
            width += w->sizeHint().width() + m_buttonRow->spacing();
    return width;
}

// As narrow as the buttons or the settings under them.
QSize QueuePanel::minimumSizeHint() const {
    QSize size = QWidget::minimumSizeHint();
    size.setWidth(std::max(buttonsWidth(), m_settings->sizeHint().width()));
    return size;
}

void QueuePanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    arrangeRows();
}

void QueuePanel::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        arrangeRows();
}

void QueuePanel::connectControls() {
    const auto forSelected = [this](void (QueueControls::*act)(quint64)) {
        return [this, act] {
            for (quint64 id : selectedIds())
                (m_queue.controls().*act)(id);
        };
    };
    connect(Cmd_CancelItems, &QPushButton::clicked, this, forSelected(&QueueControls::cancel));
    connect(Cmd_Retry, &QPushButton::clicked, this, forSelected(&QueueControls::retry));
    connect(Cmd_RemoveItems, &QPushButton::clicked, this, forSelected(&QueueControls::remove));
    connect(Cmd_MoveUp, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(Cmd_MoveDown, &QPushButton::clicked, this, [this] { moveSelected(+1); });
    connect(Cmd_ClearDone, &QPushButton::clicked, &m_queue.controls(),
            &QueueControls::removeFinished);
    connect(Cmd_Pause, &QPushButton::clicked, this, [this] {
        QueueControls& controls = m_queue.controls();
        controls.paused() ? controls.resume() : controls.pause();
        showTotals();
    });
    connect(Spn_Parallel, &QSpinBox::valueChanged, &m_prefs,
            &QueuePreferences::setParallelTransfers);
    connect(Cmb_Existing, &QComboBox::currentIndexChanged, &m_prefs,
            &QueuePreferences::setExistingFiles);
    connect(&m_prefs, &QueuePreferences::changed, this, &QueuePanel::showPreferences);
    connect(&m_queue, &TransferQueue::totalsChanged, this, &QueuePanel::showTotals);
}

QList<quint64> QueuePanel::selectedIds() const {
    QModelIndexList rows = List_Queue->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<quint64> ids;
    for (const QModelIndex& row : rows)
        ids << row.data(QueueModel::IdRole).toULongLong();
    return ids;
}

void QueuePanel::selectIds(const QList<quint64>& ids) {
    QItemSelection selection;
    for (quint64 id : ids) {
        const int row = m_queue.indexOf(id);
        if (row >= 0)
            selection.select(m_model->index(row, 0), m_model->index(row, QueueModel::Columns - 1));
    }
    List_Queue->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// Moving keeps the moved items selected, so that they can be moved again.
void QueuePanel::moveSelected(int delta) {
    QList<quint64> ids = selectedIds();
    if (delta > 0)
        std::reverse(ids.begin(), ids.end());
    for (quint64 id : ids)
        m_queue.controls().move(id, delta);
    selectIds(ids);
}

QString QueuePanel::totalsText(const TransferQueue& queue) {
    const TransferTotals t = queue.totals();
    if (t.files == 0)
        return queue.controls().paused() ? QStringLiteral("Paused. No transfers.")
                                         : QStringLiteral("No transfers.");
    QString text = QStringLiteral("%1 of %2 %3, %4 of %5")
                       .arg(t.filesDone)
                       .arg(t.files)
                       .arg(t.files == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                       .arg(QueueModel::formatBytes(t.bytesDone), QueueModel::formatBytes(t.bytes));
    if (t.rate > 0)
        text += QStringLiteral(", %1/s").arg(QueueModel::formatBytes(qint64(t.rate)));
    if (t.secondsLeft >= 0)
        text += QStringLiteral(", %1 left").arg(QueueModel::formatDuration(t.secondsLeft));
    if (t.failed > 0)
        text += QStringLiteral(", %1 failed").arg(t.failed);
    if (queue.controls().paused())
        text.prepend(QStringLiteral("Paused. "));
    return text;
}

// The boxes follow the preferences without handing the change back.
void QueuePanel::showPreferences(const Preferences& prefs) {
    const QSignalBlocker parallel(Spn_Parallel);
    const QSignalBlocker existing(Cmb_Existing);
    Spn_Parallel->setValue(prefs.parallelTransfers);
    Cmb_Existing->setCurrentIndex(prefs.existingFiles);
}

void QueuePanel::showTotals() {
    Lbl_Totals->setText(totalsText(m_queue));
    Cmd_Pause->setText(m_queue.controls().paused() ? QStringLiteral("Resume")
                                                   : QStringLiteral("Pause"));
}
