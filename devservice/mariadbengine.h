#pragma once

#include "engine.h"

#include <mutex>

typedef struct st_mysql MYSQL;

// The client's statements on a MariaDB server, the dialect the dealer's own
// database speaks: reached through its local socket, one database of it per
// stand-in. The server folds table names to lower case
// (lower_case_table_names=1), as the dealer's does, so no name is rewritten.
class MariaDbEngine : public Engine
{
public:
    MariaDbEngine() = default;
    ~MariaDbEngine() override;
    MariaDbEngine(const MariaDbEngine&) = delete;
    MariaDbEngine& operator=(const MariaDbEngine&) = delete;

    // Connects as the account of this process. A database that does not
    // exist yet is made and gets the schema, then the statements of data
    // (the demo data, say). fixedDate (yyyy-MM-dd, or empty for today) is what CURDATE()
    // answers.
    bool open(const QString& socketPath, const QString& database, const QString& data,
              const QString& fixedDate, QString& error);
    EngineAnswer run(const QString& statement) override;

private:
    bool execute(const QString& statement, QString& error);
    bool execScript(const QString& script, QString& error);

    MYSQL* m_db = nullptr;
    std::mutex m_mutex;
};
