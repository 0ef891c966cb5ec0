#include "transfer_progress.h"

#include "number_format.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <cmath>

TransferProgressPanel::TransferProgressPanel(QWidget* parent)
    : QWidget(parent)
    , m_name(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_amount(new QLabel(this))
    , m_rate(new QLabel(this))
    , m_left(new QLabel(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_name->setMinimumWidth(120);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    row->addWidget(m_name, 2);
    row->addWidget(m_bar, 3);
    row->addWidget(m_amount, 2);
    row->addWidget(m_rate, 1);
    row->addWidget(m_left, 1);
    hide();
}

void TransferProgressPanel::begin(const QString& name) {
    m_name->setText(name);
    m_bar->setValue(0);
    m_amount->clear();
    m_rate->clear();
    m_left->clear();
    m_rateBytesPerSec = 0;
    m_meter.restart();
    m_active = true;
    m_clock.start();
}

void TransferProgressPanel::update(qint64 done, qint64 total) {
    const qint64 now = m_clock.elapsed();
    if (isHidden() && now >= ShowDelayMs)
        show();
    m_rateBytesPerSec = m_meter.add(now, done);
    m_bar->setValue(total > 0 ? int(1000.0 * double(qMin(done, total)) / double(total)) : 0);
    m_amount->setText(total > 0 ? tr("%1 of %2").arg(formatBytes(done), formatBytes(total))
                                : formatBytes(done));
    m_rate->setText(m_rateBytesPerSec > 0 ? formatBytes(qint64(m_rateBytesPerSec)) + tr("/s")
                                          : QString());
    const qint64 left = m_meter.secondsLeft(done, total);
    if (left >= 0)
        m_left->setText(tr("%1 left").arg(formatDuration(left)));
    else
        m_left->clear();
}

void TransferProgressPanel::end() {
    m_active = false;
    hide();
}

QString TransferProgressPanel::nameText() const {
    return m_name->text();
}
QString TransferProgressPanel::amountText() const {
    return m_amount->text();
}
QString TransferProgressPanel::rateText() const {
    return m_rate->text();
}
QString TransferProgressPanel::timeLeftText() const {
    return m_left->text();
}
int TransferProgressPanel::percent() const {
    return m_bar->value() / 10;
}

QString TransferProgressPanel::formatBytes(qint64 bytes) {
    return formatDataSize(bytes);
}

QString TransferProgressPanel::formatDuration(qint64 seconds) {
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
