#include "settingstesthelpers.h"

#include "settings/autostart.h"
#include "settings/findrikdialog.h"
#include "settings/setgeneral.h"
#include "settings/settingkeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
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

// Clicks a check box on its indicator, where a user would.
void clickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

QLineEdit* field(QWidget& page, const char* name)
{
    return page.findChild<QLineEdit*>(QString::fromLatin1(name));
}

// The widgets of a group's grid, the title being the group itself.
QList<QWidget*> gridWidgetsOf(QWidget& page, const char* groupName)
{
    auto* group = page.findChild<QGroupBox*>(QString::fromLatin1(groupName));
    return group ? group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                 : QList<QWidget*>();
}

int enabledCount(const QList<QWidget*>& widgets)
{
    int count = 0;
    for (QWidget* widget : widgets)
        count += widget->isEnabled() ? 1 : 0;
    return count;
}

} // namespace

// The general settings page through its real controls.
class GeneralPageTest : public QObject
{
    Q_OBJECT

private:
    struct Page
    {
        SetGeneral widget;
        QCheckBox* autostart;
        QCheckBox* onlyNew;
        QCheckBox* useRik;
        QCheckBox* useGrand;
        QRadioButton* hours;
        QRadioButton* days;
        QPushButton* save;
        QPushButton* cancel;

        Page()
        {
            widget.resize(640, 600);
            widget.show();
            autostart = childShowing<QCheckBox>(&widget, "Автозагрузка  при старте системы");
            onlyNew = childShowing<QCheckBox>(&widget, "Скрывать не требующие обновления файлы");
            useRik = childShowing<QCheckBox>(&widget, "Использовать ПК РИК");
            useGrand = childShowing<QCheckBox>(&widget, "Использовать ПК Гранд-Смета");
            hours = childShowing<QRadioButton>(&widget, "час");
            days = childShowing<QRadioButton>(&widget, "день");
            save = childShowing<QPushButton>(&widget, "Сохранить изменения");
            cancel = childShowing<QPushButton>(&widget, "Отменить изменения");
        }
        bool complete()
        {
            return autostart && onlyNew && useRik && useGrand && hours && days && save && cancel &&
                   QTest::qWaitForWindowExposed(&widget);
        }
    };

    static void storeCustomerValues()
    {
        store(zv::keys::generalAutostart, false);
        store(zv::keys::generalOnlyNew, false);
        store(zv::keys::generalCheckUpdateNumber, QStringLiteral("5"));
        store(zv::keys::generalHoursOrDay, QStringLiteral("h"));
        store(zv::keys::generalUseRik, true);
        store(zv::keys::generalUseGrand, false);
        store(zv::keys::rikKey, QStringLiteral("77-1234"));
        store(zv::keys::rikPath, QStringLiteral("/srv/WinRIK"));
        store(zv::keys::grandKeySerial, QStringLiteral("12345 abc"));
        store(zv::keys::grandKeyNumber, QStringLiteral("abcde 123"));
        store(zv::keys::grandPath, QStringLiteral("/srv/Grand"));
    }

private slots:
    void initTestCase() { zv::test::prepareSettingsProcess(); }
    void init()
    {
        zv::test::resetStoreAndCache();
        zv::removeAutostartEntry();
    }

    void loadingShowsTheStoreAndSwitchesTheGroups()
    {
        storeCustomerValues();
        Page page;
        QVERIFY(page.complete());
        QVERIFY(!page.autostart->isChecked());
        QVERIFY(!page.onlyNew->isChecked());
        QCOMPARE(field(page.widget, "checkUpdateNumber")->text(), "5");
        QVERIFY(page.hours->isChecked());
        QVERIFY(!page.days->isChecked());
        QCOMPARE(field(page.widget, "rikKey")->text(), "77-1234");
        QCOMPARE(field(page.widget, "rikPath")->text(), "/srv/WinRIK");
        QCOMPARE(field(page.widget, "grandKeySerial")->text(), "12345 abc");
        QCOMPARE(field(page.widget, "grandKeyNumber")->text(), "abcde 123");
        QCOMPARE(field(page.widget, "grandPath")->text(), "/srv/Grand");

        const QList<QWidget*> rik = gridWidgetsOf(page.widget, "rikGroup");
        const QList<QWidget*> grand = gridWidgetsOf(page.widget, "grandGroup");
        QCOMPARE(rik.size(), 6);
        QCOMPARE(grand.size(), 7);
        QCOMPARE(enabledCount(rik), 6);
        QCOMPARE(enabledCount(grand), 0);
        auto* rikGroup = page.widget.findChild<QGroupBox*>("rikGroup");
        auto* grandGroup = page.widget.findChild<QGroupBox*>("grandGroup");
        QCOMPARE(rikGroup->styleSheet(), "QGroupBox { color: black; }");
        QCOMPARE(grandGroup->styleSheet(), "QGroupBox { color: grey; }");
        // Only the title shows the state; the box stays enabled.
        QVERIFY(grandGroup->isEnabled());
    }

    void switchingAProgramOffGreysItsGroupAndKeepsTheFields()
    {
        storeCustomerValues();
        store(zv::keys::generalUseGrand, true);
        Page page;
        QVERIFY(page.complete());

        clickBox(page.useRik);
        QVERIFY(!page.useRik->isChecked());
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "rikGroup")), 0);
        QCOMPARE(page.widget.findChild<QGroupBox*>("rikGroup")->styleSheet(),
                 "QGroupBox { color: grey; }");
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "grandGroup")), 7);
        QCOMPARE(field(page.widget, "rikKey")->text(), "77-1234");

        clickBox(page.useGrand);
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "grandGroup")), 0);
        clickBox(page.useRik);
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "rikGroup")), 6);

        // Greyed fields are still saved.
        page.save->click();
        QCOMPARE(stored(zv::keys::generalUseGrand).toBool(), false);
        QCOMPARE(stored(zv::keys::grandPath).toString(), "/srv/Grand");
        QCOMPARE(stored(zv::keys::grandKeySerial).toString(), "12345 abc");
    }

    void cancellingBringsBackTheStoredValuesNotTheDefaults()
    {
        storeCustomerValues();
        Page page;
        QVERIFY(page.complete());

        clickBox(page.autostart);
        clickBox(page.onlyNew);
        field(page.widget, "checkUpdateNumber")->setText("12");
        page.days->click();
        clickBox(page.useRik);
        clickBox(page.useGrand);
        field(page.widget, "rikKey")->setText("edited");
        field(page.widget, "rikPath")->setText("/elsewhere");
        field(page.widget, "grandPath")->setText("/elsewhere/too");
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "rikGroup")), 0);

        page.cancel->click();
        QVERIFY(!page.autostart->isChecked());
        QVERIFY(!page.onlyNew->isChecked());
        QCOMPARE(field(page.widget, "checkUpdateNumber")->text(), "5");
        QVERIFY(page.hours->isChecked());
        QVERIFY(page.useRik->isChecked());
        QVERIFY(!page.useGrand->isChecked());
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "rikGroup")), 6);
        QCOMPARE(enabledCount(gridWidgetsOf(page.widget, "grandGroup")), 0);
        QCOMPARE(field(page.widget, "rikKey")->text(), "77-1234");
        QCOMPARE(field(page.widget, "rikPath")->text(), "/srv/WinRIK");
        QCOMPARE(field(page.widget, "grandPath")->text(), "/srv/Grand");
        // Nothing was written by cancelling.
        QCOMPARE(stored(zv::keys::rikKey).toString(), "77-1234");
    }

    void savingWritesEveryKeyAsTypedAndAsksForARestart()
    {
        Page page;
        QVERIFY(page.complete());
        QSignalSpy restart(&page.widget, &SetGeneral::saveSet);

        clickBox(page.onlyNew);
        field(page.widget, "checkUpdateNumber")->setText(" 3x");
        page.days->click();
        clickBox(page.useGrand);
        field(page.widget, "rikKey")->setText("  not checked ");
        field(page.widget, "rikPath")->setText("/no/such/folder");
        field(page.widget, "grandKeySerial")->setText("s");
        field(page.widget, "grandKeyNumber")->setText("n");
        field(page.widget, "grandPath")->setText("/g");
        page.save->click();

        QCOMPARE(restart.count(), 1);
        QCOMPARE(stored(zv::keys::generalAutostart).toBool(), false);
        QCOMPARE(stored(zv::keys::generalOnlyNew).toBool(), true);
        QCOMPARE(stored(zv::keys::generalCheckUpdateNumber).toString(), " 3x");
        QCOMPARE(stored(zv::keys::generalHoursOrDay).toString(), "d");
        QCOMPARE(stored(zv::keys::generalUseRik).toBool(), false);
        QCOMPARE(stored(zv::keys::generalUseGrand).toBool(), true);
        QCOMPARE(stored(zv::keys::rikKey).toString(), "  not checked ");
        QCOMPARE(stored(zv::keys::rikPath).toString(), "/no/such/folder");
        QCOMPARE(stored(zv::keys::grandKeySerial).toString(), "s");
        QCOMPARE(stored(zv::keys::grandKeyNumber).toString(), "n");
        QCOMPARE(stored(zv::keys::grandPath).toString(), "/g");

        // A save without any change still asks for the restart.
        page.save->click();
        QCOMPARE(restart.count(), 2);
    }

    void updateIntervalStoredAsNumberOrTextShowsTheSame()
    {
        store(zv::keys::generalCheckUpdateNumber, 1);
        Page first;
        QVERIFY(first.complete());
        QCOMPARE(field(first.widget, "checkUpdateNumber")->text(), "1");
        first.save->click();
        QCOMPARE(stored(zv::keys::generalCheckUpdateNumber).toString(), "1");

        Page second;
        QVERIFY(second.complete());
        QCOMPARE(field(second.widget, "checkUpdateNumber")->text(), "1");
    }

    void unknownIntervalUnitChoosesNoButtonAndIsKept()
    {
        store(zv::keys::generalHoursOrDay, QStringLiteral("w"));
        Page page;
        QVERIFY(page.complete());
        QVERIFY(!page.hours->isChecked());
        QVERIFY(!page.days->isChecked());
        page.save->click();
        QCOMPARE(stored(zv::keys::generalHoursOrDay).toString(), "w");

        // The buttons exclude each other.
        page.hours->click();
        page.days->click();
        QVERIFY(!page.hours->isChecked());
        page.save->click();
        QCOMPARE(stored(zv::keys::generalHoursOrDay).toString(), "d");
    }

    void autostartEntryFollowsTheBoxOnSaving()
    {
        Page page;
        QVERIFY(page.complete());
        QVERIFY(!zv::autostartEntryExists());

        clickBox(page.autostart);
        page.save->click();
        QVERIFY(zv::autostartEntryExists());
        QCOMPARE(zv::autostartEntryValue(),
                 QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        QCOMPARE(stored(zv::keys::generalAutostart).toBool(), true);

        clickBox(page.autostart);
        page.save->click();
        QVERIFY(!zv::autostartEntryExists());
        QCOMPARE(stored(zv::keys::generalAutostart).toBool(), false);
    }

    void folderChooserStartsInTheStoredFolderAndFillsTheField_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("buttonName");
        QTest::newRow("WinRIK") << zv::keys::rikPath << "rikPath"
                                << "rikChoose";
        QTest::newRow("Гранд-Смета") << zv::keys::grandPath << "grandPath"
                                     << "grandChoose";
    }
    void folderChooserStartsInTheStoredFolderAndFillsTheField()
    {
        QFETCH(QString, key);
        QFETCH(QString, fieldName);
        QFETCH(QString, buttonName);
        QTemporaryDir folders;
        QVERIFY(QDir().mkpath(folders.filePath("stored")));
        QVERIFY(QDir().mkpath(folders.filePath("picked")));
        store(key, folders.filePath("stored"));
        store(zv::keys::generalUseRik, true);
        store(zv::keys::generalUseGrand, true);

        Page page;
        QVERIFY(page.complete());
        QLineEdit* path = page.widget.findChild<QLineEdit*>(fieldName);
        path->setText(folders.filePath("typed"));

        QString startFolder;
        QString title;
        bool foldersOnly = false;
        {
            zv::test::ModalWatcher picker([&](QDialog* dialog) {
                auto* chooser = qobject_cast<QFileDialog*>(dialog);
                if (!chooser)
                    return dialog->reject();
                startFolder = chooser->directory().absolutePath();
                title = chooser->windowTitle();
                const QFileDialog::FileMode mode = chooser->fileMode();
                foldersOnly = chooser->testOption(QFileDialog::ShowDirsOnly) &&
                              mode != QFileDialog::AnyFile && mode != QFileDialog::ExistingFile &&
                              mode != QFileDialog::ExistingFiles;
                chooser->setDirectory(folders.filePath("picked"));
                dialog->accept();
            });
            page.widget.findChild<QPushButton*>(buttonName)->click();
        }
        QCOMPARE(startFolder, folders.filePath("stored"));
        QCOMPARE(title, "Адрес хранения индексов");
        QVERIFY(foldersOnly);
        QCOMPARE(QDir::cleanPath(path->text()), folders.filePath("picked"));
        QCOMPARE(stored(key).toString(), folders.filePath("stored"));

        zv::test::ModalWatcher canceller([](QDialog* dialog) { dialog->reject(); });
        path->setText("kept");
        page.widget.findChild<QPushButton*>(buttonName)->click();
        QCOMPARE(path->text(), "kept");
    }

    void finderHandsTheChosenFolderToTheField()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("WinRIK")));
        store(zv::keys::rikPath, QStringLiteral("/stored"));
        store(zv::keys::generalUseRik, true);
        Page page;
        QVERIFY(page.complete());
        page.widget.setRikSearchRoots({root.path() + "/"});
        QPushButton* find = childShowing<QPushButton>(&page.widget, "Найти");
        QVERIFY(find);

        // Closing without a choice changes nothing.
        find->click();
        QPointer<FindRikDialog> finder = page.widget.findChild<FindRikDialog*>();
        QVERIFY(finder);
        QVERIFY(finder->isVisible());
        QVERIFY(!finder->isModal());
        childShowing<QPushButton>(finder, "Выбрать")->click();
        QTRY_VERIFY(finder.isNull());
        QCOMPARE(field(page.widget, "rikPath")->text(), "/stored");

        find->click();
        finder = page.widget.findChild<FindRikDialog*>();
        QVERIFY(finder);
        QRadioButton* choice = childShowing<QRadioButton>(finder, root.path() + "/WinRIK");
        QVERIFY(choice);
        choice->click();
        childShowing<QPushButton>(finder, "Выбрать")->click();
        QCOMPARE(field(page.widget, "rikPath")->text(), root.path() + "/WinRIK");
        QCOMPARE(stored(zv::keys::rikPath).toString(), "/stored");
    }
};

QTEST_MAIN(GeneralPageTest)
#include "tst_generalpage.moc"
