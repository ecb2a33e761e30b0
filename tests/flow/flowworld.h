#pragma once

#include "tests/support/devserviceprocess.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace zv::test {

// One row of the account's catalogue, as a user sees it before installing
// anything. url is where the stand-in serves the row's archive (only rows
// offered as new have one).
struct OfferedRow
{
    QString title;
    QString itemClass;
    bool newAtStart = false;
    QString url;
};

// A customer's whole surroundings for following updates from the service to
// the disk: the stand-in with the account of WinRIK key 123 and Гранд-Смета
// key "12345 abc" / "00077 xyz", real archives for every row offered as new,
// and a WinRIK and a Гранд-Смета folder in which part of the offer is
// installed already. Service dates are set relative to the moment start()
// runs, so the statuses do not depend on the day the test runs.
//
// What the WinRIK folder holds at the start:
// - INSTAL rows for the bases fr20 (nb.ini version 5, the service has 5.1;
//   its НР и СП current) and gs22 (version 2.4, current; its НР и СП older
//   than the service's); tr01 is offered but not installed;
// - the index set of 0cfo 3rd quarter 2026 (current), not the 4th;
// - loc_all with an outdated record 7, res_all with records 5 (current) and
//   20, while the service offers a new record 12;
// - WinRIK 2.1.231120 (the service has 2.1.240408) and an old user.rik.
// The Гранд-Смета folder holds the 0dfo set of the 3rd quarter, not the 4th.
class FlowWorld
{
public:
    static inline const QString clientVersion = QStringLiteral("2.1.240408");
    static inline const QString rikKey = QStringLiteral("123");
    static inline const QString grandSeries = QStringLiteral("12345 abc");
    static inline const QString grandNumber = QStringLiteral("00077 xyz");

    bool start();
    QString errorString() const { return m_error; }

    DevServiceProcess& service() { return m_service; }
    QString rikPath() const { return m_rik.path(); }
    QString grandPath() const { return m_grand.path(); }

    // Every row of the catalogue, in the order the account's queries list
    // them (the bases' order is the service's own).
    static QList<OfferedRow> offer();
    // When the service last changed the НР и СП of gs22.
    QDateTime gs22NrspChange() const { return serviceTime(5); }
    // The dealer.ini text of fr20, which no installation here may touch.
    QString fr20NrspText() const;

private:
    bool fillAccount();
    bool buildWinRikFolder();
    bool buildGrandFolder();
    bool serveArchives();
    bool fail(const QString& message);
    // The moment start() ran, less some days.
    QDateTime serviceTime(int daysBefore) const;
    QString serviceTimeText(int daysBefore) const;

    DevServiceProcess m_service;
    QTemporaryDir m_rik;
    QTemporaryDir m_grand;
    QTemporaryDir m_files;
    QDateTime m_now;
    QString m_error;
};

} // namespace zv::test
