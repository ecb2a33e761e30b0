#include "app/updatecheckschedule.h"

namespace zv {

QDateTime nextUpdateCheck(const QDateTime& since, int number, const QString& hoursOrDay)
{
    if (!since.isValid() || number < 1)
        return QDateTime();
    if (hoursOrDay == QLatin1String("h"))
        return since.addSecs(qint64(number) * 3600);
    if (hoursOrDay == QLatin1String("d"))
        return since.addDays(number);
    return QDateTime();
}

} // namespace zv
