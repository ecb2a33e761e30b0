#include "app/endrequest.h"
#include "app/mainwindow.h"
#include "app/restarthandover.h"
#include "app/setupcleanup.h"
#include "app/supportlog.h"
#include "service/logging.h"
#include "service/serviceaddress.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QStyle>
#include <QUrl>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZV_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
    QCoreApplication::setOrganizationDomain(QUrl(zv::serviceBaseAddress()).host());
    QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
    // The log's folder follows the application's identity set just above.
    zv::installSupportLog();
    // Which look Windows gave the client: without its style plugin Qt falls
    // back to the classic grey one.
    ZV_INFO() << "main: style " << QApplication::style()->objectName();
    // Before the first settings handle: the window opens one at once.
    zv::installSettingsFormat();

    zv::waitForRestartedCopy(QCoreApplication::arguments());
    // Sizes itself from its layouts and shows itself before the first
    // question to the service.
    // Asked to end while a start-up check's box waits for the user, nothing
    // is under way yet and the process ends at once; later the client ends
    // as its tray menu's "Выход" ends it.
    MainWindow* shown = nullptr;
    zv::listenForEndRequest(&app, [&shown] {
        if (!shown)
            std::exit(0);
        shown->quitApp();
    });
    MainWindow window;
    shown = &window;
    zv::removeCachedSetup(QCoreApplication::arguments(), &window);
    window.show();
    return app.exec();
}
