// The download of a ticked row as its status cell shows it: the progress bar
// while the file arrives (a busy bar when its size is not announced), the
// waiting state after a success, the error after a failure.
#include "catalogue/downloadtab.h"
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"
#include "tests/support/logcapture.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace zv;

namespace {
const QString grandIndex =
    QStringLiteral("Индексы и ценники (4 квартал 2024 год к Центральный ФО)");
const QString grandUrl = QStringLiteral("update_grand/grand_0cfo_2024_4.zip");

// A file peer that sends the headers of one answer, then the body a byte at
// a time as the test asks, and holds the connection until told to end it;
// every later request is refused with 500, so the rebuild after the action
// ends quickly.
class StallingPeer : public QObject
{
public:
    explicit StallingPeer(QByteArray head) : m_head(std::move(head))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (!m_held) {
                        m_held = socket;
                        socket->write(m_head);
                    } else if (socket != m_held) {
                        socket->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n"
                                      "Connection: close\r\n\r\n");
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    void sendMore()
    {
        if (m_held && m_held->state() == QAbstractSocket::ConnectedState) {
            m_held->write("z");
            ++m_sent;
        }
    }
    int sent() const { return m_sent; }
    void cutOff()
    {
        if (m_held)
            m_held->disconnectFromHost();
    }

private:
    QTcpServer m_server;
    QByteArray m_head;
    QTcpSocket* m_held = nullptr;
    int m_sent = 0;
};

// What the status cell of a row showed while an action ran.
struct CellSample
{
    QString kind; // "bar", "label" or "none"
    QString text;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};
} // namespace

class CatalogueDownloadTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY2(m_world.start(), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `норм_база` VALUES "
                     "('0CFO', 'Центральный ФО', NULL, NULL, '', 'Индексы/ЦФО_')",
                     "INSERT INTO `индекс` VALUES (7, '0cfo', '4', '2024', NULL)",
                     "INSERT INTO `разрешениеИнд` VALUES (9001, 7)",
                 }),
                 qPrintable(m_world.errorString()));
    }

    void init()
    {
        m_world.applySettings(false, true);
        test::CatalogueWorld::clearCache();
    }

    void downloadedArchiveMirrorsTheServicePathAndWaits()
    {
        QVERIFY(m_world.serveFile(grandUrl, "first"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, grandIndex);
        test::LogCapture log;
        test::buttonOf(tab, "downloadButton")->click();
        QFile cached(cachePathOf(grandUrl));
        QVERIFY(cached.open(QIODevice::ReadOnly));
        QCOMPARE(cached.readAll(), QByteArray("first"));
        QVERIFY(cachePathOf(grandUrl).endsWith("/zelvinora/" + grandUrl));
        QVERIFY(log.lines().contains("default: dwnld"));
        // The rebuild at the end finds it in the cache; the tick is gone.
        const auto row = test::rowTitled(tab, grandIndex);
        QCOMPARE(row.status, QStringLiteral("Ожидает установки"));
        QVERIFY(!row.ticked);

        // A second download of the same path replaces the file.
        QVERIFY(m_world.serveFile(grandUrl, "second"));
        test::tick(tab, grandIndex);
        test::buttonOf(tab, "downloadButton")->click();
        cached.close();
        QVERIFY(cached.open(QIODevice::ReadOnly));
        QCOMPARE(cached.readAll(), QByteArray("second"));
    }

    void fileMissingOnTheServiceMarksTheRowFailed()
    {
        QFile::remove(m_world.filesPath() + "/" + grandUrl);
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, grandIndex);
        test::ActionOutcome after(tab);
        test::LogCapture log;
        test::buttonOf(tab, "downloadButton")->click();
        QVERIFY(after.taken());
        QCOMPARE(after.row(grandIndex).status, QStringLiteral("Ошибка"));
        QCOMPARE(after.row(grandIndex).statusStyle, QStringLiteral("background-color: tomato;"));
        QVERIFY(log.contains("Error", "downloadFile: "));
        QVERIFY(!QFile::exists(cachePathOf(grandUrl)));
        QCOMPARE(test::rowTitled(tab, grandIndex).status, QStringLiteral("Доступно обновление"));
    }

    // The network layer reports progress at most every so often, so the peer
    // keeps adding a byte until the bar has taken a report; the bar must then
    // say what the received bytes make of the total.
    void progressBarShowsWhatHasArrived_data()
    {
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<bool>("sized");
        QTest::newRow("size announced")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n") << true;
        QTest::newRow("size unknown")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") << false;
    }

    void progressBarShowsWhatHasArrived()
    {
        QFETCH(QByteArray, headers);
        QFETCH(bool, sized);
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QCOMPARE(test::titlesOf(tab), QStringList{grandIndex});
        test::tick(tab, grandIndex);

        StallingPeer peer(headers);
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        CellSample reported;
        int sentWhenReported = 0;
        QTimer sampler;
        sampler.setInterval(5);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            auto* bar = qobject_cast<QProgressBar*>(test::tableOf(tab)->cellWidget(0, 1));
            if (!bar || !reported.kind.isEmpty())
                return;
            if (bar->format() == QStringLiteral("%p%")) {
                // Never the whole body: without a report the test ends
                // in a failure rather than waiting for ever.
                if (peer.sent() < 999)
                    peer.sendMore();
                else
                    peer.cutOff();
                return;
            }
            reported = {"bar", bar->format(), bar->minimum(), bar->maximum(), bar->value()};
            sentWhenReported = peer.sent();
            peer.cutOff();
        });
        sampler.start();
        test::buttonOf(tab, "downloadButton")->click();
        sampler.stop();
        setServiceBaseAddress(m_world.service().baseUrl());

        QCOMPARE(reported.kind, QStringLiteral("bar"));
        QCOMPARE(reported.minimum, 0);
        if (sized) {
            QCOMPARE(reported.maximum, 1000);
            QVERIFY(reported.value > 0 && reported.value <= sentWhenReported);
            QCOMPARE(reported.text, progressText(reported.value, 1000));
            // Cut off before the announced size: a failure, nothing cached.
            QVERIFY(!QFile::exists(cachePathOf(grandUrl)));
        } else {
            // A busy bar that counts the bytes.
            QCOMPARE(reported.maximum, 0);
            bool counted = false;
            for (int bytes = 1; bytes <= sentWhenReported && !counted; ++bytes)
                counted = reported.text == progressText(bytes, -1);
            QVERIFY2(counted, qPrintable(reported.text));
        }
        QVERIFY(test::buttonOf(tab, "downloadButton")->isEnabled());
    }
};

QTEST_MAIN(CatalogueDownloadTest)
#include "tst_cataloguedownload.moc"
