#pragma once

#include <QString>
#include <QStringList>

// Every statement text the client sends to the dealer's service, in one place.
// Values are inserted as the templates say: the WinRIK key and (in the
// subscription query) nothing else bare; identifiers of bases and products
// between single quotes. Keep these texts byte for byte: the service's
// database answers exactly these.
namespace zv::statements {

QString serverDate();
QString rikSubscription(const QString& key);
QString grandSubscription(const QString& series, const QString& number);
QString baseVersion(const QString& nb);
QString productVersion(const QString& product);
QString userFileChange(const QString& key);
QString rikVersionOffer(const QString& key);
QString rikIndices(const QString& key);
QString grandIndices(const QString& series, const QString& number);
QString normativeBases(const QString& key);
QString endings();

// Product names of the version query.
inline const QString productRik = QStringLiteral("rik");
inline const QString productClient = QStringLiteral("zelvinoraPA");

// Every template with the given account values filled in; used to check that
// a stand-in of the service accepts all of them.
QStringList everyStatement(const QString& key, const QString& series, const QString& number,
                           const QString& nb);

} // namespace zv::statements
