#include "settings/customtabstyle.h"

#include <QStyleOptionTab>
#include <QTabBar>

void CustomTabStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const
{
    if (element == CE_TabBarTabLabel) {
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
        if (tab && tab->version >= 3) {
            QStyleOptionTab horizontal(*tab);
            horizontal.shape = QTabBar::RoundedNorth;
            QProxyStyle::drawControl(element, &horizontal, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize CustomTabStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                       const QSize& size, const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_TabBarTab)
        result.transpose();
    return result;
}
