#include "service/proxy.h"

#include "service/browserproxy.h"
#include "service/proxydecision.h"
#include "service/titledmessagebox.h"
#include "settings/settingkeys.h"

#include <QNetworkAccessManager>
#include <QSettings>

namespace zv {

ProxyChoice storedProxyChoice()
{
    const QSettings settings;
    ProxyChoice choice;
    choice.useProxy = settings.value(keys::networkProxyUse).toBool();
    choice.fromBrowser = settings.value(keys::networkProxyBrowser).toBool();
    choice.httpProtocol = settings.value(keys::networkProxyHttp).toBool();
    choice.address = settings.value(keys::networkProxyAddress).toString();
    choice.port = portFromSetting(settings.value(keys::networkProxyPort));
    return choice;
}

void setNetworkProxy(QNetworkAccessManager& manager, const ProxyChoice& choice,
                     QWidget* messageParent)
{
    const ProxyDecision decision = decideProxy(choice, browserProxyText);
    if (decision.action == ProxyDecision::Action::LeaveAlone)
        return;
    manager.setProxy(decision.proxy);
    if (decision.action == ProxyDecision::Action::Unconfigured)
        showInformationBox(messageParent, QStringLiteral("Отсутствует настройка"),
                           decision.message);
}

} // namespace zv
