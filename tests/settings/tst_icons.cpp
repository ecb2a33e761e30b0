#include "tests/support/devserviceprocess.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QTest>

// The compiled-in icons every window and the tray ask for by name.
class IconsTest : public QObject
{
    Q_OBJECT

private:
    static QImage pixels(const QString& name, int side)
    {
        return QIcon(name).pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
    }

    // Share of pixels whose colour is mostly green: the client's mark is green.
    static double greenShare(const QImage& image)
    {
        int green = 0;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 200)
                    continue;
                ++opaque;
                if (c.green() > c.red() + 30 && c.green() > c.blue() + 30)
                    ++green;
            }
        return opaque ? double(green) / opaque : 0.0;
    }

    static int differingPixels(const QImage& a, const QImage& b)
    {
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    ++count;
        return count;
    }

private slots:
    void initTestCase() { zv::test::enableTestMode(); }

    void everyIconLoadsAtTheSizesInUse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("client") << ":/zelvinoraPA.ico";
        QTest::newRow("nothing new") << ":/zelvinoraPA2.ico";
        QTest::newRow("something new") << ":/zelvinoraPAisNew.ico";
        QTest::newRow("ticked") << ":/checkon.ico";
        QTest::newRow("not ticked") << ":/checkoff.ico";
    }
    void everyIconLoadsAtTheSizesInUse()
    {
        QFETCH(QString, name);
        const QIcon icon(name);
        QVERIFY2(!icon.isNull(), qPrintable(name));
        for (int side : {16, 24, 32, 64}) {
            const QImage image = pixels(name, side);
            QCOMPARE(image.size(), QSize(side, side));
            // Transparent corners: the icons sit on any background.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QVERIFY(qAlpha(image.pixel(side / 2, side / 2)) > 200);
        }
    }

    void clientMarkIsGreenAndItsVariantsDiffer()
    {
        const QImage normal = pixels(":/zelvinoraPA.ico", 64);
        const QImage calm = pixels(":/zelvinoraPA2.ico", 64);
        const QImage isNew = pixels(":/zelvinoraPAisNew.ico", 64);
        QVERIFY(greenShare(normal) > 0.5);
        QVERIFY(greenShare(isNew) > 0.3);
        QVERIFY(differingPixels(normal, calm) > 64 * 64 / 2);

        // The "new" badge is a red mark in the top right corner.
        int red = 0;
        for (int y = 4; y < 28; ++y)
            for (int x = 36; x < 60; ++x) {
                const QColor c = isNew.pixelColor(x, y);
                if (c.red() > 180 && c.green() < 100 && c.blue() < 100)
                    ++red;
            }
        QVERIFY2(red > 100, qPrintable(QString::number(red)));
        // Below the badge it is the same mark as the normal icon.
        QCOMPARE(normal.copy(0, 40, 64, 24), isNew.copy(0, 40, 64, 24));
    }

    void checkBoxesDifferOnlyByTheTick()
    {
        const QImage on = pixels(":/checkon.ico", 32);
        const QImage off = pixels(":/checkoff.ico", 32);
        const QColor centreOff = off.pixelColor(16, 16);
        QVERIFY(centreOff.lightness() > 240);
        QCOMPARE(on.pixel(0, 0), off.pixel(0, 0));
        QVERIFY(differingPixels(on, off) > 40);
        int green = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor c = on.pixelColor(x, y);
                if (c.green() > c.red() + 40 && c.green() > c.blue() + 40)
                    ++green;
            }
        QVERIFY(green > 30);
    }

    // A picture of all five for a person to look at.
    void writePreview()
    {
        const QString names[] = {":/zelvinoraPA.ico", ":/zelvinoraPA2.ico",
                                 ":/zelvinoraPAisNew.ico", ":/checkon.ico", ":/checkoff.ico"};
        QImage sheet(5 * 80, 80 + 24, QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        {
            QPainter painter(&sheet);
            int x = 8;
            for (const QString& name : names) {
                painter.drawPixmap(x, 8, QIcon(name).pixmap(64, 64));
                painter.drawPixmap(x + 24, 80, QIcon(name).pixmap(16, 16));
                x += 80;
            }
        }
        const QString folder = qEnvironmentVariable("ZV_BIN_DIR") + "/../screenshots";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(sheet.save(folder + "/icons.png"));
    }
};

QTEST_MAIN(IconsTest)
#include "tst_icons.moc"
