// The XDG autostart file that starts the client at log-on: where it lives,
// what it starts, and that it is gone after removal.
#include "settings/autostart.h"
#include "tests/support/devserviceprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace zv;

namespace {

QString ownPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Restores an environment variable when the case ends.
class EnvironmentValue
{
public:
    explicit EnvironmentValue(const char* name)
        : m_name(name), m_value(qgetenv(name)), m_set(qEnvironmentVariableIsSet(name))
    {
    }
    ~EnvironmentValue()
    {
        if (m_set)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_value;
    bool m_set;
};

} // namespace

class AutostartTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QString entryPath() const
    {
        return qEnvironmentVariable("XDG_CONFIG_HOME") +
               QStringLiteral("/autostart/zelvinoraPA.desktop");
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        QVERIFY(m_folder.isValid());
    }

    void init()
    {
        qputenv("XDG_CONFIG_HOME", m_folder.filePath("config").toUtf8());
        QVERIFY(removeAutostartEntry());
    }

    void entryStartsThisExecutable()
    {
        QVERIFY(!autostartEntryExists());
        QVERIFY(autostartEntryValue().isEmpty());
        QVERIFY(writeAutostartEntry());
        QVERIFY(autostartEntryExists());
        QVERIFY(QFile::exists(entryPath()));
        QCOMPARE(autostartEntryValue(), ownPath());

        const QStringList lines = fileText(entryPath()).split('\n');
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        QVERIFY(lines.contains(QStringLiteral("Type=Application")));
        QVERIFY(lines.contains(QStringLiteral("Name=Личный кабинет Зелвинора")));
        QVERIFY(lines.contains(QStringLiteral("Exec=\"") + ownPath() + '"'));
    }

    void writingAgainRefreshesAMovedPath()
    {
        QVERIFY(writeAutostartEntry());
        QString text = fileText(entryPath());
        text.replace(ownPath(), QStringLiteral("/old/place/zelvinorapa"));
        {
            QFile file(entryPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text.toUtf8());
        }
        QCOMPARE(autostartEntryValue(), QStringLiteral("/old/place/zelvinorapa"));
        QVERIFY(writeAutostartEntry());
        QCOMPARE(autostartEntryValue(), ownPath());
        QCOMPARE(fileText(entryPath()).count(QStringLiteral("Exec=")), 1);
    }

    void removedEntryIsGone()
    {
        QVERIFY(writeAutostartEntry());
        QVERIFY(removeAutostartEntry());
        QVERIFY(!autostartEntryExists());
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(autostartEntryValue().isEmpty());
        // Removing what is not there is no failure.
        QVERIFY(removeAutostartEntry());
    }

    void withoutUsableConfigHomeTheEntryGoesUnderHome_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("relative") << QByteArray("relative/config");
    }

    void withoutUsableConfigHomeTheEntryGoesUnderHome()
    {
        QFETCH(QByteArray, configHome);
        EnvironmentValue keepHome("HOME");
        const QString home =
            m_folder.filePath(QStringLiteral("home-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(home);
        qputenv("HOME", home.toUtf8());
        if (configHome.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);
        QVERIFY(writeAutostartEntry());
        QVERIFY(QFile::exists(home + QStringLiteral("/.config/autostart/zelvinoraPA.desktop")));
        QCOMPARE(autostartEntryValue(), ownPath());
        QVERIFY(removeAutostartEntry());
        QVERIFY(!QFile::exists(home + QStringLiteral("/.config/autostart/zelvinoraPA.desktop")));
    }

    void unwritableFolderIsReported()
    {
        const QString blocker = m_folder.filePath(QStringLiteral("not-a-folder"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", blocker.toUtf8());
        QVERIFY(!writeAutostartEntry());
        QVERIFY(!autostartEntryExists());
    }

    void pathWithCharactersTheExecLineMustQuote()
    {
        // Blanks, quotes, a dollar, a percent sign and a backslash.
        const QString folder =
            m_folder.filePath(QStringLiteral("Мои программы \"new\" $HOME 100% a\\b"));
        QVERIFY(QDir().mkpath(folder));
        const QString copy = folder + QStringLiteral("/zelvinorapa");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZV_AUTOSTART_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(copy, QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QString childPath = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(childPath, copy);

        QCOMPARE(autostartEntryValue(), copy);
        // The desktop-entry rules: inside the quotes \" \$ \\ escaped, then
        // every backslash doubled once more as a string value; %% for %.
        QString expected = copy;
        expected.replace(QStringLiteral("\\"), QStringLiteral("\\\\\\\\"))
            .replace(QStringLiteral("\""), QStringLiteral("\\\\\""))
            .replace(QStringLiteral("$"), QStringLiteral("\\\\$"))
            .replace(QStringLiteral("%"), QStringLiteral("%%"));
        QVERIFY2(fileText(entryPath())
                     .contains(QStringLiteral("\nExec=\"") + expected + QStringLiteral("\"\n")),
                 qPrintable(fileText(entryPath())));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_AUTOSTART_CHILD")) {
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        if (!writeAutostartEntry())
            return 1;
        QTextStream(stdout) << QCoreApplication::applicationFilePath();
        return 0;
    }
    AutostartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autostart.moc"
