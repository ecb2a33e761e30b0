#include "options.h"

#include <QDate>
#include <QStringList>

#include <limits>

namespace {
// A count option: a whole number from 0 to most.
bool readCount(const QString& name, const QString& value, qint64 most, qint64& count, QString& message)
{
    bool ok = false;
    const qint64 read = value.toLongLong(&ok);
    if (!ok || read < 0 || read > most) {
        message = QStringLiteral("%1 wants a whole number, got %2").arg(name, value);
        return false;
    }
    count = read;
    return true;
}
} // namespace

QString usageText()
{
    return QStringLiteral(
        "usage: zv-devservice [options]\n"
        "A local stand-in of the dealer's service: POST <base>api/ runs the body as one SQL\n"
        "statement and answers the rows as a JSON array; GET <base><path> serves files.\n"
        "\n"
        "  --listen ADDR:PORT  address to listen on (default 127.0.0.1:8765; port 0 picks one)\n"
        "  --db FILE           SQLite database; created from the schema and demo data if absent\n"
        "                      (default: a fresh in-memory database)\n"
        "  --engine NAME       sqlite (default) or mariadb\n"
        "  --mariadb-socket P  the MariaDB server's local socket; --db then names the database,\n"
        "                      created from its schema and the demo data if absent (default zv)\n"
        "  --no-demo           create a new database with the schema only\n"
        "  --data FILE         fill a new database with FILE's statements instead of the demo data\n"
        "                      (each ends with \";\" at the end of a line)\n"
        "  --files DIR         folder whose files GET serves\n"
        "  --date YYYY-MM-DD   what CURDATE() answers (default: today)\n"
        "  --latency-ms N      delay added to every answer\n"
        "  --record FILE       append one JSON line per request (method, path, headers, body)\n"
        "  --cut-after N       drop the connection after N bytes of every file transfer\n"
        "                      (GET answers ranges with 206; If-Range on ETag or Last-Modified)\n"
        "  --stall-after N     send N bytes of every file transfer, then nothing for 2 minutes\n"
        "  --tls-cert FILE     serve HTTPS with this PEM certificate (chain); needs --tls-key\n"
        "  --tls-key FILE      the certificate's PEM private key\n"
        "  --help              this text\n");
}

ParseOutcome parseOptions(const QStringList& arguments, Options& options, QString& message)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments.at(i);
        if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            return ParseOutcome::Help;
        if (name == QLatin1String("--no-demo")) {
            options.demo = false;
            continue;
        }
        static const QStringList withValue = {"--listen", "--db", "--files", "--date",
                                              "--latency-ms", "--record", "--data", "--engine", "--mariadb-socket", "--cut-after", "--stall-after",
                                              "--tls-cert", "--tls-key"};
        if (!withValue.contains(name)) {
            message = QStringLiteral("unknown option %1").arg(name);
            return ParseOutcome::Error;
        }
        if (i + 1 >= arguments.size()) {
            message = QStringLiteral("option %1 needs a value").arg(name);
            return ParseOutcome::Error;
        }
        const QString value = arguments.at(++i);
        if (name == QLatin1String("--listen")) {
            const int colon = value.lastIndexOf(QLatin1Char(':'));
            bool ok = false;
            const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : -1;
            if (!ok || port < 0 || port > 65535) {
                message = QStringLiteral("--listen wants ADDR:PORT, got %1").arg(value);
                return ParseOutcome::Error;
            }
            options.host = value.left(colon);
            options.port = port;
        } else if (name == QLatin1String("--db")) {
            options.dbPath = value;
        } else if (name == QLatin1String("--data")) {
            options.dataPath = value;
        } else if (name == QLatin1String("--engine")) {
            if (value != QLatin1String("sqlite") && value != QLatin1String("mariadb")) {
                message = QStringLiteral("--engine wants sqlite or mariadb, got %1").arg(value);
                return ParseOutcome::Error;
            }
            options.mariadb = value == QLatin1String("mariadb");
        } else if (name == QLatin1String("--mariadb-socket")) {
            options.mariadbSocket = value;
        } else if (name == QLatin1String("--files")) {
            options.filesDir = value;
        } else if (name == QLatin1String("--date")) {
            if (!QDate::fromString(value, QStringLiteral("yyyy-MM-dd")).isValid()) {
                message = QStringLiteral("--date wants YYYY-MM-DD, got %1").arg(value);
                return ParseOutcome::Error;
            }
            options.fixedDate = value;
        } else if (name == QLatin1String("--latency-ms")) {
            qint64 ms = 0;
            if (!readCount(name, value, std::numeric_limits<int>::max(), ms, message))
                return ParseOutcome::Error;
            options.latencyMs = int(ms);
        } else if (name == QLatin1String("--record")) {
            options.recordPath = value;
        } else if (name == QLatin1String("--cut-after")) {
            if (!readCount(name, value, std::numeric_limits<qint64>::max(), options.cutAfter, message))
                return ParseOutcome::Error;
        } else if (name == QLatin1String("--stall-after")) {
            if (!readCount(name, value, std::numeric_limits<qint64>::max(), options.stallAfter, message))
                return ParseOutcome::Error;
        } else if (name == QLatin1String("--tls-cert")) {
            options.tlsCertPath = value;
        } else if (name == QLatin1String("--tls-key")) {
            options.tlsKeyPath = value;
        }
    }
    if (options.tlsCertPath.isEmpty() != options.tlsKeyPath.isEmpty()) {
        message = QStringLiteral("--tls-cert and --tls-key go together");
        return ParseOutcome::Error;
    }
    if (options.mariadb && options.mariadbSocket.isEmpty()) {
        message = QStringLiteral("--engine mariadb needs --mariadb-socket");
        return ParseOutcome::Error;
    }
    if (options.mariadb && options.dbPath.isEmpty())
        options.dbPath = QStringLiteral("zv");
    return ParseOutcome::Run;
}
