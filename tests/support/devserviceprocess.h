#pragma once

#include <QJsonArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace zv::test {

// The folder of a test authority made by tests/service/maketestauthority.sh,
// made once per process; from then on the client trusts that authority.
QString trustedTestAuthority();

// The local stand-in of the dealer's service, started for one test on a port
// of its own. Its database starts from the schema and (unless told not to)
// the demo data; a test changes it with sql(). As a dealer runs it, it can
// have a MariaDB server of its own and nginx in front (the scripts
// mariadb-server and nginx-front beside this file), stopped with it.
class DevServiceProcess
{
public:
    struct Config
    {
        bool demo = true;
        QString dataFile; // instead of the demo data
        QString filesDir;
        QString fixedDate;  // yyyy-MM-dd
        int latencyMs = 0;
        bool record = false;
        int listenPort = 0; // 0: any free port
        bool mariadb = false;
        bool nginx = false;
        QStringList extraArguments; // e.g. --cut-after N, --tls-cert FILE --tls-key FILE
    };

    ~DevServiceProcess();

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

    // nginx's address, with HTTP/2 offered or HTTP/1.1 alone, and a line
    // "HTTP/2.0 GET /path 206" for each request it answered so far.
    QString frontUrl(bool http2) const { return QString("https://127.0.0.1:%1/").arg(m_frontPorts[http2]); }
    QString frontLog() const;

    static QString binaryPath();

private:
    bool startScript(QProcess& process, const char* script, const QStringList& arguments);

    QProcess m_process, m_mariadb, m_nginx;
    QTemporaryDir m_dir;
    int m_frontPorts[2] = {0, 0};
    QString m_baseUrl;
    QString m_recordPath;
    int m_port = 0;
};

// Isolation every test process asks for before it touches a setting.
void enableTestMode();

} // namespace zv::test
