#pragma once

#include <QString>
#include <QVector>

namespace zv {

// What a running download has done, as the user reads it: how much of how
// much, how fast and how long still; or, once nothing has come for a while,
// that the service sends nothing, instead of a figure that stands still.
// Times are milliseconds on any steady clock the caller keeps.
class TransferMeter
{
public:
    // How long without a byte before the text says so.
    static constexpr qint64 quietMs = 5000;

    // A transfer begins at nowMs with `start` bytes already there (a part
    // kept from an earlier try).
    void begin(qint64 start, qint64 nowMs);
    // received: the bytes there so far, the earlier part included; total:
    // the whole file, or -1 when the service did not say.
    void update(qint64 received, qint64 total, qint64 nowMs);

    bool isQuiet(qint64 nowMs) const { return nowMs - m_lastByteMs >= quietMs; }
    // 0 to 100, or -1 without a known total.
    int percent() const;

    // "12,3 из 287 МБ, 1,4 МБ/с, осталось около 3 мин", or once quiet
    // "Нет данных от сервиса 12 с…".
    QString text(qint64 nowMs) const;
    // The short form for a table cell: "12,3 из 287 МБ", or once quiet
    // "Нет данных от сервиса…".
    QString shortText(qint64 nowMs) const;

private:
    // Bytes per second over the last few seconds; 0 before there is a measure.
    double bytesPerSecond() const;

    struct Sample
    {
        qint64 ms;
        qint64 bytes;
    };
    QVector<Sample> m_samples;
    qint64 m_received = 0;
    qint64 m_total = -1;
    qint64 m_lastByteMs = 0;
};

} // namespace zv
