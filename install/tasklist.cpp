#include "install/tasklist.h"

#include "install/processcheck.h"

namespace zv::tasklist {

QStringList arguments(const QString& imageName, qint64 ownPid)
{
    QStringList list{QStringLiteral("/FI"), QStringLiteral("IMAGENAME eq ") + imageName};
    if (imageName == clientImageName)
        list << QStringLiteral("/FI") << QStringLiteral("PID ne ") + QString::number(ownPid);
    return list;
}

bool reportsProcess(const QByteArray& output)
{
    return output.size() >= runningOutputLength;
}

} // namespace zv::tasklist
