#pragma once

#include "settings/networkvalues.h"

#include <QSettings>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The network settings page: the proxy keys and a connection test that uses
// the proxy as the page shows it, saved or not. Saving takes effect with the
// next request; nothing restarts.
class SetNetwork : public QWidget
{
    Q_OBJECT
public:
    explicit SetNetwork(QWidget* parent = nullptr);

    // The controls as they stand, saved or not.
    zv::NetworkValues shownValues() const;
    // How long the connection test waits for a silent peer before it gives up.
    void setConnectTestSilenceLimit(int milliseconds) { m_silenceLimitMs = milliseconds; }

public slots:
    void switchProxyBox();
    void switchAuthUser();
    void instProgramSet();
    void saveSetting();
    void connectTest();

private:
    QGroupBox* buildProxyGroup();

    QSettings m_settings;
    int m_silenceLimitMs = 30000;

    QCheckBox* m_useProxy = nullptr;
    QGroupBox* m_proxyGroup = nullptr;
    QRadioButton* m_fromBrowser = nullptr;
    QRadioButton* m_custom = nullptr;
    QRadioButton* m_http = nullptr;
    QRadioButton* m_socks5 = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_port = nullptr;
    QCheckBox* m_auth = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_test = nullptr;
    // Rows 0 to 7 of the proxy grid, and the user name and password of rows 8 and 9.
    QList<QWidget*> m_proxyWidgets;
    QList<QWidget*> m_authWidgets;

    QPushButton* m_defaults = nullptr;
    QPushButton* m_save = nullptr;
};
