#pragma once

#include "tests/support/devserviceprocess.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

namespace zv::test {

// The surroundings of a download tab under test: the stand-in service with a
// small account of our own (no demo data), a WinRIK folder and a Гранд-Смета
// folder, and the settings that point at them.
//
// The account: WinRIK key 123 (key type SPB, WinRIK version 2.1) whose user
// file changed at userFileChange; Гранд-Смета key "12345 abc" / "00077 xyz";
// the service's current versions of "rik" and of this client are both
// 2.1.240408, which is also the client's own version. The WinRIK folder has
// an empty INSTAL table, WinRIK 2.1.240408 installed and a user file as new
// as the service's.
class CatalogueWorld
{
public:
    static inline const QString clientVersion = QStringLiteral("2.1.240408");
    static inline const QDateTime userFileChange =
        QDateTime(QDate(2026, 11, 20), QTime(9, 30, 15), Qt::LocalTime);

    struct Options
    {
        bool record = false;
        int latencyMs = 0;
    };

    bool start(const Options& options);
    bool start() { return start(Options()); }
    QString errorString() const { return m_error; }

    DevServiceProcess& service() { return m_service; }
    bool sql(const QStringList& statements);
    QString rikPath() const { return m_rik.path(); }
    QString grandPath() const { return m_grand.path(); }
    // The folder the stand-in serves files from.
    QString filesPath() const { return m_files.path(); }
    WinRikFolderBuilder rik() const { return WinRikFolderBuilder(m_rik.path()); }

    // Settings for a tab that lists what the programs in use offer.
    void applySettings(bool useRik, bool useGrand, bool onlyNew = false) const;
    // Empties the download cache.
    static void clearCache();
    // Puts a file at the cache path of a relative path, as a download would.
    static bool putInCache(const QString& relativePath, const QByteArray& bytes = "archive");
    // Puts a file where the stand-in serves it.
    bool serveFile(const QString& relativePath, const QByteArray& bytes);

    // Statements the service received whose text contains the fragment.
    int countStatements(const QString& fragment) const;

private:
    DevServiceProcess m_service;
    QTemporaryDir m_rik;
    QTemporaryDir m_grand;
    QTemporaryDir m_files;
    QString m_error;
};

} // namespace zv::test
