#pragma once

#include <QString>

// Command line of zv-devservice.
struct Options
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 8765;            // 0 picks a free port; the one taken is printed
    QString dbPath;             // SQLite: the file, empty for in-memory; MariaDB: the database
    bool mariadb = false;       // run statements on a MariaDB server instead of SQLite
    QString mariadbSocket;      // that server's local socket
    QString filesDir;           // empty: no files are served
    QString fixedDate;          // yyyy-MM-dd answered by CURDATE(); empty: today
    int latencyMs = 0;          // added before every answer
    QString recordPath;         // one JSON line per request received
    bool demo = true;           // fill a new database with the demo data
    QString dataPath;           // or with the statements of this file
    qint64 cutAfter = -1;       // drop each file transfer after this many bytes; -1: never
    qint64 stallAfter = -1;     // hold each file transfer silent after this many bytes; -1: never
    QString tlsCertPath;        // with tlsKeyPath: serve HTTPS with this certificate (PEM)
    QString tlsKeyPath;
};

enum class ParseOutcome { Run, Help, Error };

// Fills options from argv; on Error, message says what was wrong.
ParseOutcome parseOptions(const QStringList& arguments, Options& options, QString& message);
QString usageText();
