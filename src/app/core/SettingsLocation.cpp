#include "app/core/SettingsLocation.h"

#include <system_error>

#include "app/core/StartupSettings.h"

namespace kdx {

SettingsLocation LocateSettings(const SettingsEnvironment& environment) {
    namespace fs = std::filesystem;
    if (!environment.kdxIni.empty()) return {fs::path(environment.kdxIni), false};

    const fs::path beside = environment.exeDirectory / SettingsFileName;
    std::error_code ec;
    if (fs::exists(beside, ec)) return {beside, false};

    // XDG base directories must be absolute; a relative one counts as unset.
    const fs::path xdg(environment.xdgConfigHome);
    const fs::path configHome = xdg.is_absolute() ? xdg : environment.home / ".config";
    return {configHome / "KDX" / SettingsFileName, true};
}

}  // namespace kdx
