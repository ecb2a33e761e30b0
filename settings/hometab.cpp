#include "settings/hometab.h"

#include "settings/customtabstyle.h"
#include "settings/setgeneral.h"
#include "settings/setnetwork.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

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
    m_innerTabs->addTab(m_generalPage, QStringLiteral("Общие \nнастройки"));
    m_innerTabs->addTab(m_networkPage, QStringLiteral("Настройки \nсоединения"));

    connect(m_innerTabs, &QTabWidget::currentChanged, m_generalPage, &SetGeneral::updateCacheSize);
    connect(m_generalPage, &SetGeneral::saveSet, this, &HomeTab::saveSet);
    emit m_innerTabs->currentChanged(0);

    layout->addWidget(m_innerTabs);
    setLayout(layout);
}
