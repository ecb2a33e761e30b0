#include "settings/hometab.h"

#include "settings/customtabstyle.h"
#include "settings/setgeneral.h"
#include "settings/setnetwork.h"

#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// Asks for the whole page, where a plain scroll area would ask for a fixed
// share of the screen; a window with room opens with no scroll bar at all.
class PageScrollArea : public QScrollArea
{
public:
    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

// A page taller or wider than the window scrolls instead of squeezing its
// lines into one another.
QScrollArea* scrolling(QWidget* page)
{
    auto* area = new PageScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(page);
    return area;
}
} // namespace

HomeTab::HomeTab(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout;
    m_innerTabs = new QTabWidget(this);
    m_innerTabs->setTabPosition(QTabWidget::West);

    // Only the inner bar gets the style; a widget does not own its style, so
    // the host keeps it alive for as long as the bar.
    m_tabStyle = new CustomTabStyle;
    m_tabStyle->setParent(this);
    m_innerTabs->tabBar()->setStyle(m_tabStyle);
    m_innerTabs->setStyleSheet(QStringLiteral("QTabBar::tab{ width: 50px; }"));

    m_generalPage = new SetGeneral(m_innerTabs);
    m_networkPage = new SetNetwork(m_innerTabs);
    m_innerTabs->addTab(scrolling(m_generalPage), QStringLiteral("Общие \nнастройки"));
    m_innerTabs->addTab(scrolling(m_networkPage), QStringLiteral("Настройки \nсоединения"));

    connect(m_innerTabs, &QTabWidget::currentChanged, m_generalPage, &SetGeneral::updateCacheSize);
    connect(m_generalPage, &SetGeneral::saveSet, this, &HomeTab::saveSet);
    emit m_innerTabs->currentChanged(0);

    layout->addWidget(m_innerTabs);
    setLayout(layout);
}
