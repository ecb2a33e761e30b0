// The download tab as it is built: its controls, its category tree, the
// subscription panel and the user file question, through the real widget
// against the local stand-in service.
#include "catalogue/downloadtab.h"
#include "service/serviceaddress.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace zv;

class DownloadTabViewTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;

    static QStringList groupTexts(QGroupBox* group)
    {
        QStringList texts;
        for (QLabel* label : group->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        test::DevServiceProcess::Config config;
        config.demo = false;
        QVERIFY(m_service.start(config));
        QVERIFY(m_service.sql(
            "INSERT INTO `ключи` VALUES (456, 'MSK', '2025-03-31', NULL, '', '2026-01-15', "
            "'2025-01-10 12:00:00', '2.1')"));
        QVERIFY(m_service.sql("INSERT INTO `ключиГранд` VALUES (9001, '12345 abc', '00077 xyz', "
                              "'2027-01-31', 'нет', '2026-12-31')"));
        QVERIFY(m_service.sql("INSERT INTO `ключиГранд` VALUES (9002, '12345 o''k', '1', "
                              "'2024-02-29', NULL, NULL)"));
    }

    void init()
    {
        test::resetSettings();
        setServiceBaseAddress(m_service.baseUrl());
    }

    void controlsAndTableLayout()
    {
        test::setSetting(keys::generalUseRik, true);
        DownloadTab tab(nullptr);
        QCOMPARE(test::buttonOf(tab, "updateButton")->text(), QStringLiteral("Обновить"));
        QCOMPARE(test::buttonOf(tab, "downloadButton")->text(), QStringLiteral("Скачать данные"));
        QCOMPARE(test::buttonOf(tab, "installButton")->text(), QStringLiteral("Установить данные"));
        QCOMPARE(test::buttonOf(tab, "downloadAndInstallButton")->text(),
                 QStringLiteral("Скачать и установить данные"));

        QTableWidget* table = test::tableOf(tab);
        QCOMPARE(table->columnCount(), 6);
        const QStringList headers = {"Наименование", "Статус", "ИД", "URL", "class", "isNew"};
        for (int column = 0; column < 6; ++column) {
            QCOMPARE(table->horizontalHeaderItem(column)->text(), headers.at(column));
            QCOMPARE(table->isColumnHidden(column), column >= 2);
        }
        QCOMPARE(table->columnWidth(0), 530);
        QCOMPARE(table->columnWidth(1), 190);
        QVERIFY(!table->showGrid());
        QVERIFY(table->verticalHeader()->isHidden());
        QCOMPARE(table->rowCount(), 0);

        QTreeWidget* tree = test::treeOf(tab);
        QCOMPARE(tree->width(), 200);
        QVERIFY(tree->isHeaderHidden());
        QCOMPARE(tree->columnCount(), 1);
        QVERIFY(test::nodeOf(tab, "rikVarRes"));
        QVERIFY(!test::nodeOf(tab, "grand"));
    }

    void treeFollowsTheProgramsInUseAtConstruction()
    {
        test::setSetting(keys::generalUseGrand, true);
        DownloadTab tab(nullptr);
        test::setSetting(keys::generalUseRik, true);
        QVERIFY(test::nodeOf(tab, "grandInd"));
        QVERIFY(!test::nodeOf(tab, "rik"));
        QVERIFY(test::nodeOf(tab, "myFiles"));
    }

    void rikSubscriptionShowsDatesByPosition()
    {
        test::setSetting(keys::generalUseRik, true);
        test::setSetting(keys::rikKey, "456");
        DownloadTab tab(nullptr);
        auto* group = tab.findChild<QGroupBox*>("rikSubscription");
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Подписки на ПК РИК до:"));
        QVERIFY(!tab.findChild<QGroupBox*>("grandSubscription"));
        const QStringList texts = groupTexts(group);
        for (const char* line : {"Обновление программы:", "Пакет \"Зелвинора\":",
                                 "Обновление БД ГСН:", "\"Индексы Минстроя РФ\":"})
            QVERIFY2(texts.contains(QString::fromUtf8(line)), line);
        QCOMPARE(group->findChild<QLabel*>("Окончание")->text(), QStringLiteral("31.03.2025"));
        QCOMPARE(group->findChild<QLabel*>("пакетДилера")->text(), QString());
        QCOMPARE(group->findChild<QLabel*>("ПодпискаФЭР")->text(), QString());
        QCOMPARE(group->findChild<QLabel*>("subscription_index_minstroy")->text(),
                 QStringLiteral("15.01.2026"));
    }

    void onlyGrandSubscriptionWhenOnlyGrandIsUsed()
    {
        test::setSetting(keys::generalUseGrand, true);
        test::setSetting(keys::grandKeySerial, "12345 abc");
        test::setSetting(keys::grandKeyNumber, "00077 xyz");
        DownloadTab tab(nullptr);
        QVERIFY(!tab.findChild<QGroupBox*>("rikSubscription"));
        auto* group = tab.findChild<QGroupBox*>("grandSubscription");
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Подписки на Гранд-Смета до:"));
        const QStringList texts = groupTexts(group);
        QVERIFY(texts.contains(QStringLiteral("Обновление БД \"ГРАНД-СтройМатериалы\":")));
        QCOMPARE(group->findChild<QLabel*>("subscription_grand_update")->text(),
                 QStringLiteral("31.01.2027"));
        QCOMPARE(group->findChild<QLabel*>("subscription_gsn")->text(), QString());
        QCOMPARE(group->findChild<QLabel*>("subscription_building_materials")->text(),
                 QStringLiteral("31.12.2026"));
    }

    void grandKeyWithQuoteStillFindsItsSubscription()
    {
        test::setSetting(keys::generalUseGrand, true);
        test::setSetting(keys::grandKeySerial, "12345 o'k");
        test::setSetting(keys::grandKeyNumber, "1");
        DownloadTab tab(nullptr);
        auto* group = tab.findChild<QGroupBox*>("grandSubscription");
        QVERIFY(group);
        QCOMPARE(group->findChild<QLabel*>("subscription_grand_update")->text(),
                 QStringLiteral("29.02.2024"));
    }

    void noSubscriptionWhenTheServiceIsUnreachable()
    {
        test::setSetting(keys::generalUseRik, true);
        test::setSetting(keys::generalUseGrand, true);
        setServiceBaseAddress(QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort()));
        test::LogCapture log;
        DownloadTab tab(nullptr);
        QVERIFY(!tab.findChild<QGroupBox*>("rikSubscription"));
        QVERIFY(!tab.findChild<QGroupBox*>("grandSubscription"));
        QVERIFY(log.contains("Error", "setSubscriptionInfo: "));
        QVERIFY(log.contains("Error", "setSubscriptionInfoGrand: "));
    }

    void userFileIsNewWhenTheServiceChangedItLater_data()
    {
        QTest::addColumn<int>("localSecondsBefore");
        QTest::addColumn<bool>("writeLocal");
        QTest::addColumn<bool>("isNew");
        QTest::newRow("service one second later") << 1 << true << true;
        QTest::newRow("same second") << 0 << true << false;
        QTest::newRow("local file newer") << -60 << true << false;
        QTest::newRow("no local file") << 0 << false << true;
    }

    void userFileIsNewWhenTheServiceChangedItLater()
    {
        QFETCH(int, localSecondsBefore);
        QFETCH(bool, writeLocal);
        QFETCH(bool, isNew);
        QTemporaryDir rik;
        test::setSetting(keys::rikPath, rik.path());
        test::setSetting(keys::rikKey, "456");
        const QDateTime serviceTime(QDate(2025, 1, 10), QTime(12, 0, 0), Qt::LocalTime);
        if (writeLocal)
            QVERIFY(test::writeFile(rik.filePath("user.rik"), "user",
                                    serviceTime.addSecs(-localSecondsBefore)));
        DownloadTab tab(nullptr);
        bool answer = !isNew;
        QVERIFY(QMetaObject::invokeMethod(&tab, "isNewUser", Q_RETURN_ARG(bool, answer)));
        QCOMPARE(answer, isNew);
    }

    void userFileIsNotNewWhenTheQueryFails()
    {
        test::setSetting(keys::rikPath, QStringLiteral("/nonexistent-rik"));
        test::setSetting(keys::rikKey, "456");
        DownloadTab tab(nullptr);
        setServiceBaseAddress(QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort()));
        test::LogCapture log;
        bool answer = true;
        QVERIFY(QMetaObject::invokeMethod(&tab, "isNewUser", Q_RETURN_ARG(bool, answer)));
        QVERIFY(!answer);
        QVERIFY(log.contains("Error", "isNewUser:"));
    }

    void userFileWithoutServiceDateIsNotNew()
    {
        QTemporaryDir rik;
        QVERIFY(test::writeFile(rik.filePath("user.rik"), "user"));
        test::setSetting(keys::rikPath, rik.path());
        test::setSetting(keys::rikKey, "999");
        DownloadTab tab(nullptr);
        bool answer = true;
        QVERIFY(QMetaObject::invokeMethod(&tab, "isNewUser", Q_RETURN_ARG(bool, answer)));
        QVERIFY(!answer);
    }
};

QTEST_MAIN(DownloadTabViewTest)
#include "tst_downloadtabview.moc"
