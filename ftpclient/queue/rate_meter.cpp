#include "rate_meter.h"

#include <cmath>

void RateMeter::restart() {
    m_samples.clear();
    m_rate = 0;
    m_clock.start();
}

double RateMeter::add(qint64 done) {
    if (!m_clock.isValid())
        m_clock.start();
    return add(m_clock.elapsed(), done);
}

double RateMeter::add(qint64 ms, qint64 done) {
    if (!m_samples.empty() && done < m_samples.back().done)
        m_samples.clear();
    m_samples.push_back({ms, done});
    while (m_samples.size() > 2 && ms - m_samples[1].ms >= WindowMs)
        m_samples.pop_front();
    const Sample& first = m_samples.front();
    if (ms > first.ms)
        m_rate = double(done - first.done) * 1000.0 / double(ms - first.ms);
    return m_rate;
}

qint64 RateMeter::secondsLeft(qint64 done, qint64 total) const {
    if (total <= 0 || done >= total || m_rate <= 0)
        return -1;
    return qint64(std::ceil(double(total - done) / m_rate));
}
