#include "sqlengine.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

void curdate(sqlite3_context* context, int, sqlite3_value**)
{
    const auto* fixed = static_cast<const QString*>(sqlite3_user_data(context));
    const QByteArray date = (fixed->isEmpty() ? QDate::currentDate().toString(Qt::ISODate) : *fixed)
                                .toUtf8();
    sqlite3_result_text(context, date.constData(), date.size(), SQLITE_TRANSIENT);
}

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() >= 0x80;
}

} // namespace

SqlEngine::~SqlEngine()
{
    if (m_db)
        sqlite3_close(m_db);
}

bool SqlEngine::open(const QString& path, const QString& data, QString& error)
{
    const bool fresh = path.isEmpty() || !QFileInfo::exists(path);
    const QByteArray name = path.isEmpty() ? QByteArray(":memory:") : QFile::encodeName(path);
    if (sqlite3_open(name.constData(), &m_db) != SQLITE_OK) {
        error = QStringLiteral("cannot open database %1: %2")
                    .arg(path, QString::fromUtf8(sqlite3_errmsg(m_db)));
        return false;
    }
    sqlite3_create_function(m_db, "CURDATE", 0, SQLITE_UTF8, &m_fixedDate, curdate, nullptr,
                            nullptr);
    if (fresh) {
        if (!execScript(resourceText(QStringLiteral(":/devservice/schema.sql")), error))
            return false;
        if (!execScript(data, error))
            return false;
    }
    loadTableNames();
    return true;
}

bool SqlEngine::execScript(const QString& script, QString& error)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, script.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = QString::fromUtf8(message);
        sqlite3_free(message);
        return false;
    }
    return true;
}

void SqlEngine::loadTableNames()
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(m_db, "SELECT name FROM sqlite_master WHERE type IN ('table','view')", -1,
                       &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const QString table =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        m_tableByLowerName.insert(table.toLower(), table);
    }
    sqlite3_finalize(statement);
}

QString SqlEngine::canonicalTableNames(const QString& statement) const
{
    // SQLite folds only ASCII letters in names; MySQL on Windows folds all, so
    // `ключигранд` and `ключиГранд` are one table there.
    QString out;
    out.reserve(statement.size());
    int i = 0;
    const int n = statement.size();
    while (i < n) {
        const QChar c = statement.at(i);
        if (c == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < n) {
                if (statement.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && statement.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += statement.midRef(i, j - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('`')) {
            const int end = statement.indexOf(QLatin1Char('`'), i + 1);
            if (end < 0) {
                out += statement.midRef(i);
                break;
            }
            const QString name = statement.mid(i + 1, end - i - 1);
            out += QLatin1Char('`') + m_tableByLowerName.value(name.toLower(), name) +
                   QLatin1Char('`');
            i = end + 1;
        } else if (isIdentifierChar(c)) {
            int j = i;
            while (j < n && isIdentifierChar(statement.at(j)))
                ++j;
            const QString word = statement.mid(i, j - i);
            out += m_tableByLowerName.value(word.toLower(), word);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

EngineAnswer SqlEngine::run(const QString& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    EngineAnswer answer;
    const QByteArray sql = canonicalTableNames(text).toUtf8();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), sql.size(), &statement, &tail) != SQLITE_OK) {
        answer.error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return answer;
    }
    if (!statement) {
        answer.error = QStringLiteral("empty statement");
        return answer;
    }
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        sqlite3_finalize(statement);
        answer.error = QStringLiteral("only one statement per request");
        return answer;
    }

    const int columns = sqlite3_column_count(statement);
    JsonRows rows;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        rows.beginRow();
        for (int c = 0; c < columns; ++c) {
            const bool null = sqlite3_column_type(statement, c) == SQLITE_NULL;
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            rows.add(sqlite3_column_name(statement, c), null ? nullptr : value,
                     sqlite3_column_bytes(statement, c));
        }
    }
    if (step != SQLITE_DONE) {
        answer.error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(statement);
        return answer;
    }
    sqlite3_finalize(statement);
    answer.ok = true;
    answer.json = rows.finish();
    return answer;
}
