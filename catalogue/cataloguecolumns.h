#pragma once

#include <QString>
#include <QStringList>

// The download table is the catalogue itself: one row per update item. Only
// the title and the status are shown; the rest rides along hidden for the
// filter and the download and install actions.
namespace zv::column {

enum Column : int { Title = 0, Status = 1, Id = 2, Url = 3, Class = 4, IsNew = 5, Count = 6 };

inline QStringList headers()
{
    return {QStringLiteral("Наименование"), QStringLiteral("Статус"), QStringLiteral("ИД"),
            QStringLiteral("URL"),          QStringLiteral("class"),  QStringLiteral("isNew")};
}

// The least width of the status column; the longest status may ask for more.
inline constexpr int statusWidth = 190;

inline const QString checkOffIcon = QStringLiteral(":/checkoff.ico");
inline const QString checkOnIcon = QStringLiteral(":/checkon.ico");

} // namespace zv::column
