#include "catalogue/versiontext.h"

#include <QStringList>

namespace zv::versiontext {
namespace {

float numberOf(const QString& text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? value : 0.0f;
}

QString shortest(float value)
{
    return QString::number(double(value), 'g', 6);
}

} // namespace

QMap<QString, float> parse(const QString& text)
{
    const QStringList pieces = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    const auto piece = [&pieces](int index) {
        return index < pieces.size() ? pieces.at(index) : QString();
    };
    const QString date = piece(2);
    QMap<QString, float> version;
    version.insert(QStringLiteral("Version"), numberOf(piece(0) + QLatin1Char('.') + piece(1)));
    version.insert(QStringLiteral("Year"), numberOf(date.mid(0, 2)));
    version.insert(QStringLiteral("Month"), numberOf(date.mid(2, 2)));
    version.insert(QStringLiteral("Day"), numberOf(date.mid(4, 2)));
    return version;
}

QString display(const QMap<QString, float>& version)
{
    const auto part = [&version](const char* key) {
        return shortest(version.value(QLatin1String(key), 0.0f))
            .rightJustified(2, QLatin1Char('0'));
    };
    return shortest(version.value(QStringLiteral("Version"), 0.0f)) + QLatin1Char('.') +
           part("Year") + part("Month") + part("Day");
}

} // namespace zv::versiontext
