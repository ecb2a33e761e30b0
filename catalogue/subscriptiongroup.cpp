#include "catalogue/subscriptiongroup.h"

#include "catalogue/answerfields.h"
#include "service/serviceexchange.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace zv {

QGroupBox* subscriptionGroup(const QString& title, const QVector<SubscriptionLine>& lines,
                             const QJsonObject& answer)
{
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const SubscriptionLine& line : lines) {
        grid->addWidget(new QLabel(line.first, group), row, 0);
        auto* date = new QLabel(answer::displayDate(columnText(answer, line.second)), group);
        date->setObjectName(line.second);
        grid->addWidget(date, row, 1);
        ++row;
    }
    auto* filler = new QVBoxLayout;
    filler->addStretch(1);
    grid->addLayout(filler, row, 0, 1, 2);
    return group;
}

} // namespace zv
