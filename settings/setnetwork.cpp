#include "settings/setnetwork.h"

#include "service/serviceaddress.h"
#include "service/titledmessagebox.h"
#include "settings/connectiontest.h"
#include "settings/fieldwidth.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

SetNetwork::SetNetwork(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout;
    m_useProxy = new QCheckBox(QStringLiteral("Использовать прокси-сервер"), this);
    grid->addWidget(m_useProxy, 0, 0);
    grid->addWidget(buildProxyGroup(), 1, 0, 1, 3);
    auto* address = new QLabel(QStringLiteral("Внешний адрес: ") + zv::serviceBaseAddress(), this);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(address, 2, 0);
    m_defaults = new QPushButton(QStringLiteral("Установить настройки по умолчанию"), this);
    m_save = new QPushButton(QStringLiteral("Сохранить изменения"), this);
    grid->addWidget(m_defaults, 3, 0);
    grid->addWidget(m_save, 3, 1);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(4, 1);
    setLayout(grid);

    connect(m_useProxy, &QCheckBox::clicked, this, &SetNetwork::switchProxyBox);
    connect(m_auth, &QCheckBox::clicked, this, &SetNetwork::switchAuthUser);
    instProgramSet();
    connect(m_defaults, &QPushButton::clicked, this, &SetNetwork::instProgramSet);
    connect(m_save, &QPushButton::clicked, this, &SetNetwork::saveSetting);
    connect(m_test, &QPushButton::clicked, this, &SetNetwork::connectTest);
}

QGroupBox* SetNetwork::buildProxyGroup()
{
    m_proxyGroup = new QGroupBox(QStringLiteral("Настройки прокси-сервера"), this);
    m_proxyGroup->setObjectName(QStringLiteral("proxyGroup"));
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 15);
    grid->setColumnMinimumWidth(1, 15);

    m_fromBrowser =
        new QRadioButton(QStringLiteral("Использовать настройки браузера"), m_proxyGroup);
    m_custom = new QRadioButton(QStringLiteral("Использовать собственные настройки"), m_proxyGroup);
    auto* protocolLabel = new QLabel(QStringLiteral("Тип протокола"), m_proxyGroup);
    m_http = new QRadioButton(QStringLiteral("HTTP"), m_proxyGroup);
    m_socks5 = new QRadioButton(QStringLiteral("SOCKS5"), m_proxyGroup);
    // Two separate choices inside one box: the source and the protocol.
    auto* source = new QButtonGroup(m_proxyGroup);
    source->addButton(m_fromBrowser);
    source->addButton(m_custom);
    auto* protocol = new QButtonGroup(m_proxyGroup);
    protocol->addButton(m_http);
    protocol->addButton(m_socks5);

    auto* addressLabel = new QLabel(QStringLiteral("Адрес прокси-сервера"), m_proxyGroup);
    auto* portLabel = new QLabel(QStringLiteral("Порт"), m_proxyGroup);
    m_address = new QLineEdit(m_proxyGroup);
    m_address->setObjectName(QStringLiteral("address"));
    m_port = new QLineEdit(m_proxyGroup);
    m_port->setObjectName(QStringLiteral("port"));
    zv::fitFieldTo(*m_port, QStringLiteral("65535"), 50);
    m_auth = new QCheckBox(QStringLiteral("Использовать авторизацию"), m_proxyGroup);
    auto* userLabel = new QLabel(QStringLiteral("Имя пользователя:"), m_proxyGroup);
    auto* passwordLabel = new QLabel(QStringLiteral("Пароль:"), m_proxyGroup);
    m_user = new QLineEdit(m_proxyGroup);
    m_user->setObjectName(QStringLiteral("user"));
    m_password = new QLineEdit(m_proxyGroup);
    m_password->setObjectName(QStringLiteral("password"));
    m_test = new QPushButton(QStringLiteral("Проверить соединение"), m_proxyGroup);

    grid->addWidget(m_fromBrowser, 0, 0, 1, 6);
    grid->addWidget(m_custom, 1, 0, 1, 6);
    grid->addWidget(protocolLabel, 2, 0, 1, 6);
    grid->addWidget(m_http, 3, 0, 1, 6);
    grid->addWidget(m_socks5, 4, 0, 1, 6);
    grid->addWidget(addressLabel, 5, 1, 1, 3);
    grid->addWidget(portLabel, 5, 4);
    grid->addWidget(m_address, 6, 1, 1, 3);
    grid->addWidget(m_port, 6, 4);
    grid->addWidget(m_auth, 7, 1, 1, 2);
    grid->addWidget(userLabel, 8, 2);
    grid->addWidget(passwordLabel, 8, 4, 1, 2);
    grid->addWidget(m_user, 9, 2);
    grid->addWidget(m_password, 9, 3, 1, 2);
    grid->addWidget(m_test, 10, 3, 1, 2);
    m_proxyGroup->setLayout(grid);

    m_proxyWidgets = {m_fromBrowser, m_custom,  protocolLabel, m_http, m_socks5,
                      addressLabel,  portLabel, m_address,     m_port, m_auth};
    m_authWidgets = {userLabel, passwordLabel, m_user, m_password};
    return m_proxyGroup;
}

zv::NetworkValues SetNetwork::shownValues() const
{
    zv::NetworkValues values;
    values.useProxy = m_useProxy->isChecked();
    values.fromBrowser = m_fromBrowser->isChecked();
    values.custom = m_custom->isChecked();
    values.http = m_http->isChecked();
    values.socks5 = m_socks5->isChecked();
    values.address = m_address->text();
    values.port = m_port->text();
    values.auth = m_auth->isChecked();
    values.user = m_user->text();
    values.password = m_password->text();
    return values;
}

void SetNetwork::switchProxyBox()
{
    if (!m_useProxy->isChecked()) {
        m_proxyGroup->setStyleSheet(QStringLiteral("QGroupBox { color: grey; }"));
        for (QWidget* widget : m_proxyWidgets + m_authWidgets)
            widget->setEnabled(false);
        return;
    }
    m_proxyGroup->setStyleSheet(QStringLiteral("QGroupBox { color: black; }"));
    for (QWidget* widget : m_proxyWidgets)
        widget->setEnabled(true);
    // With authorisation off the credentials keep whatever state they had.
    if (m_auth->isChecked()) {
        for (QWidget* widget : m_authWidgets)
            widget->setEnabled(true);
    }
}

void SetNetwork::switchAuthUser()
{
    for (QWidget* widget : m_authWidgets)
        widget->setEnabled(m_auth->isChecked());
}

void SetNetwork::instProgramSet()
{
    const zv::NetworkValues values = zv::loadNetworkValues(m_settings);
    m_useProxy->setChecked(values.useProxy);
    m_fromBrowser->setChecked(values.fromBrowser);
    m_custom->setChecked(values.custom);
    m_http->setChecked(values.http);
    m_socks5->setChecked(values.socks5);
    m_address->setText(values.address);
    m_port->setText(values.port);
    m_auth->setChecked(values.auth);
    m_user->setText(values.user);
    m_password->setText(values.password);
    emit m_useProxy->clicked(false);
}

void SetNetwork::saveSetting()
{
    zv::saveNetworkValues(m_settings, shownValues());
}

void SetNetwork::connectTest()
{
    // The wait runs a local event loop; a second press meanwhile would start
    // a second test inside the first.
    m_test->setEnabled(false);
    const zv::ConnectionTestOutcome outcome =
        zv::testServiceConnection(zv::proxyChoiceOf(shownValues()), this, m_silenceLimitMs);
    m_test->setEnabled(true);
    if (outcome.ok)
        zv::showInformationBox(this, QStringLiteral("Успешное соединение"),
                               QStringLiteral("Подключение удалось."));
    else
        zv::showInformationBox(this, QStringLiteral("Отсутствует настройка"),
                               zv::connectionFailureText(outcome));
}
