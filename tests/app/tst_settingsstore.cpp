// The client's own settings file: every key and value comes back exactly as
// written, in this process and in the next one, and the general group keeps
// its name.
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "settings/settingsstoretext.h"
#include "tests/support/devserviceprocess.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace zv;

namespace {

const QString organisation = QStringLiteral("ZelVinora");
const QString application = QStringLiteral("Личный кабинет Зелвинора");

// Values a user may well type into the pages, and some that only a broken
// writer would get wrong.
QList<QPair<QString, QString>> trickyValues()
{
    return {
        {keys::rikPath, QStringLiteral("C:\\Program Files\\WinRIK\\")},
        {keys::grandPath, QStringLiteral("  D:\\Гранд-Смета\\Индексы  ")},
        {keys::rikKey, QStringLiteral("12 345")},
        {keys::grandKeySerial, QStringLiteral("12345 xxx")},
        {keys::grandKeyNumber, QStringLiteral("\"xxxxx\" 'n' 123")},
        {keys::networkProxyAddress, QStringLiteral("a=b;c=d#e")},
        {keys::networkProxyUser, QStringLiteral("Пользователь\tс табуляцией")},
        {keys::networkProxyPass, QStringLiteral("строка 1\nстрока 2\r\nстрока 3\n")},
        {keys::generalHoursOrDay, QStringLiteral("[general]")},
        {keys::networkProxyPort, QStringLiteral("\\n is not a line break")},
        {QStringLiteral("general/\tключ = с пробелами "), QStringLiteral(" ")},
        {QStringLiteral("[odd]/x"), QString()},
        {QStringLiteral("nogroup"), QStringLiteral("; not a comment")},
    };
}

QString storePath(const QString& configHome)
{
    return configHome + QLatin1Char('/') + organisation + QLatin1Char('/') + application +
           QStringLiteral(".conf");
}

// The child writes or reads through default-constructed handles, exactly as
// the client does.
int runChild(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(organisation);
    QCoreApplication::setApplicationName(application);
    installSettingsFormat();
    const QByteArray mode = qgetenv("ZV_STORE_CHILD");
    if (mode == "write") {
        QSettings settings;
        for (const auto& [key, value] : trickyValues())
            settings.setValue(key, value);
        settings.setValue(keys::generalUseRik, true);
        settings.setValue(keys::generalCheckUpdateNumber, 1);
        settings.sync();
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
    QJsonObject seen;
    const QSettings settings;
    for (const QString& key : settings.allKeys())
        seen.insert(key, settings.value(key).toString());
    QTextStream(stdout) << QJsonDocument(seen).toJson(QJsonDocument::Compact);
    return 0;
}

} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_configHome;

    QByteArray runChildProcess(const QByteArray& mode)
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZV_STORE_CHILD"), QString::fromLatin1(mode));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        if (!child.waitForFinished(30000) || child.exitCode() != 0)
            return QByteArray("failed");
        return child.readAllStandardOutput();
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY(m_configHome.isValid());
    }

    void textRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        for (const auto& [key, value] : trickyValues())
            QTest::newRow(qPrintable(key)) << key << value;
    }

    void textRoundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QSettings::SettingsMap written{{key, value}, {QStringLiteral("general/after"), "x"}};
        const QByteArray text = storeText(written);
        // Whatever the value holds, one key stays one line.
        int keyLines = 0;
        for (const QByteArray& line : text.split('\n'))
            keyLines += !line.isEmpty() && !line.startsWith('[');
        QCOMPARE(keyLines, 2);
        QSettings::SettingsMap read;
        QVERIFY(readStoreText(text, read));
        QCOMPARE(read.keys(), written.keys());
        QCOMPARE(read.value(key).toString(), value);
    }

    void fileIsPlainIniWithOneSectionPerGroup()
    {
        QSettings::SettingsMap map;
        for (const auto& [key, value] : keys::firstRunDefaults())
            map.insert(key, value);
        const QString text = QString::fromUtf8(storeText(map));
        for (const char* section : {"[general]", "[network]", "[rik]", "[grand]"})
            QCOMPARE(text.count(QLatin1String(section)), 1);
        QVERIFY(!text.contains(QStringLiteral("General")));
        QVERIFY(text.contains(QStringLiteral("\nuserik=false\n")));
        QVERIFY(text.contains(QStringLiteral("\nautostart=true\n")));
        QVERIFY(text.contains(QStringLiteral("\ncheckupdatenumber=1\n")));
        QVERIFY(text.contains(QStringLiteral("\nhoursorday=d\n")));
        QVERIFY(text.contains(QStringLiteral("\nproxyaddress=\n")));
        QVERIFY(text.contains(QStringLiteral("\nproxySOCKS5=false\n")));

        QSettings::SettingsMap escaped{{QStringLiteral("rik/path"), QStringLiteral(" C:\\W\n ")}};
        QCOMPARE(storeText(escaped), QByteArray("[rik]\npath=\\sC:\\\\W\\n\\s\n"));
    }

    void damagedLineCostsThatLineOnly()
    {
        QSettings::SettingsMap read;
        QVERIFY(
            !readStoreText("[general]\nuserik=true\nthis line is damaged\n[rik]\nkey=7\n", read));
        QCOMPARE(read.value(keys::generalUseRik).toString(), QStringLiteral("true"));
        QCOMPARE(read.value(keys::rikKey).toString(), QStringLiteral("7"));
        QCOMPARE(read.size(), 2);
    }

    void valuesCrossToTheNextProcess()
    {
        QCOMPARE(runChildProcess("write"), QByteArray());
        const QString path = storePath(m_configHome.path());
        QVERIFY2(QFile::exists(path), qPrintable(path));

        const QSettings settings(path, settingsFormat());
        QCOMPARE(settings.status(), QSettings::NoError);
        for (const auto& [key, value] : trickyValues())
            QCOMPARE(settings.value(key).toString(), value);
        // The general group is not renamed on the way (Qt's own INI writer
        // would store it as [%General] and lose it).
        QVERIFY(settings.value(keys::generalUseRik).toBool());
        QCOMPARE(settings.value(keys::generalCheckUpdateNumber).toInt(), 1);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[general]\n"));
        QVERIFY(text.contains("userik=true\n"));
        QVERIFY(!text.contains("%General"));
        QVERIFY(text.contains(QStringLiteral("keyserial=12345 xxx\n").toUtf8()));
    }

    void valuesWrittenHereAreReadByTheNextProcess()
    {
        const QString path = storePath(m_configHome.path());
        QFile::remove(path);
        {
            QSettings settings(path, settingsFormat());
            for (const auto& [key, value] : trickyValues())
                settings.setValue(key, value);
            settings.setValue(keys::generalOnlyNew, false);
        }
        const QJsonObject seen = QJsonDocument::fromJson(runChildProcess("read")).object();
        QCOMPARE(seen.size(), trickyValues().size() + 1);
        for (const auto& [key, value] : trickyValues())
            QCOMPARE(seen.value(key).toString(), value);
        QCOMPARE(seen.value(keys::generalOnlyNew).toString(), QStringLiteral("false"));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("ZV_STORE_CHILD"))
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    SettingsStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsstore.moc"
