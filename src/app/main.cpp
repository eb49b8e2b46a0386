// kdx: the VELX-9 waveform editor.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "app/KDXApp.h"

namespace {

constexpr const char* UsageText =
    "Usage: kdx [OPTION] [FILE.kdx]\n"
    "The VELX-9 waveform editor; opens FILE when its name ends in .kdx (any case).\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the program version and exit\n"
    "\n"
    "Settings: the file named by KDX_INI, else KDX.INI beside the program when it\n"
    "exists, else $XDG_CONFIG_HOME/KDX/KDX.INI (~/.config/KDX/KDX.INI).\n"
    "The generator's D2XX library: KDX_D2XX_LIBRARY, else libftd2xx.so. See kdx(1).\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before the toolkit starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version") {
            std::printf("kdx %s\n", kdx::CKDXApp::GetVersionText().toUtf8().constData());
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::fputs(UsageText, stdout);
            return 0;
        }
    }

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
