// Which KDX.INI the editor uses. An installed editor's own folder is not the
// user's to write, so without a portable copy's file the settings are the
// user's own, in the XDG configuration folder.
#pragma once

#include <filesystem>
#include <string>

namespace kdx {

// What the choice depends on, read from the process's environment by the caller.
struct SettingsEnvironment {
    std::string kdxIni;             // KDX_INI; empty when unset
    std::filesystem::path exeDirectory;
    std::string xdgConfigHome;      // XDG_CONFIG_HOME; empty when unset
    std::filesystem::path home;
};

struct SettingsLocation {
    std::filesystem::path path;
    // The per-user file: its folder is made when it is first written.
    bool perUser = false;
};

// KDX_INI when set; else KDX.INI beside the executable when that file exists
// (a portable or build-tree copy); else XDG_CONFIG_HOME/KDX/KDX.INI, with
// ~/.config standing for an unset or relative XDG_CONFIG_HOME.
SettingsLocation LocateSettings(const SettingsEnvironment& environment);

}  // namespace kdx
