#include "app/mainwindow.h"
#include "app/restarthandover.h"
#include "app/supportlog.h"
#include "service/serviceaddress.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QUrl>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZV_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
    QCoreApplication::setOrganizationDomain(QUrl(zv::serviceBaseAddress()).host());
    QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
    // The log's folder follows the application's identity set just above.
    zv::installSupportLog();
    // Before the first settings handle: the window opens one at once.
    zv::installSettingsFormat();

    zv::waitForRestartedCopy(QCoreApplication::arguments());
    // Sizes itself from its layouts and shows itself before the first
    // question to the service.
    MainWindow window;
    window.show();
    return app.exec();
}
