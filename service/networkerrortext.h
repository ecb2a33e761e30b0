#pragma once

#include <QNetworkReply>
#include <QString>

namespace zv {

// A plain Russian sentence for what went wrong on the network, with Qt's own
// text after it in brackets: the user reads the first, the dealer's support
// can look up the second. Never ends with a full stop, so callers can go on.
QString networkErrorText(QNetworkReply::NetworkError code, const QString& qtText);

} // namespace zv
