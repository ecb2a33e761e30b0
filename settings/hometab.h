#pragma once

#include <QWidget>

class CustomTabStyle;
class QTabWidget;
class SetGeneral;
class SetNetwork;

// The settings tab of the main window: the general and the network page on
// tabs down the left side.
class HomeTab : public QWidget
{
    Q_OBJECT
public:
    explicit HomeTab(QWidget* parent = nullptr);

    // The main window chains its own currentChanged(int) into this widget's
    // signal, so the general page refreshes the cache size on either level.
    QTabWidget* innerTabs() const { return m_innerTabs; }
    SetGeneral* generalPage() const { return m_generalPage; }
    SetNetwork* networkPage() const { return m_networkPage; }

signals:
    // The general page saved its settings; the client restarts on it.
    void saveSet();

private:
    SetGeneral* m_generalPage = nullptr;
    SetNetwork* m_networkPage = nullptr;
    QTabWidget* m_innerTabs = nullptr;
    CustomTabStyle* m_tabStyle = nullptr;
};
