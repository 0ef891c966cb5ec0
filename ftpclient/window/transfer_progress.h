#pragma once

#include "rate_meter.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// Shows the file being transferred: its name, a bar with the bytes done of
// the total, the rate over the last few seconds and the time left at that
// rate. It appears only once a transfer has run for a moment, so that a
// selection of many small files does not make it flicker.
class TransferProgressPanel : public QWidget {
    Q_OBJECT

public:
    explicit TransferProgressPanel(QWidget* parent = nullptr);

    static constexpr int ShowDelayMs = 250;
    // The rate is taken over this much of the most recent progress.
    static constexpr qint64 RateWindowMs = RateMeter::WindowMs;

    // Starts following a new transfer of `name`.
    void begin(const QString& name);
    bool active() const { return m_active; }
    void update(qint64 done, qint64 total);
    // Hides the panel; the next transfer begins afresh.
    void end();

    QString nameText() const;
    QString amountText() const;
    QString rateText() const;
    QString timeLeftText() const;
    int percent() const;

    static QString formatBytes(qint64 bytes);
    static QString formatDuration(qint64 seconds);

private:
    QLabel* m_name;
    QProgressBar* m_bar;
    QLabel* m_amount;
    QLabel* m_rate;
    QLabel* m_left;
    QElapsedTimer m_clock;
    RateMeter m_meter;
    double m_rateBytesPerSec = 0;
    bool m_active = false;
};
