#include "settings/fixeddrives.h"

#ifdef Q_OS_WIN

#include <windows.h>

#include <array>

namespace zv {

QStringList getDrives(unsigned type)
{
    // GetDriveTypeW answers 0 (unknown) to 6 (RAM disk).
    std::array<QStringList, 7> byType;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QString root = QString(QLatin1Char(letter)) + QStringLiteral(":\\");
        const UINT found = GetDriveTypeW(reinterpret_cast<LPCWSTR>(root.utf16()));
        if (found < byType.size())
            byType[found].append(root);
    }
    return type < byType.size() ? byType[type] : QStringList();
}

QStringList fixedDriveRoots()
{
    QStringList roots = getDrives(DRIVE_FIXED);
    for (QString& root : roots)
        root.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return roots;
}

} // namespace zv

#endif
