// bench_download [megabytes]
//
// Serves one file of the given size (500 MB unless told) from the local
// stand-in and fetches it through FileDownload into the download cache and
// with curl: from the stand-in itself, then through nginx over HTTPS with
// HTTP/1.1 and with HTTP/2 offered. Each runs as a child process of its own,
// so its peak resident size is its own, and each is timed from start to
// exit. Prints one line of figures per road.
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "tests/support/devserviceprocess.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {
const QString servedPath = QStringLiteral("update/bench/large.zip");

struct ChildRun
{
    bool ok = false;
    double seconds = 0;
    double peakMegabytes = 0;
};

// Runs a program to its end and reads its own peak resident size.
ChildRun runChild(const QStringList& arguments, const QByteArray& tempDir)
{
    std::vector<QByteArray> encoded;
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The child's temporary folder, and with it the download cache, is the
    // benchmark's own.
    std::vector<QByteArray> environment{"TMPDIR=" + tempDir};
    for (char** entry = environ; *entry; ++entry) {
        if (!QByteArray(*entry).startsWith("TMPDIR="))
            environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (QByteArray& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return run;
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.peakMegabytes = usage.ru_maxrss / 1024.0; // kilobytes on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The child side: one download through the client's own path.
int downloadOnce(const QString& baseUrl, const QString& authority)
{
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.setCaCertificates(QSslCertificate::fromPath(authority + QStringLiteral("/ca.pem")));
    QSslConfiguration::setDefaultConfiguration(trusting);
    zv::setServiceBaseAddress(baseUrl);
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    zv::FileDownload download;
    return download.run(manager, servedPath) ? 0 : 1;
}

bool writeServedFile(const QString& path, qint64 megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Not zeros, so a file system cannot shortcut the writes.
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (qint64 m = 0; m < megabytes; ++m) {
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 31 + m * 7) & 0xff);
        if (file.write(block) != block.size())
            return false;
    }
    return file.flush();
}

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--child"))
        return downloadOnce(arguments.at(2), arguments.at(3));

    const qint64 megabytes = arguments.size() > 1 ? arguments.at(1).toLongLong() : 500;
    if (megabytes <= 0) {
        std::fprintf(stderr, "bench_download: the size must be a positive number of megabytes\n");
        return 2;
    }
    QTemporaryDir served;
    QTemporaryDir childTemp;
    const QString source = served.filePath(servedPath);
    if (!served.isValid() || !childTemp.isValid() || !QDir().mkpath(QFileInfo(source).path()) ||
        !writeServedFile(source, megabytes)) {
        std::fprintf(stderr, "bench_download: cannot write the served file below %s\n",
                     qPrintable(served.path()));
        return 1;
    }
    zv::test::DevServiceProcess service;
    zv::test::DevServiceProcess::Config config;
    config.filesDir = served.path();
    config.nginx = true;
    if (!service.start(config)) {
        std::fprintf(stderr, "bench_download: cannot start %s\n",
                     qPrintable(zv::test::DevServiceProcess::binaryPath()));
        return 1;
    }

    const QString authority = zv::test::trustedTestAuthority();
    const QByteArray tempDir = QFile::encodeName(childTemp.path());
    const QByteArray expected = hashOf(source);
    const QString cached = childTemp.path() + QStringLiteral("/zelvinora/") + servedPath;
    const QString curled = childTemp.filePath(QStringLiteral("curl.zip"));
    bool allIntact = true;
    const QVector<QPair<QString, QString>> roads{{QStringLiteral("stand-in, HTTP"), service.baseUrl()},
                                                 {QStringLiteral("nginx, HTTP/1.1"), service.frontUrl(false)},
                                                 {QStringLiteral("nginx, HTTP/2"), service.frontUrl(true)}};
    for (const auto& [road, baseUrl] : roads) {
        QFile::remove(cached);
        QFile::remove(curled);
        const ChildRun client = runChild(
            {app.applicationFilePath(), QStringLiteral("--child"), baseUrl, authority}, tempDir);
        const bool clientIntact = client.ok && hashOf(cached) == expected;
        const ChildRun curl = runChild(
            {QStringLiteral("curl"), QStringLiteral("-s"), QStringLiteral("--noproxy"),
             QStringLiteral("*"), QStringLiteral("-f"), QStringLiteral("--cacert"),
             authority + QStringLiteral("/ca.pem"),
             road.endsWith(QLatin1String("/2")) ? QStringLiteral("--http2") : QStringLiteral("--http1.1"),
             QStringLiteral("-o"), curled, baseUrl + servedPath},
            tempDir);
        const bool curlIntact = curl.ok && hashOf(curled) == expected;
        allIntact = allIntact && clientIntact && curlIntact;
        std::printf("download %lld MB, %s: client %.2f s, peak RSS %.1f MB%s; curl %.2f s, peak RSS "
                    "%.1f MB%s; client / curl %.2f\n",
                    megabytes, qPrintable(road), client.seconds, client.peakMegabytes,
                    clientIntact ? "" : " (FAILED)", curl.seconds, curl.peakMegabytes,
                    curlIntact ? "" : " (FAILED)", client.seconds / curl.seconds);
        std::fflush(stdout);
    }
    return allIntact ? 0 : 1;
}
