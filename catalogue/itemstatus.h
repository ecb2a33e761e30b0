#pragma once

#include <QString>

// What the status cell of a row says, and the colour that goes with it.
// A row offered as new keeps the base colour of its class.
namespace zv::status {

inline const QString available = QStringLiteral("Доступно обновление");
inline const QString installed = QStringLiteral("Установлено");
inline const QString waiting = QStringLiteral("Ожидает установки");
inline const QString received = QStringLiteral("Загружено");
inline const QString failed = QStringLiteral("Ошибка");

inline const QString doneStyle = QStringLiteral("background-color: aquamarine;");
inline const QString failedStyle = QStringLiteral("background-color: tomato;");

} // namespace zv::status
