#include "settingstesthelpers.h"

#include "service/serviceaddress.h"
#include "settings/hometab.h"
#include "settings/setnetwork.h"
#include "settings/settingkeys.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"

#include <QApplication>
#include <QCheckBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using zv::test::childShowing;

namespace {

void store(const QString& key, const QVariant& value)
{
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
}

QVariant stored(const QString& key)
{
    QSettings settings;
    return settings.value(key);
}

void clickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

} // namespace

// The network settings page through its real controls, and its connection
// test against the local stand-in of the service.
class NetworkPageTest : public QObject
{
    Q_OBJECT

private:
    struct Page
    {
        SetNetwork widget;
        QCheckBox* useProxy;
        QGroupBox* group;
        QRadioButton* fromBrowser;
        QRadioButton* custom;
        QRadioButton* http;
        QRadioButton* socks5;
        QLineEdit* address;
        QLineEdit* port;
        QCheckBox* auth;
        QLineEdit* user;
        QLineEdit* password;
        QLabel* userLabel;
        QLabel* passwordLabel;
        QPushButton* test;
        QPushButton* defaults;
        QPushButton* save;

        Page()
        {
            widget.resize(700, 500);
            widget.show();
            useProxy = childShowing<QCheckBox>(&widget, "Использовать прокси-сервер");
            group = childShowing<QGroupBox>(&widget, "Настройки прокси-сервера");
            fromBrowser = childShowing<QRadioButton>(&widget, "Использовать настройки браузера");
            custom = childShowing<QRadioButton>(&widget, "Использовать собственные настройки");
            http = childShowing<QRadioButton>(&widget, "HTTP");
            socks5 = childShowing<QRadioButton>(&widget, "SOCKS5");
            address = widget.findChild<QLineEdit*>("address");
            port = widget.findChild<QLineEdit*>("port");
            auth = childShowing<QCheckBox>(&widget, "Использовать авторизацию");
            user = widget.findChild<QLineEdit*>("user");
            password = widget.findChild<QLineEdit*>("password");
            userLabel = childShowing<QLabel>(&widget, "Имя пользователя:");
            passwordLabel = childShowing<QLabel>(&widget, "Пароль:");
            test = childShowing<QPushButton>(&widget, "Проверить соединение");
            defaults = childShowing<QPushButton>(&widget, "Установить настройки по умолчанию");
            save = childShowing<QPushButton>(&widget, "Сохранить изменения");
        }
        bool complete()
        {
            return useProxy && group && fromBrowser && custom && http && socks5 && address &&
                   port && auth && user && password && userLabel && passwordLabel && test &&
                   defaults && save && QTest::qWaitForWindowExposed(&widget);
        }
        QList<QWidget*> credentials() const { return {userLabel, passwordLabel, user, password}; }
        QList<QWidget*> gridWidgets() const
        {
            return group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        }
        // Uses a proxy of its own on the page, without saving.
        void typeOwnHttpProxy(const QString& host, int portNumber)
        {
            if (!useProxy->isChecked())
                clickBox(useProxy);
            custom->click();
            http->click();
            address->setText(host);
            port->setText(QString::number(portNumber));
        }
    };

    static int enabledCount(const QList<QWidget*>& widgets)
    {
        int count = 0;
        for (QWidget* widget : widgets)
            count += widget->isEnabled() ? 1 : 0;
        return count;
    }

    static void storeOwnProxy()
    {
        store(zv::keys::networkProxyUse, true);
        store(zv::keys::networkProxyBrowser, false);
        store(zv::keys::networkProxyCustom, true);
        store(zv::keys::networkProxyHttp, false);
        store(zv::keys::networkProxySocks5, true);
        store(zv::keys::networkProxyAddress, QStringLiteral("proxy.office.local"));
        store(zv::keys::networkProxyPort, 1080);
        store(zv::keys::networkProxyAuth, true);
        store(zv::keys::networkProxyUser, QStringLiteral("ivanova"));
        store(zv::keys::networkProxyPass, QStringLiteral("secret 1"));
    }

    zv::test::DevServiceProcess m_service;

private slots:
    void initTestCase()
    {
        zv::test::prepareSettingsProcess();
        zv::test::DevServiceProcess::Config config;
        config.record = true;
        QVERIFY(m_service.start(config));
    }
    void init()
    {
        zv::test::resetStoreAndCache();
        zv::setServiceBaseAddress(m_service.baseUrl());
    }

    void proxyOffGreysEverythingButTheTest()
    {
        store(zv::keys::networkProxyUse, false);
        store(zv::keys::networkProxyAuth, true);
        Page page;
        QVERIFY(page.complete());
        QCOMPARE(page.group->styleSheet(), "QGroupBox { color: grey; }");
        const QList<QWidget*> widgets = page.gridWidgets();
        QCOMPARE(widgets.size(), 15);
        for (QWidget* widget : widgets)
            QCOMPARE(widget->isEnabled(), widget == page.test);
        QVERIFY(page.group->isEnabled());
        QVERIFY(page.useProxy->isEnabled());
    }

    void proxyOnWithAuthorisationOffLeavesCredentialsAsTheyWere()
    {
        store(zv::keys::networkProxyUse, true);
        store(zv::keys::networkProxyAuth, false);
        Page page;
        QVERIFY(page.complete());
        QCOMPARE(page.group->styleSheet(), "QGroupBox { color: black; }");
        QCOMPARE(enabledCount(page.gridWidgets()), 15);

        clickBox(page.auth);
        QCOMPARE(enabledCount(page.credentials()), 4);
        clickBox(page.auth);
        QCOMPARE(enabledCount(page.credentials()), 0);
        QCOMPARE(enabledCount(page.gridWidgets()), 11);
        QVERIFY(page.address->isEnabled());
        QVERIFY(page.port->isEnabled());

        // Off and on again: authorisation is off, so the credentials stay greyed.
        clickBox(page.useProxy);
        QCOMPARE(enabledCount(page.gridWidgets()), 1);
        clickBox(page.useProxy);
        QCOMPARE(enabledCount(page.gridWidgets()), 11);
        QCOMPARE(enabledCount(page.credentials()), 0);

        clickBox(page.auth);
        clickBox(page.useProxy);
        clickBox(page.useProxy);
        QCOMPARE(enabledCount(page.gridWidgets()), 15);
    }

    void loadingShowsTheStoredProxy()
    {
        storeOwnProxy();
        Page page;
        QVERIFY(page.complete());
        QVERIFY(page.useProxy->isChecked());
        QVERIFY(page.custom->isChecked());
        QVERIFY(!page.fromBrowser->isChecked());
        QVERIFY(page.socks5->isChecked());
        QVERIFY(!page.http->isChecked());
        QCOMPARE(page.address->text(), "proxy.office.local");
        QCOMPARE(page.port->text(), "1080");
        QVERIFY(page.auth->isChecked());
        QCOMPARE(page.user->text(), "ivanova");
        QCOMPARE(page.password->text(), "secret 1");
        QCOMPARE(page.password->echoMode(), QLineEdit::Normal);
        QVERIFY(childShowing<QLabel>(&page.widget, "Внешний адрес: " + m_service.baseUrl()));
    }

    void sourceAndProtocolAreSeparateChoices()
    {
        Page page;
        QVERIFY(page.complete());
        clickBox(page.useProxy);
        page.fromBrowser->click();
        page.socks5->click();
        QVERIFY(page.fromBrowser->isChecked());
        page.custom->click();
        QVERIFY(!page.fromBrowser->isChecked());
        QVERIFY(page.socks5->isChecked());
        page.http->click();
        QVERIFY(!page.socks5->isChecked());
        QVERIFY(page.custom->isChecked());
    }

    void resetBringsBackTheSavedValuesNotTheFirstRunOnes()
    {
        storeOwnProxy();
        Page page;
        QVERIFY(page.complete());
        clickBox(page.useProxy);
        page.fromBrowser->click();
        page.http->click();
        page.address->setText("other");
        page.port->setText("9");
        page.user->setText("x");
        page.password->setText("y");
        clickBox(page.auth);

        page.defaults->click();
        QVERIFY(page.useProxy->isChecked());
        QVERIFY(page.custom->isChecked());
        QVERIFY(!page.fromBrowser->isChecked());
        QVERIFY(page.socks5->isChecked());
        QCOMPARE(page.address->text(), "proxy.office.local");
        QCOMPARE(page.port->text(), "1080");
        QVERIFY(page.auth->isChecked());
        QCOMPARE(page.user->text(), "ivanova");
        QCOMPARE(page.password->text(), "secret 1");
        QCOMPARE(enabledCount(page.gridWidgets()), 15);
        QCOMPARE(stored(zv::keys::networkProxyUse).toBool(), true);
        QCOMPARE(stored(zv::keys::networkProxyAddress).toString(), "proxy.office.local");
    }

    void savingWritesTheKeysAsTypedAndRestartsNothing()
    {
        HomeTab host;
        QSignalSpy restart(&host, &HomeTab::saveSet);
        auto* page = host.networkPage();
        host.resize(800, 600);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        host.innerTabs()->setCurrentIndex(1);

        clickBox(childShowing<QCheckBox>(page, "Использовать прокси-сервер"));
        childShowing<QRadioButton>(page, "Использовать собственные настройки")->click();
        childShowing<QRadioButton>(page, "SOCKS5")->click();
        page->findChild<QLineEdit*>("address")->setText(" host ");
        page->findChild<QLineEdit*>("port")->setText("abc");
        clickBox(childShowing<QCheckBox>(page, "Использовать авторизацию"));
        page->findChild<QLineEdit*>("user")->setText("");
        page->findChild<QLineEdit*>("password")->setText("p w");
        zv::test::ModalWatcher watcher;
        childShowing<QPushButton>(page, "Сохранить изменения")->click();

        QCOMPARE(restart.count(), 0);
        QVERIFY(watcher.messages().isEmpty());
        QCOMPARE(stored(zv::keys::networkProxyUse).toBool(), true);
        QCOMPARE(stored(zv::keys::networkProxyBrowser).toBool(), false);
        QCOMPARE(stored(zv::keys::networkProxyCustom).toBool(), true);
        QCOMPARE(stored(zv::keys::networkProxyHttp).toBool(), false);
        QCOMPARE(stored(zv::keys::networkProxySocks5).toBool(), true);
        QCOMPARE(stored(zv::keys::networkProxyAddress).toString(), " host ");
        QCOMPARE(stored(zv::keys::networkProxyPort).toString(), "abc");
        QCOMPARE(stored(zv::keys::networkProxyAuth).toBool(), true);
        QCOMPARE(stored(zv::keys::networkProxyUser).toString(), "");
        QCOMPARE(stored(zv::keys::networkProxyPass).toString(), "p w");
    }

    void connectionTestReachesTheService()
    {
        Page page;
        QVERIFY(page.complete());
        zv::test::ModalWatcher watcher;
        page.test->click();
        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().at(0).title, "Успешное соединение");
        QCOMPARE(watcher.messages().at(0).text, "Подключение удалось.");
        QCOMPARE(watcher.messages().at(0).buttonCount, 1);
        QVERIFY(page.test->isEnabled());
    }

    void connectionTestCountsAnHttpErrorAsFailure()
    {
        zv::setServiceBaseAddress(m_service.baseUrl() + "missing/");
        Page page;
        QVERIFY(page.complete());
        zv::test::ModalWatcher watcher;
        page.test->click();
        QCOMPARE(watcher.messages().size(), 1);
        const zv::test::SeenMessage message = watcher.messages().at(0);
        QCOMPARE(message.title, "Отсутствует настройка");
        QVERIFY2(message.text.startsWith("Подключение не удалось. "), qPrintable(message.text));
        QVERIFY2(message.text.contains("Not Found"), qPrintable(message.text));
        // No proxy: nothing follows the error text.
        QVERIFY2(message.text.endsWith("Not Found"), qPrintable(message.text));
        QCOMPARE(message.buttonCount, 1);
    }

    void connectionTestUsesTheProxyOnThePageBeforeItIsSaved()
    {
        zv::test::CannedHttpServer proxy(
            zv::test::CannedHttpServer::okResponse("text/plain", "through the proxy\n"));
        QVERIFY(proxy.listen());
        const int proxyPort = QUrl(proxy.baseUrl()).port();
        const int servedBefore = m_service.recorded().size();

        Page page;
        QVERIFY(page.complete());
        page.typeOwnHttpProxy("127.0.0.1", proxyPort);
        zv::test::ModalWatcher watcher;
        page.test->click();

        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().at(0).title, "Успешное соединение");
        QCOMPARE(proxy.requests().size(), 1);
        const QByteArray requestLine = proxy.requests().at(0).left(proxy.requests().at(0).indexOf("\r\n"));
        QCOMPARE(requestLine, "GET " + m_service.baseUrl().toLatin1() + " HTTP/1.1");
        QCOMPARE(m_service.recorded().size(), servedBefore);
        QCOMPARE(stored(zv::keys::networkProxyUse).toBool(), false);
    }

    void failedProxyNamesItsHost()
    {
        Page page;
        QVERIFY(page.complete());
        page.typeOwnHttpProxy("127.0.0.1", zv::test::unusedPort());
        zv::test::ModalWatcher watcher;
        page.test->click();
        QCOMPARE(watcher.messages().size(), 1);
        const QString text = watcher.messages().at(0).text;
        QCOMPARE(watcher.messages().at(0).title, "Отсутствует настройка");
        QVERIFY2(text.startsWith("Подключение не удалось. "), qPrintable(text));
        QVERIFY2(text.endsWith("127.0.0.1"), qPrintable(text));
        QVERIFY(text.size() > QString("Подключение не удалось. 127.0.0.1").size());
    }

    void silentProxyIsGivenUpAndTheButtonWaitsMeanwhile()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket*> held;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* socket = silent.nextPendingConnection())
                held.append(socket);
        });

        Page page;
        QVERIFY(page.complete());
        page.widget.setConnectTestSilenceLimit(300);
        page.typeOwnHttpProxy("127.0.0.1", silent.serverPort());
        bool buttonEnabledWhileWaiting = true;
        QObject::connect(&silent, &QTcpServer::newConnection, this,
                         [&] { buttonEnabledWhileWaiting = page.test->isEnabled(); });
        zv::test::ModalWatcher watcher;
        page.test->click();

        QCOMPARE(held.size(), 1);
        QVERIFY(!buttonEnabledWhileWaiting);
        QVERIFY(page.test->isEnabled());
        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().at(0).title, "Отсутствует настройка");
        QVERIFY2(watcher.messages().at(0).text.endsWith("127.0.0.1"),
                 qPrintable(watcher.messages().at(0).text));
    }

    void browserModeWithoutABrowserProxyShowsBothMessages()
    {
        Page page;
        QVERIFY(page.complete());
        clickBox(page.useProxy);
        page.fromBrowser->click();
        page.http->click();
        zv::test::ModalWatcher watcher;
        page.test->click();
        QCOMPARE(watcher.messages().size(), 2);
        QCOMPARE(watcher.messages().at(0).title, "Отсутствует настройка");
        QCOMPARE(watcher.messages().at(0).text,
                 "Не найдена или неверно введена настройка для HTTP прокси-сервера. HTTP = ");
        QCOMPARE(watcher.messages().at(1).title, "Отсутствует настройка");
        QVERIFY(watcher.messages().at(1).text.startsWith("Подключение не удалось. "));
    }
};

QTEST_MAIN(NetworkPageTest)
#include "tst_networkpage.moc"
