#pragma once

#include <QByteArray>
#include <QString>

// What one statement gave: the rows as a JSON array of objects, every value
// as text and NULL as null, or the database's own error text.
struct EngineAnswer
{
    bool ok = false;
    QByteArray json;
    QString error;
};

// A database the stand-in runs the client's statements on: SQLite in the
// process, or a MariaDB server as the dealer runs.
class Engine
{
public:
    virtual ~Engine() = default;
    // Runs exactly one statement. Thread-safe.
    virtual EngineAnswer run(const QString& statement) = 0;
};

// The text of one of the stand-in's compiled-in files (schema, demo data).
QString resourceText(const QString& name);

// Builds the JSON array of an answer row by row; both engines answer
// through it, so their answers differ only where their databases do.
class JsonRows
{
public:
    void beginRow();
    // value null: SQL NULL.
    void add(const char* name, const char* value, int size);
    QByteArray finish();

private:
    QByteArray m_json = "[";
    bool m_firstRow = true;
    bool m_firstValue = true;
};
