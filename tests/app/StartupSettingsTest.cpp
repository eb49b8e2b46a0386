#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#if defined(__unix__)
#include <sys/resource.h>
#endif

#include "app/core/FormulaHistoryFile.h"
#include "app/core/ProfileFile.h"
#include "app/core/SettingsLocation.h"
#include "app/core/StartupSettings.h"

namespace kdx {
namespace {

// A profile in memory that records what start-up writes.
class MemoryProfile : public ProfileStore {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    int writes = 0;
    std::string Read(std::string_view section, std::string_view key, std::string_view def) override {
        const auto it = values.find({std::string(section), std::string(key)});
        return it == values.end() ? std::string(def) : it->second;
    }
    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        values[{std::string(section), std::string(key)}] = std::string(value);
        ++writes;
    }
};

TEST(StartupSettings, EmptyProfileGetsVersionAndSingleInstance) {
    MemoryProfile p;
    EXPECT_EQ(ApplyStartupSettings(p), 1);
    EXPECT_EQ((p.values[{"KDX", "Version"}]), "6.1");
    EXPECT_EQ((p.values[{"VELX-9", "MaxNumber"}]), "1");
}

TEST(StartupSettings, VersionIsRewrittenOnlyWhenDifferent) {
    MemoryProfile p;
    p.values[{"KDX", "Version"}] = "6.0";
    p.values[{"VELX-9", "MaxNumber"}] = "2";
    EXPECT_EQ(ApplyStartupSettings(p), 2);
    EXPECT_EQ((p.values[{"KDX", "Version"}]), "6.1");
    EXPECT_EQ(p.writes, 1);

    p.writes = 0;
    EXPECT_EQ(ApplyStartupSettings(p), 2);
    EXPECT_EQ(p.writes, 0);
}

TEST(StartupSettings, BadMaxNumberFallsBackToOneAndIsKept) {
    for (const char* text : {"0", "256", "abc", "-1", "1.5", "4294967295"}) {
        MemoryProfile p;
        p.values[{"KDX", "Version"}] = "6.1";
        p.values[{"VELX-9", "MaxNumber"}] = text;
        EXPECT_EQ(ApplyStartupSettings(p), 1) << text;
        EXPECT_EQ((p.values[{"VELX-9", "MaxNumber"}]), text);
        EXPECT_EQ(p.writes, 0) << text;
    }
    EXPECT_EQ(MaxNumberFromText("255"), 255);
}

TEST(StartupSettings, AboutText) { EXPECT_EQ(AboutVersionText(), "KDX Version 6.1"); }

TEST(IniText, KeepsOtherLinesAndJapaneseValues) {
    const std::string original =
        "; 設定\r\n[KDX]\r\nVersion=6.0\r\n\r\n[VELX-9.Device]\r\nDescription=波形 装置\r\nSerialNo = QZ1001AB \r\n";
    IniText ini(original);
    EXPECT_EQ(ini.Get("kdx", "VERSION"), "6.0");
    EXPECT_EQ(ini.Get("VELX-9.Device", "Description"), "波形 装置");
    EXPECT_EQ(ini.Get("VELX-9.Device", "SerialNo"), "QZ1001AB");
    EXPECT_FALSE(ini.Get("VELX-9", "Description"));

    ini.Set("KDX", "Version", "6.1");
    ini.Set("VELX-9", "MaxNumber", "1");
    ini.Set("VELX-9.Device", "USBSerialNo", "ABC");
    EXPECT_EQ(ini.Text(),
              "; 設定\r\n[KDX]\r\nVersion=6.1\r\n\r\n[VELX-9.Device]\r\nDescription=波形 装置\r\nSerialNo = QZ1001AB "
              "\r\nUSBSerialNo=ABC\r\n[VELX-9]\r\nMaxNumber=1\r\n");
}

TEST(IniText, NewKeyGoesIntoItsSectionBeforeTheNext) {
    IniText ini("[A]\nx=1\n\n[B]\ny=2\n");
    ini.Set("A", "z", "3");
    EXPECT_EQ(ini.Text(), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
    EXPECT_EQ(ini.Get("B", "y"), "2");
    EXPECT_EQ(ini.Get("A", "y"), std::nullopt);
}

TEST(FormulaHistoryFile, ReplacesItsSectionAndReadsBackInOrder) {
    IniText ini("[KDX]\nVersion=6.1\n[Formula]\nExpr1=old\nExpr2=older\n[VELX-9]\nMaxNumber=1\n");
    std::vector<std::string> history;
    for (int k = 0; k < 22; ++k) history.push_back("x == " + std::to_string(k) + " ? 1 : 0");
    history[1] = "0.5*x（半分）";
    WriteFormulaHistory(ini, history);
    history.resize(20);
    EXPECT_EQ(ReadFormulaHistory(ini), history);
    EXPECT_EQ(ini.Get("VELX-9", "MaxNumber"), "1");
    WriteFormulaHistory(ini, {"t"});
    EXPECT_EQ(ReadFormulaHistory(ini), std::vector<std::string>{"t"});
    EXPECT_EQ(ReadFormulaHistory(IniText("")), std::vector<std::string>{});
}

TEST(ProfileFile, MissingAndReadOnlyFilesGiveDefaults) {
    const auto dir = std::filesystem::temp_directory_path() / "kdx_profile_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ProfileFile missing(dir / "none" / "KDX.INI");
    EXPECT_EQ(missing.Read("KDX", "Version", "d"), "d");
    EXPECT_FALSE(missing.Write("KDX", "Version", "6.1"));

    ProfileFile file(dir / "KDX.INI");
    EXPECT_TRUE(file.Write("KDX", "Version", "6.1"));
    EXPECT_TRUE(file.Write("VELX-9", "MaxNumber", "2"));
    EXPECT_EQ(file.Read("KDX", "Version", ""), "6.1");
    EXPECT_EQ(file.Read("VELX-9", "MaxNumber", ""), "2");
    std::filesystem::remove_all(dir);
}

TEST(SettingsLocation, NamedThenBesideTheProgramThenPerUser) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "kdx_settings_location_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    SettingsEnvironment env;
    env.exeDirectory = dir / "bin";
    env.home = dir / "home";

    // An installed editor: nothing beside it.
    SettingsLocation at = LocateSettings(env);
    EXPECT_EQ(at.path, dir / "home/.config/KDX/KDX.INI");
    EXPECT_TRUE(at.perUser);
    env.xdgConfigHome = (dir / "xdg").string();
    EXPECT_EQ(LocateSettings(env).path, dir / "xdg/KDX/KDX.INI");
    env.xdgConfigHome = "relative/xdg";  // not a base directory: ignored
    EXPECT_EQ(LocateSettings(env).path, dir / "home/.config/KDX/KDX.INI");

    // A portable copy keeps its own file; KDX_INI overrides both.
    std::ofstream(dir / "bin/KDX.INI") << "";
    at = LocateSettings(env);
    EXPECT_EQ(at.path, dir / "bin/KDX.INI");
    EXPECT_FALSE(at.perUser);
    env.kdxIni = (dir / "named.ini").string();
    at = LocateSettings(env);
    EXPECT_EQ(at.path, dir / "named.ini");
    EXPECT_FALSE(at.perUser);
    fs::remove_all(dir);
}

#if defined(__unix__)
// The per-user file is made with its folders on the first write, those
// folders for the user alone; a named file's missing folder is not made.
TEST(ProfileFile, PerUserFileIsMadeWithItsFolders) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "kdx_profile_folder_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    EXPECT_FALSE(ProfileFile(dir / "named/KDX.INI").Write("KDX", "Version", "6.1"));
    EXPECT_FALSE(fs::exists(dir / "named"));

    ProfileFile file(dir / "config/KDX/KDX.INI", true);
    EXPECT_EQ(file.Read("KDX", "Version", "none"), "none");
    EXPECT_FALSE(fs::exists(dir / "config"));  // reading makes nothing
    EXPECT_TRUE(file.Write("KDX", "Version", "6.1"));
    EXPECT_EQ(ProfileFile(dir / "config/KDX/KDX.INI").Read("KDX", "Version", ""), "6.1");
    for (const fs::path& folder : {dir / "config", dir / "config/KDX"})
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << folder;
    fs::remove_all(dir);
}

// The settings file also holds the device list: a write that cannot finish,
// or a file the user made read-only, must leave it as it was.
TEST(ProfileFile, FailedWritesKeepTheFileWhole) {
    const auto dir = std::filesystem::temp_directory_path() / "kdx_profile_keep_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto path = dir / "KDX.INI";
    std::string original = "[KDX]\r\nVersion=6.0\r\n";
    for (int i = 1; i <= 200; ++i)
        original += "[VELX-9.Device" + std::to_string(i) + "]\r\nSerialNo=2026" + std::to_string(1000 + i) + "\r\n";
    std::ofstream(path, std::ios::binary) << original;
    const auto contents = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    ProfileFile file(path);

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 256;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = file.Write("KDX", "Version", "6.1");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(contents(), original);

    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_FALSE(file.Write("KDX", "Version", "6.1"));
    EXPECT_EQ(contents(), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(dir);
}
#endif

}  // namespace
}  // namespace kdx
