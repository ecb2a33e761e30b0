#pragma once

#include <QJsonObject>
#include <QPair>
#include <QString>
#include <QVector>

class QGroupBox;

namespace zv {

// One line of a subscription group: the text on the left and the answer
// column whose date stands on the right.
using SubscriptionLine = QPair<QString, QString>;

// A group box listing until when each subscription runs. Every line is shown,
// with an empty date when the service has none for it.
QGroupBox* subscriptionGroup(const QString& title, const QVector<SubscriptionLine>& lines,
                             const QJsonObject& answer);

} // namespace zv
