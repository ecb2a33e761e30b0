#pragma once

#include <QJsonArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace zv::test {

// The local stand-in of the dealer's service, started for one test on a port
// of its own. Its database starts from the schema and (unless told not to)
// the demo data; a test changes it with sql().
class DevServiceProcess
{
public:
    struct Config
    {
        bool demo = true;
        QString filesDir;
        QString fixedDate;  // yyyy-MM-dd
        int latencyMs = 0;
        bool record = false;
        int listenPort = 0; // 0: any free port
        QStringList extraArguments; // e.g. --cut-after N, --tls-cert FILE --tls-key FILE
    };

    ~DevServiceProcess() { m_process.kill(); m_process.waitForFinished(5000); }

    bool start(const Config& config);
    bool start() { return start(Config()); }

    // e.g. "http://127.0.0.1:40213/" ("https://" when serving TLS)
    QString baseUrl() const { return m_baseUrl; }
    int port() const { return m_port; }
    // Runs a statement through the service's API; false on an error answer.
    bool sql(const QString& statement, QJsonArray* rows = nullptr) const;
    // Requests received so far (needs Config::record), one JSON object each.
    QJsonArray recorded() const;
    // The SQL texts of the recorded requests, in the order they came.
    QStringList recordedStatements() const;

    static QString binaryPath();

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_baseUrl;
    QString m_recordPath;
    int m_port = 0;
};

// Isolation every test process asks for before it touches a setting.
void enableTestMode();

} // namespace zv::test
