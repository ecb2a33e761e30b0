// Turns one SVG drawing into the .ico file the client compiles in (or the
// .png a Linux desktop shows in its menus), so the icons are kept as editable
// vector sources and never drift from them.
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

namespace {

int fail(const QString& what)
{
    std::fprintf(stderr, "zv-icontool: %s\n", qPrintable(what));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return fail(QStringLiteral("usage: zv-icontool <source.svg> <target.ico|.png> <size>"));

    const QString source = args.at(1);
    const QString target = args.at(2);
    bool sizeOk = false;
    const int size = args.at(3).toInt(&sizeOk);
    // The icon format keeps each side in one byte, 256 being written as 0.
    if (!sizeOk || size < 16 || size > 256)
        return fail(QStringLiteral("size must be 16 to 256, not ") + args.at(3));

    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read the drawing ") + source);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write ") + target + QStringLiteral(": ") +
                    file.errorString());
    QImageWriter writer(&file, QFileInfo(target).suffix().toLower().toLatin1());
    if (!writer.write(image.convertToFormat(QImage::Format_ARGB32))) {
        file.cancelWriting();
        return fail(QStringLiteral("cannot encode ") + target + QStringLiteral(": ") +
                    writer.errorString());
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot finish ") + target + QStringLiteral(": ") +
                    file.errorString());
    return 0;
}
