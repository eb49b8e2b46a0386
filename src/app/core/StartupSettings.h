// What start-up reads from and writes to KDX.INI: the program version stamp
// and the number of generators this installation may drive.
#pragma once

#include <string>
#include <string_view>

namespace kdx {

inline constexpr const char* SettingsFileName = "KDX.INI";
inline constexpr const char* SettingsSectionKdx = "KDX";
inline constexpr const char* SettingsKeyVersion = "Version";
inline constexpr const char* SettingsSectionDevice = "VELX-9";
inline constexpr const char* SettingsKeyMaxNumber = "MaxNumber";
inline constexpr int MaxNumberLimit = 255;

inline constexpr const char* MsgAlreadyRunning = "既に起動しています。";

// Profile access as start-up needs it; failed writes are the store's concern.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue) = 0;
    virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
};

class ProfileFile;

// The start-up profile on a settings file; failed writes are ignored.
class FileProfileStore : public ProfileStore {
public:
    explicit FileProfileStore(ProfileFile& file) : file(file) {}
    std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;

private:
    ProfileFile& file;
};

// Stamps the version, fills in a missing MaxNumber with "1" and returns the
// number of generators: 1 (single-instance mode) for an unparsable, zero or
// too large entry, which is left as the user wrote it.
int ApplyStartupSettings(ProfileStore& store);

// MaxNumber text to its value, with the fallback to 1.
int MaxNumberFromText(std::string_view text);

// "KDX Version " + version + build suffix.
std::string AboutVersionText();

}  // namespace kdx
