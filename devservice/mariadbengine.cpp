#include "mariadbengine.h"

#include <QStringList>

#include <mysql.h>
#include <pwd.h>
#include <unistd.h>

namespace {
QString lastError(MYSQL* db)
{
    return QString::fromUtf8(mysql_error(db));
}

// The server trusts the account of the process on its socket (unix_socket
// authentication), as mariadb-install-db sets it up for whoever runs it.
QByteArray accountName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QByteArray(entry->pw_name) : QByteArray("root");
}
} // namespace

MariaDbEngine::~MariaDbEngine()
{
    if (m_db)
        mysql_close(m_db);
}

bool MariaDbEngine::open(const QString& socketPath, const QString& database, const QString& data,
                         const QString& fixedDate, QString& error)
{
    m_db = mysql_init(nullptr);
    mysql_options(m_db, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (!mysql_real_connect(m_db, "localhost", accountName().constData(), nullptr, nullptr, 0,
                            socketPath.toLocal8Bit().constData(), 0)) {
        error = QStringLiteral("cannot connect to MariaDB at %1: %2").arg(socketPath, lastError(m_db));
        return false;
    }
    // A fixed timestamp of the session is what its CURDATE() answers.
    if (!fixedDate.isEmpty() &&
        !execute(QStringLiteral("SET timestamp = UNIX_TIMESTAMP('%1 12:00:00')").arg(fixedDate), error))
        return false;
    const QString name = QString(database).replace(QLatin1Char('`'), QLatin1String("``"));
    const QByteArray wanted = database.toUtf8();
    if (mysql_select_db(m_db, wanted.constData()) == 0)
        return true;
    if (!execute(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci")
                     .arg(name),
                 error))
        return false;
    if (mysql_select_db(m_db, wanted.constData()) != 0) {
        error = lastError(m_db);
        return false;
    }
    if (!execScript(resourceText(QStringLiteral(":/devservice/schema-mariadb.sql")), error))
        return false;
    return execScript(data, error);
}

bool MariaDbEngine::execute(const QString& statement, QString& error)
{
    const QByteArray sql = statement.toUtf8();
    if (mysql_real_query(m_db, sql.constData(), sql.size()) != 0) {
        error = lastError(m_db);
        return false;
    }
    mysql_free_result(mysql_store_result(m_db));
    return true;
}

// The scripts end every statement with ";" at the end of a line; the
// connection takes one statement at a time, as the API's does.
bool MariaDbEngine::execScript(const QString& script, QString& error)
{
    for (const QString& statement : script.split(QStringLiteral(";\n"), Qt::SkipEmptyParts)) {
        QString withoutComments;
        for (const QString& line : statement.split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                withoutComments += line + QLatin1Char('\n');
        if (!withoutComments.trimmed().isEmpty() && !execute(withoutComments, error))
            return false;
    }
    return true;
}

EngineAnswer MariaDbEngine::run(const QString& statement)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    EngineAnswer answer;
    const QByteArray sql = statement.toUtf8();
    if (mysql_real_query(m_db, sql.constData(), sql.size()) != 0) {
        answer.error = lastError(m_db);
        return answer;
    }
    MYSQL_RES* result = mysql_store_result(m_db);
    if (!result && mysql_field_count(m_db) != 0) {
        answer.error = lastError(m_db);
        return answer;
    }
    JsonRows rows;
    if (result) {
        const unsigned int columns = mysql_num_fields(result);
        const MYSQL_FIELD* fields = mysql_fetch_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            rows.beginRow();
            for (unsigned int c = 0; c < columns; ++c)
                rows.add(fields[c].name, row[c], int(lengths[c]));
        }
        mysql_free_result(result);
    }
    answer.ok = true;
    answer.json = rows.finish();
    return answer;
}
