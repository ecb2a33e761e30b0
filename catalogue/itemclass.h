#pragma once

#include <QString>

// The kinds of update the catalogue lists. The text is what a row carries in
// its "class" column, and what the installer decides by.
namespace zv::itemclass {

inline const QString rikIndices = QStringLiteral("rikInd");
inline const QString grandIndices = QStringLiteral("grandInd");
inline const QString rikBase = QStringLiteral("rikNB");
inline const QString rikNrsp = QStringLiteral("rikNRSP");
inline const QString rikLocalEndings = QStringLiteral("rikVarLoc");
inline const QString rikResourceEndings = QStringLiteral("rikVarRes");
inline const QString rikUserFile = QStringLiteral("rikUser");
inline const QString rikProgram = QStringLiteral("rik");
inline const QString client = QStringLiteral("zelvinoraPA");
// Only on Windows does the client install its own update (it starts the
// dealer's setup program); elsewhere the system's package manager does, and
// the catalogue only says that a newer client exists.
#ifdef Q_OS_WIN
inline constexpr bool clientInstallsItsUpdate = true;
#else
inline constexpr bool clientInstallsItsUpdate = false;
#endif
// Where the service keeps the client's own setup program.
inline const QString clientSetupPath = QStringLiteral("downloads/accessories/zelvinorapasetup.exe");

// Style sheet of a row's check box, and of its status label while the item is
// offered as new. Гранд-Смета rows stand out in their own colour.
inline const QString rikColour = QStringLiteral("background-color: floralwhite");
inline const QString grandColour = QStringLiteral("background-color: lightcyan");

inline QString baseColour(const QString& itemClass)
{
    return itemClass == grandIndices ? grandColour : rikColour;
}

} // namespace zv::itemclass
