#pragma once

#include <QString>
#include <QStringList>

// What the status cell of a row says, and the colour that goes with it.
// A row offered as new keeps the base colour of its class.
namespace zv::status {

inline const QString available = QStringLiteral("Доступно обновление");
inline const QString installed = QStringLiteral("Установлено");
inline const QString waiting = QStringLiteral("Ожидает установки");
inline const QString received = QStringLiteral("Загружено");
inline const QString failed = QStringLiteral("Ошибка");
// What the user stopped is no error: it reads neutral and asks for no box.
inline const QString stopped = QStringLiteral("Прервано");
// A kind of item the client has no installer for: listed, never counted
// as an update and never ticked.
inline const QString unsupported = QStringLiteral("Клиент не устанавливает");

// A newer client that the package manager installs.
inline const QString newerPackage = QStringLiteral("Есть новая версия");
inline const QString newerPackageTip =
    QStringLiteral("Новая версия программы приходит пакетом zelvinorapa. Обновите его "
                   "менеджером пакетов, например: sudo apt update && sudo apt upgrade");

inline const QString partTip =
    QStringLiteral("Загрузка была прервана; при следующей загрузке она продолжится с этого места");

// While a build waits for the service: the status bar's words, and the
// busy sign's short ones beside the table.
inline const QString building = QStringLiteral("Запрос списка обновлений у сервиса…");
inline const QString buildingShort = QStringLiteral("Запрос к сервису…");
inline const QString serviceGone =
    QStringLiteral("Нет связи с сервисом дилера. Проверьте подключение к интернету и нажмите "
                   "«Обновить».");

// The longest texts the status column shows: its width is taken from them.
inline QStringList longest()
{
    return {available, waiting, unsupported, received + QStringLiteral(" 1023,9 из 1023 МБ")};
}

inline const QString doneStyle = QStringLiteral("background-color: aquamarine;");
inline const QString failedStyle = QStringLiteral("background-color: tomato;");
inline const QString neutralStyle;

} // namespace zv::status
