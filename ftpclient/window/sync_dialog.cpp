#include "sync_dialog.h"

#include "raw_names.h"
#include "sync_preview_model.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The lowest value of the offset box stands for "find out".
constexpr int kFindOut = -15 * 60 - 1;

QStringList patternsIn(const QLineEdit* box) {
    return box->text().split(u' ', Qt::SkipEmptyParts);
}

} // namespace

SyncDialog::SyncDialog(QWidget* parent)
    : QDialog(parent)
    , m_model(new SyncPreviewModel) {
    m_model->setParent(this);
    setWindowTitle(QStringLiteral("Synchronise"));
    auto* layout = new QVBoxLayout(this);
    m_folders = new QLabel(this);
    m_folders->setTextFormat(Qt::PlainText);
    layout->addWidget(m_folders);
    layout->addWidget(createOptions());
    layout->addWidget(createFilters());

    m_view = new QTreeView(this);
    m_view->setModel(m_model);
    m_view->setUniformRowHeights(true);
    m_view->header()->setStretchLastSection(true);
    m_view->setMinimumHeight(240);
    layout->addWidget(m_view, 1);
    m_hideSame = new QCheckBox(QStringLiteral("&Hide what is the same on both sides"), this);
    m_hideSame->setChecked(true);
    layout->addWidget(m_hideSame);
    m_totals = new QLabel(this);
    m_status = new QLabel(this);
    layout->addWidget(m_totals);
    layout->addWidget(m_status);

    auto* buttons = new QDialogButtonBox(this);
    Cmd_Preview = buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole);
    Cmd_DryRun = buttons->addButton(QStringLiteral("&Dry run..."), QDialogButtonBox::ActionRole);
    Cmd_Start = buttons->addButton(QStringLiteral("&Start"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    Cmd_Preview->setDefault(true);
    Cmd_Start->setEnabled(false);
    Cmd_DryRun->setEnabled(false);

    connect(Cmd_Preview, &QPushButton::clicked, this, &SyncDialog::previewWanted);
    connect(Cmd_Start, &QPushButton::clicked, this, &SyncDialog::startWanted);
    connect(Cmd_DryRun, &QPushButton::clicked, this, &SyncDialog::dryRunWanted);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_model, &SyncPreviewModel::ticksChanged, this, &SyncDialog::showTotals);
    connect(m_hideSame, &QCheckBox::toggled, this, &SyncDialog::hideSame);
    resize(760, 560);
}

QWidget* SyncDialog::createOptions() {
    auto* box = new QGroupBox(QStringLiteral("What to do"), this);
    auto* form = new QFormLayout(box);
    auto* ways = new QHBoxLayout;
    m_up = new QRadioButton(QStringLiteral("&Local to server"), box);
    m_down = new QRadioButton(QStringLiteral("Se&rver to local"), box);
    m_both = new QRadioButton(QStringLiteral("&Both ways, newest wins"), box);
    m_up->setChecked(true);
    for (QRadioButton* way : {m_up, m_down, m_both})
        ways->addWidget(way);
    form->addRow(QStringLiteral("Direction:"), ways);

    auto* criteria = new QHBoxLayout;
    m_recursive = new QCheckBox(QStringLiteral("S&ubfolders"), box);
    m_bySize = new QCheckBox(QStringLiteral("Si&ze"), box);
    m_byTime = new QCheckBox(QStringLiteral("&Time, within"), box);
    m_tolerance = new QSpinBox(box);
    m_tolerance->setRange(0, 24 * 3600);
    m_tolerance->setSuffix(QStringLiteral(" s"));
    for (QCheckBox* check : {m_recursive, m_bySize, m_byTime})
        check->setChecked(true);
    criteria->addWidget(m_recursive);
    criteria->addWidget(m_bySize);
    criteria->addWidget(m_byTime);
    criteria->addWidget(m_tolerance);
    criteria->addStretch();
    form->addRow(QStringLiteral("Compare:"), criteria);

    auto* contents = new QVBoxLayout;
    m_byChecksum = new QCheckBox(QStringLiteral("Co&ntents (checksums)"), box);
    m_byChecksum->setToolTip(
        QStringLiteral("Files of the same size are compared by checksum where the server "
                       "can give one."));
    m_readToHash = new QCheckBox(
        QStringLiteral("Read files where the server has no checksum (downloads every compared "
                       "file)"),
        box);
    m_readToHash->setEnabled(false);
    connect(m_byChecksum, &QCheckBox::toggled, m_readToHash, &QWidget::setEnabled);
    contents->addWidget(m_byChecksum);
    contents->addWidget(m_readToHash);
    form->addRow(QString(), contents);

    m_offset = new QSpinBox(box);
    m_offset->setRange(kFindOut, 15 * 60);
    m_offset->setSingleStep(15);
    m_offset->setSuffix(QStringLiteral(" min"));
    m_offset->setSpecialValueText(QStringLiteral("Find out"));
    m_offset->setValue(kFindOut);
    m_offset->setToolTip(QStringLiteral(
        "How far the server's listed times are ahead of UTC. \"Find out\" asks the server for "
        "one file's exact time when its listing shows local times."));
    m_byUpload = new QCheckBox(
        QStringLiteral("from a &file tarlen uploads to the server (and deletes again)"), box);
    m_byUpload->setToolTip(QStringLiteral(
        "Writes to the server: an empty file is uploaded into the server's folder, its time "
        "read and the file deleted again. This finds servers that give their local time "
        "everywhere, which the listing cannot show."));
    auto* clock = new QHBoxLayout;
    clock->addWidget(m_offset);
    clock->addWidget(m_byUpload);
    clock->addStretch();
    form->addRow(QStringLiteral("Server's clock:"), clock);
    connect(m_offset, &QSpinBox::valueChanged, m_byUpload,
            [this](int value) { m_byUpload->setEnabled(value == kFindOut); });

    m_delete = new QCheckBox(QStringLiteral("D&elete what is not on the source side"), box);
    m_delete->setStyleSheet(QStringLiteral("QCheckBox { color: #b01010; }"));
    form->addRow(QString(), m_delete);
    connect(m_both, &QRadioButton::toggled, m_delete,
            [this](bool both) { m_delete->setEnabled(!both); });
    return box;
}

QWidget* SyncDialog::createFilters() {
    auto* box = new QGroupBox(QStringLiteral("Names"), this);
    auto* form = new QFormLayout(box);
    m_include = new QLineEdit(box);
    m_include->setPlaceholderText(QStringLiteral("every file (or patterns: *.html *.css)"));
    m_exclude = new QLineEdit(box);
    m_exclude->setText(QStringLiteral(".git/ *.tmp *.part"));
    form->addRow(QStringLiteral("&Only:"), m_include);
    form->addRow(QStringLiteral("Lea&ve out:"), m_exclude);
    return box;
}

void SyncDialog::setFolders(const QString& local, const QString& remote) {
    m_folders->setText(QStringLiteral("Local: %1\nServer: %2")
                           .arg(RawName::shownWithMarks(local), RawName::shownAsLatin1(remote)));
}

SyncOptions SyncDialog::options() const {
    SyncOptions options;
    options.direction = m_up->isChecked()     ? SyncDirection::LocalToRemote
                        : m_down->isChecked() ? SyncDirection::RemoteToLocal
                                              : SyncDirection::BothByNewest;
    options.recursive = m_recursive->isChecked();
    options.rules.bySize = m_bySize->isChecked();
    options.rules.byTime = m_byTime->isChecked();
    options.rules.toleranceSeconds = m_tolerance->value();
    options.rules.byChecksum = m_byChecksum->isChecked();
    options.rules.readWhenNoChecksum = m_byChecksum->isChecked() && m_readToHash->isChecked();
    options.deleteExtra = m_delete->isChecked() && !m_both->isChecked();
    options.filter.include = patternsIn(m_include);
    options.filter.exclude = patternsIn(m_exclude);
    return options;
}

void SyncDialog::setOptions(const SyncOptions& options) {
    m_up->setChecked(options.direction == SyncDirection::LocalToRemote);
    m_down->setChecked(options.direction == SyncDirection::RemoteToLocal);
    m_both->setChecked(options.direction == SyncDirection::BothByNewest);
    m_recursive->setChecked(options.recursive);
    m_bySize->setChecked(options.rules.bySize);
    m_byTime->setChecked(options.rules.byTime);
    m_tolerance->setValue(int(options.rules.toleranceSeconds));
    m_byChecksum->setChecked(options.rules.byChecksum);
    m_readToHash->setChecked(options.rules.readWhenNoChecksum);
    m_delete->setChecked(options.deleteExtra);
    m_include->setText(options.filter.include.join(u' '));
    m_exclude->setText(options.filter.exclude.join(u' '));
}

std::optional<int> SyncDialog::offsetMinutes() const {
    if (m_offset->value() == kFindOut)
        return std::nullopt;
    return m_offset->value();
}

void SyncDialog::setOffsetMinutes(std::optional<int> minutes) {
    m_offset->setValue(minutes.value_or(kFindOut));
}

bool SyncDialog::clockByUpload() const {
    return m_byUpload->isChecked() && m_offset->value() == kFindOut;
}

void SyncDialog::setClockByUpload(bool byUpload) {
    m_byUpload->setChecked(byUpload);
}

void SyncDialog::setPlan(SyncPlan plan) {
    m_model->setPlan(std::move(plan));
    for (int group = 0; group < SyncPreviewModel::GroupCount; ++group)
        m_view->setExpanded(m_model->index(group, 0), group != SyncPreviewModel::Same);
    hideSame(m_hideSame->isChecked());
    m_view->resizeColumnToContents(SyncPreviewModel::ActionColumn);
    m_view->setColumnWidth(SyncPreviewModel::PathColumn, 320);
    showTotals();
}

const SyncPlan& SyncDialog::plan() const {
    return m_model->plan();
}

void SyncDialog::setStatus(const QString& text) {
    m_status->setText(text);
}

void SyncDialog::setBusy(bool busy) {
    m_busy = busy;
    Cmd_Preview->setEnabled(!busy);
    showTotals();
}

void SyncDialog::showTotals() {
    m_totals->setText(m_model->totalsText());
    const bool planned = !m_model->plan().actions.empty();
    Cmd_Start->setEnabled(planned && !m_busy);
    Cmd_DryRun->setEnabled(planned && !m_busy);
}

void SyncDialog::hideSame(bool hide) {
    m_view->setRowHidden(SyncPreviewModel::Same, QModelIndex(), hide);
}
