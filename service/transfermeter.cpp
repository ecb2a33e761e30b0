#include "service/transfermeter.h"

#include "service/downloadroom.h"

#include <cmath>

namespace zv {

namespace {
// The speed is taken over this much of the latest transfer, so a line that
// slows down shows it within seconds.
constexpr qint64 speedWindowMs = 5000;

// "осталось около 40 с", "осталось около 3 мин", "осталось около 2 ч 5 мин".
QString timeLeftText(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("осталось около %1 с").arg(qMax<qint64>(seconds, 1));
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60)
        return QStringLiteral("осталось около %1 мин").arg(minutes);
    return QStringLiteral("осталось около %1 ч %2 мин").arg(minutes / 60).arg(minutes % 60);
}
} // namespace

void TransferMeter::begin(qint64 start, qint64 nowMs)
{
    m_samples = {{nowMs, start}};
    m_received = start;
    m_total = -1;
    m_lastByteMs = nowMs;
}

void TransferMeter::update(qint64 received, qint64 total, qint64 nowMs)
{
    if (received != m_received)
        m_lastByteMs = nowMs;
    m_received = received;
    m_total = total;
    m_samples.append({nowMs, received});
    while (m_samples.size() > 2 && nowMs - m_samples.at(1).ms >= speedWindowMs)
        m_samples.removeFirst();
}

double TransferMeter::bytesPerSecond() const
{
    if (m_samples.size() < 2)
        return 0.0;
    const Sample& first = m_samples.first();
    const Sample& last = m_samples.last();
    if (last.ms - first.ms < 500)
        return 0.0;
    return double(last.bytes - first.bytes) * 1000.0 / double(last.ms - first.ms);
}

int TransferMeter::percent() const
{
    if (m_total <= 0)
        return -1;
    return int(qBound<qint64>(0, m_received * 100 / m_total, 100));
}

QString TransferMeter::shortText(qint64 nowMs) const
{
    if (isQuiet(nowMs))
        return QStringLiteral("Нет данных от сервиса…");
    return sizeOfText(m_received, m_total);
}

QString TransferMeter::text(qint64 nowMs) const
{
    if (isQuiet(nowMs))
        return QStringLiteral("Нет данных от сервиса %1 с…").arg((nowMs - m_lastByteMs) / 1000);
    QString text = sizeOfText(m_received, m_total);
    const double speed = bytesPerSecond();
    if (speed <= 0.0)
        return text;
    text += QStringLiteral(", ") + sizeText(qint64(speed)) + QStringLiteral("/с");
    if (m_total > m_received)
        text += QStringLiteral(", ") +
                timeLeftText(qint64(std::ceil(double(m_total - m_received) / speed)));
    return text;
}

} // namespace zv
