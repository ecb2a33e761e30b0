// zv-devservice: a local stand-in of the dealer's service for tests, the demo
// and benchmarks.
#include "httpservice.h"
#include "mariadbengine.h"
#include "options.h"
#include "sqlengine.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Options options;
    QString message;
    switch (parseOptions(app.arguments(), options, message)) {
    case ParseOutcome::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    case ParseOutcome::Error:
        std::fprintf(stderr, "zv-devservice: %s\n%s", qPrintable(message),
                     qPrintable(usageText()));
        return 2;
    case ParseOutcome::Run:
        break;
    }

    QFile dataFile(options.dataPath.isEmpty() ? QStringLiteral(":/devservice/demo.sql") : options.dataPath);
    if (options.demo && !dataFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "zv-devservice: cannot read %s\n", qPrintable(dataFile.fileName()));
        return 2;
    }
    const QString data = options.demo ? QString::fromUtf8(dataFile.readAll()) : QString();
    SqlEngine sqlite;
    MariaDbEngine mariadb;
    sqlite.setFixedDate(options.fixedDate);
    const bool opened = options.mariadb ? mariadb.open(options.mariadbSocket, options.dbPath,
                                                       data, options.fixedDate, message)
                                        : sqlite.open(options.dbPath, data, message);
    Engine& engine = options.mariadb ? static_cast<Engine&>(mariadb) : sqlite;
    if (!opened) {
        std::fprintf(stderr, "zv-devservice: %s\n", qPrintable(message));
        return 2;
    }

    HttpService service(options, engine);
    const int port = service.bind();
    if (port < 0) {
        std::fprintf(stderr, "zv-devservice: cannot listen on %s:%d (address in use or not "
                             "available, or the TLS certificate or key unreadable)\n",
                     qPrintable(options.host), options.port);
        return 2;
    }
    std::printf("zv-devservice listening on %s://%s:%d/\n",
                options.tlsCertPath.isEmpty() ? "http" : "https", qPrintable(options.host), port);
    std::fflush(stdout);
    return service.serve() ? 0 : 1;
}
