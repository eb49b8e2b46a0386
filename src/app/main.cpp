// kdx: the VELX-9 waveform editor.
#include <QApplication>

#include "app/KDXApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KDX"));
    QApplication::setOrganizationName(QStringLiteral("KDX"));
    kdx::InstallToolkitTranslations();
    kdx::CKDXApp app;
    if (!app.RunStartup(QApplication::arguments())) return 1;
    const int result = QApplication::exec();
    app.Shutdown();
    return result;
}
