#include "catalogue/answerfields.h"

namespace zv::answer {

int numberAt(const QString& text, int position, int length)
{
    bool ok = false;
    const int value = text.mid(position, length).toInt(&ok, 10);
    return ok ? value : 0;
}

QDate dateAt(const QString& text)
{
    return QDate(numberAt(text, 0, 4), numberAt(text, 5, 2), numberAt(text, 8, 2));
}

QDateTime dateTimeAt(const QString& text, Seconds seconds)
{
    const int second = seconds == Seconds::Read ? numberAt(text, 17, 2) : 0;
    const QTime time(numberAt(text, 11, 2), numberAt(text, 14, 2), second, 0);
    return QDateTime(dateAt(text), time, Qt::LocalTime);
}

QString displayDate(const QString& text)
{
    const QDate date = dateAt(text);
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

} // namespace zv::answer
