#pragma once

#include "engine.h"

#include <QHash>
#include <QString>

#include <mutex>

struct sqlite3;

// The stand-in's database: SQLite behaving where the client relies on it like
// the dealer's MySQL-style database does (CURDATE(), table names and text
// comparisons without regard to letter case).
class SqlEngine : public Engine
{
public:
    SqlEngine() = default;
    ~SqlEngine() override;
    SqlEngine(const SqlEngine&) = delete;
    SqlEngine& operator=(const SqlEngine&) = delete;

    // path empty: in-memory. A database that does not exist yet gets the
    // schema, then the statements of data (the demo data, say).
    bool open(const QString& path, const QString& data, QString& error);
    void setFixedDate(const QString& date) { m_fixedDate = date; }

    EngineAnswer run(const QString& statement) override;

    // Table names written in another letter case become the stored names.
    QString canonicalTableNames(const QString& statement) const;

private:
    bool execScript(const QString& script, QString& error);
    void loadTableNames();

    sqlite3* m_db = nullptr;
    QString m_fixedDate;
    QHash<QString, QString> m_tableByLowerName;
    std::mutex m_mutex;
};
