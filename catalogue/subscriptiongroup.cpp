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
    // Some styles (Fusion) draw the title in bold within a place measured for
    // the plain font, and cut its end; measured in bold, it fits. The lines
    // keep the plain font.
    QFont plain = group->font();
    QFont bold = plain;
    bold.setBold(true);
    // Set outright, or the lines would take the box's bold.
    plain.setBold(false);
    group->setFont(bold);
    auto* grid = new QGridLayout(group);
    // Dates stand close together: on a small screen every line of the panel
    // is a line less of the catalogue.
    grid->setVerticalSpacing(2);
    grid->setContentsMargins(8, 4, 8, 4);
    int row = 0;
    for (const SubscriptionLine& line : lines) {
        auto* text = new QLabel(line.first, group);
        auto* date = new QLabel(answer::displayDate(columnText(answer, line.second)), group);
        text->setFont(plain);
        date->setFont(plain);
        grid->addWidget(text, row, 0);
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
