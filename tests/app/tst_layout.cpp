// Every page of the window as a person reads it, at the common office screens
// and scalings, with the longest texts the service sends: no label, check box,
// button or field smaller than it needs, none over another, the window within
// the screen. Built for Linux (offscreen) and for Windows (under Wine, with
// its fonts); each case leaves a picture in ZV_SCREENSHOT_DIR.
#include "app/mainwindow.h"
#include "app/windowsize.h"
#include "install/processcheck.h"
#include "service/serviceaddress.h"
#include "settings/hometab.h"
#include "settings/settingsstore.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// available: the screen less the task bar, in the window's own pixels (125 %
// by Qt's scaling is a smaller screen; 125 % by Windows' 120 dpi is a larger
// font); page: the tab shown; firstStart: with an empty store, as on the very first start.
struct Screen { QSize available; double fontScale; QString page; bool firstStart; };
// Pictures are named in Latin letters: a Windows file name under Wine takes no Cyrillic from here.
const QMap<QString, QString> pages{{"Загрузки", "catalogue"}, {"Общие \nнастройки", "general"}, {"Настройки \nсоединения", "network"}};

const QString longName = QString("Индексы и ТЦ (4 квартал 2026 год к Ханты-Мансийский автономный округ — Югра, "
                                 "Тюменская область, ТСН-2001 с изменениями и дополнениями № 1–12)");

// One row answers every question: today's date, every subscription's end and
// items with the longest names.
QByteArray answer()
{
    QJsonObject row{{"CURDATE()", QDate::currentDate().toString(Qt::ISODate)}, {"Version", "1.0.000101"},
                    {"Название", longName}, {"name", longName}, {"Квартал", "4"}, {"Год", "2026"},
                    {"идНБ", "fer2020"}, {"идИндекс", "1"}, {"type", "loc"}, {"number", "7"},
                    {"Версия", "2.1"}, {"VNum", "2.1.240408"}};
    for (const char* column : {"Окончание", "пакетДилера", "ПодпискаФЭР", "subscription_index_minstroy",
                               "subscription_grand_update", "subscription_gsn", "subscription_building_materials"})
        row.insert(QString::fromUtf8(column), "2026-12-31");
    return QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact);
}

QString describe(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return QString(widget->metaObject()->className()) + " «" +
           (label ? label->text() : button ? button->text() : widget->objectName()) + "»";
}

// What is cut or covered among the widgets a person reads.
QStringList faults(QWidget& window)
{
    QList<QWidget*> read;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const bool kind = qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                          qobject_cast<QLineEdit*>(widget);
        if (kind && widget->isVisibleTo(&window) && !qobject_cast<QAbstractItemView*>(widget->parentWidget()))
            read << widget;
    }
    QStringList found;
    for (QWidget* widget : read) {
        const QSize hint = widget->sizeHint();
        const auto* label = qobject_cast<QLabel*>(widget);
        const auto* field = qobject_cast<QLineEdit*>(widget);
        const bool wraps = label && label->wordWrap();
        const int needed = field ? widget->minimumSizeHint().width() : qMin(hint.width(), widget->maximumWidth());
        if ((!wraps && widget->width() < needed) || widget->height() < (wraps ? 1 : hint.height()))
            found << QString("%1 is %2×%3, needs %4×%5").arg(describe(widget)).arg(widget->width())
                         .arg(widget->height()).arg(needed).arg(hint.height());
        // A short field shows its whole example.
        if (field && field->maximumWidth() < QWIDGETSIZE_MAX &&
            field->fontMetrics().horizontalAdvance(field->placeholderText()) + 8 > field->width())
            found << describe(widget) + " cuts «" + field->placeholderText() + "»";
    }
    for (QGroupBox* group : window.findChildren<QGroupBox*>()) {
        if (group->isVisibleTo(&window) && group->fontMetrics().horizontalAdvance(group->title()) + 16 > group->width())
            found << "QGroupBox «" + group->title() + "» is cut";
    }
    // Neither a category nor a status is ever cut; a name may be, with its tooltip.
    auto* tree = window.findChild<QTreeWidget*>("tree");
    for (QTreeWidgetItem* node : tree && tree->isVisibleTo(&window) ? tree->findItems("*", Qt::MatchWildcard | Qt::MatchRecursive)
                                                                   : QList<QTreeWidgetItem*>()) {
        int depth = 1;
        for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
            ++depth;
        if (depth * tree->indentation() + tree->fontMetrics().horizontalAdvance(node->text(0)) + 8 > tree->viewport()->width())
            found << "the category «" + node->text(0) + "» is cut";
    }
    auto* table = window.findChild<QTableWidget*>("table");
    for (int row = 0; table && table->isVisibleTo(&window) && row < table->rowCount(); ++row) {
        const QString status = table->model()->index(row, 1).data().toString();
        if (table->fontMetrics().horizontalAdvance(status) + 8 > table->columnWidth(1))
            found << "the status «" + status + "» is cut";
    }
    // Where a widget shows: what lies outside a scroll area's view is
    // scrolled to, not drawn over its neighbours.
    const auto shown = [&window](const QWidget* widget) {
        QRect rect(widget->mapTo(&window, QPoint()), widget->size());
        for (const QWidget* up = widget->parentWidget(); up && up != &window; up = up->parentWidget())
            if (qobject_cast<const QAbstractScrollArea*>(up->parentWidget()))
                rect &= QRect(up->mapTo(&window, QPoint()), up->size());
        return rect;
    };
    for (int i = 0; i < read.size(); ++i)
        for (int j = i + 1; j < read.size(); ++j) {
            const QRect a = shown(read[i]);
            const QRect b = shown(read[j]);
            if (a.intersects(b) && !read[i]->isAncestorOf(read[j]) && !read[j]->isAncestorOf(read[i]))
                found << describe(read[i]) + " overlaps " + describe(read[j]);
        }
    return found;
}
} // namespace

Q_DECLARE_METATYPE(Screen)

class LayoutTest : public QObject
{
    Q_OBJECT

    zv::test::CannedHttpServer m_service{zv::test::CannedHttpServer::okResponse("application/json", answer())};
    QFont m_font;
    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName("ZelVinora");
        QCoreApplication::setApplicationName("Личный кабинет Зелвинора");
        QCoreApplication::setApplicationVersion("2.1.240408");
        zv::installSettingsFormat();
        zv::setProcessProbe([](const QString&) { return false; });
        QVERIFY(m_service.listen());
        zv::setServiceBaseAddress(m_service.baseUrl());
        m_font = QApplication::font();
    }

    // A customer of both programs with long keys and folders.
    void init()
    {
        QSettings settings;
        for (const char* key : {"general/userik", "general/usegrand"})
            settings.setValue(key, true);
        settings.setValue("rik/key", "123456789");
        // A long path to a WinRIK folder with nothing installed yet.
        const QString rik = m_work.filePath("Program Files (x86)/WinRIK/Данные/Сметные базы");
        QVERIFY(zv::test::WinRikFolderBuilder(rik).writeInstal({}));
        settings.setValue("rik/path", rik);
        settings.setValue("grand/keyserial", "12345 abc");
        settings.setValue("grand/keynumber", "00077 xyz");
    }

    void everyPageIsReadable_data()
    {
        QTest::addColumn<Screen>("s");
        for (const QString& page : {"Загрузки", "Общие \nнастройки", "Настройки \nсоединения"}) {
            const QString name = QString(page).replace(" \n", " ");
            QTest::addRow("%s, 1366×768", qPrintable(name)) << Screen{{1366, 728}, 1.0, page, false};
            QTest::addRow("%s, 1920×1080", qPrintable(name)) << Screen{{1920, 1040}, 1.0, page, false};
            QTest::addRow("%s, 1366×768 at 125 %%", qPrintable(name)) << Screen{{1093, 582}, 1.0, page, false};
            QTest::addRow("%s, 1366×768 at 120 dpi", qPrintable(name)) << Screen{{1366, 728}, 1.25, page, false};
            QTest::addRow("%s, 1366×768 at 150 %%", qPrintable(name)) << Screen{{911, 485}, 1.0, page, false};
            QTest::addRow("%s, 1920×1080 at 144 dpi", qPrintable(name)) << Screen{{1920, 1040}, 1.5, page, false};
        }
        QTest::newRow("first start, 1366×768") << Screen{{1366, 728}, 1.0, "Общие \nнастройки", true};
        QTest::newRow("first start, 1366×768 at 125 %") << Screen{{1093, 582}, 1.0, "Общие \nнастройки", true};
    }

    void everyPageIsReadable()
    {
        QFETCH(Screen, s);
        QFont font = m_font;
        font.setPointSizeF(m_font.pointSizeF() * s.fontScale);
        QApplication::setFont(font);
        if (s.firstStart)
            QSettings().clear();
        MainWindow window;
        const QRect available(QPoint(), s.available);
        window.resize(zv::initialWindowSize(window.sizeHint(), window.minimumSizeHint(), available));
        QTabWidget* tabs = window.mainTabs();
        for (int index = 0; index < tabs->count(); ++index)
            if (tabs->tabText(index) == s.page)
                tabs->setCurrentIndex(index);
        QTabWidget* inner = window.homeTab()->innerTabs();
        for (int index = 0; index < inner->count(); ++index) {
            if (inner->tabText(index) == s.page) {
                tabs->setCurrentIndex(0);
                inner->setCurrentIndex(index);
            }
        }
        window.show();
        QCoreApplication::processEvents();
        const QString folder = qEnvironmentVariable("ZV_SCREENSHOT_DIR");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            window.grab().save(QString("%1/%2-%3x%4-%5%.png").arg(folder, s.firstStart ? "first-start" : pages.value(s.page))
                                   .arg(s.available.width()).arg(s.available.height()).arg(int(s.fontScale * 100)));
        QVERIFY2(window.width() + zv::frameAllowanceWidth <= s.available.width() &&
                     window.height() + zv::frameAllowanceHeight <= s.available.height(),
                 qPrintable(QString("%1×%2").arg(window.width()).arg(window.height())));
        const QStringList found = faults(window);
        QVERIFY2(found.isEmpty(), qPrintable(found.join("\n")));
        // The longest name fits nowhere whole: it ends in "…" and its tooltip has it all.
        if (s.page == "Загрузки") {
            auto* table = window.findChild<QTableWidget*>("table");
            const QModelIndexList named = table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, longName, 1, Qt::MatchContains);
            QVERIFY(!named.isEmpty());
            const QModelIndex name = named.first();
            QCOMPARE(name.data(Qt::ToolTipRole).toString(), name.data().toString());
            QVERIFY(table->visualRect(name).width() < table->fontMetrics().horizontalAdvance(name.data().toString()));
            QCOMPARE(table->textElideMode(), Qt::ElideRight);
        }
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
