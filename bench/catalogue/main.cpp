// Time of one whole catalogue build against the local stand-in with 50 ms
// added to every answer, for 0, 10 and 50 installed normative bases, with the
// number of requests the build sent and how many times it waited for the
// service one after another; then the longest time the GUI's event loop went
// without turning while the 50-base build ran, its WinRIK folder holding an
// endings table of 5,000 records. Run it isolated:
//   tests/run-isolated build/bin/bench_catalogue
// With ZV_BENCH_TLS_DIR naming a folder made by
// tests/service/maketestauthority.sh, the stand-in serves HTTPS with its
// "good" certificate and the client trusts that folder's authority. Two more
// lines: the same builds through nginx over HTTPS, with HTTP/1.1 only and with
// HTTP/2 offered.
#include "catalogue/downloadtab.h"
#include "service/serviceaddress.h"
#include "settings/settingkeys.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

struct Figures
{
    qint64 milliseconds = -1;
    int requests = 0;
    int waits = 0;
    qint64 longestStallMs = -1;
};

enum class Road { StandIn, NginxHttp1, NginxHttp2 };

Figures buildWithInstalledBases(int count, Road road)
{
    QTemporaryDir dir;
    zv::test::WinRikFolderBuilder rik(dir.filePath("WinRIK"));
    QVector<zv::test::InstalRow> rows;
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("bench%1").arg(i);
        const QString folder = QStringLiteral("NB/%1/").arg(id);
        rows.append({QStringLiteral("Base %1").arg(i), id, rik.path(folder)});
        rik.writeNbIni(rik.path(folder), QStringLiteral("1.0"), id);
        rik.writeDealerIni(rik.path(folder), QStringLiteral("2026-01-01 10:00"));
    }
    if (!rik.writeInstal(rows))
        return {};
    QVector<zv::VAR> endings(count < 50 ? 0 : 5000);
    for (int i = 0; i < endings.size(); ++i) {
        endings[i].type = QStringLiteral("loc");
        endings[i].number = endings[i].nn = i + 1;
        endings[i].name = QStringLiteral("Record %1").arg(i + 1);
    }
    if (!endings.isEmpty() && !rik.writeEndingsTable(QStringLiteral("loc"), endings))
        return {};

    zv::test::DevServiceProcess service;
    zv::test::DevServiceProcess::Config config;
    config.latencyMs = 50;
    config.record = true;
    config.nginx = road != Road::StandIn;
    const QString ca = qEnvironmentVariable("ZV_BENCH_TLS_DIR");
    if (!ca.isEmpty() && road == Road::StandIn) {
        config.extraArguments = QStringList{"--tls-cert", ca + "/good.pem", "--tls-key", ca + "/good.key"};
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.setCaCertificates(QSslCertificate::fromPath(ca + "/ca.pem"));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    if (!service.start(config))
        return {};
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("bench%1").arg(i);
        service.sql(QStringLiteral("INSERT INTO `норм_база` VALUES ('%1', 'Base %2', '1.5', "
                                   "'2026-10-01 08:00:00', '', '')").arg(id).arg(i));
        service.sql(QStringLiteral("INSERT INTO `разрешениеНБ` VALUES (123, '%1')").arg(id));
    }
    zv::setServiceBaseAddress(road == Road::StandIn ? service.baseUrl()
                                                    : service.frontUrl(road == Road::NginxHttp2));

    QSettings settings;
    settings.clear();
    settings.setValue(zv::keys::generalUseRik, true);
    settings.setValue(zv::keys::generalUseGrand, true);
    settings.setValue(zv::keys::generalOnlyNew, false);
    settings.setValue(zv::keys::rikKey, QStringLiteral("123"));
    settings.setValue(zv::keys::rikPath, rik.root());
    settings.setValue(zv::keys::grandKeySerial, QStringLiteral("12345 abc"));
    settings.setValue(zv::keys::grandKeyNumber, QStringLiteral("00077 xyz"));
    settings.sync();

    DownloadTab tab(nullptr);
    const int before = service.recorded().size();
    // A timer that wants to run every millisecond: the longest gap between
    // two of its turns is the longest the window could not answer.
    QElapsedTimer sinceLastTurn;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = qMax(longestStall, sinceLastTurn.restart());
    });
    QElapsedTimer timer;
    timer.start();
    sinceLastTurn.start();
    ticker.start();
    tab.updateLicList();
    longestStall = qMax(longestStall, sinceLastTurn.elapsed());
    ticker.stop();
    Figures figures;
    figures.milliseconds = timer.elapsed();
    figures.waits = tab.lastBuildWaits();
    figures.longestStallMs = longestStall;
    // A table holding less than the offered bases means the build went wrong.
    if (tab.findChild<QTableWidget*>()->rowCount() < count)
        figures.milliseconds = -1;
    figures.requests = service.recorded().size() - before;
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    // The client's own version: an older one would be offered only the
    // client update, and the build would stop after two requests.
    QCoreApplication::setApplicationVersion(QStringLiteral("2.1.240408"));
    QTextStream out(stdout);
    const QVector<QPair<Road, const char*>> roads{{Road::StandIn, "the stand-in"},
                                                  {Road::NginxHttp1, "nginx, HTTPS, HTTP/1.1"},
                                                  {Road::NginxHttp2, "nginx, HTTPS, HTTP/2"}};
    for (const auto& [road, name] : roads) {
        out << "catalogue build, 50 ms per answer, " << name << ":";
        qint64 longestStallMs = -1;
        for (const int count : {0, 10, 50}) {
            const Figures figures = buildWithInstalledBases(count, road);
            out << " " << count << " bases " << figures.milliseconds << " ms " << figures.requests
                << " requests " << figures.waits << " waits;";
            longestStallMs = figures.longestStallMs;
        }
        out << " longest GUI stall during the 50-base build " << longestStallMs << " ms\n";
        out.flush();
    }
    return 0;
}
