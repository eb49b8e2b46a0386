// The settings file in the private-profile (INI) form: sections in brackets,
// "key=value" lines. Reading and writing keep every other line of the file as
// it was (comments, order, other programs' sections, Japanese texts as bytes),
// which a settings library that rewrites the whole file would not.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// The text of one INI file, edited in memory. Section and key names compare
// without regard to ASCII case, as profile functions do; values are taken with
// surrounding blanks removed.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view text);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the value in place, or adds the key at the end of its section,
    // or adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the section's header and every line up to the next section.
    void RemoveSection(std::string_view section);
    std::string Text() const;

private:
    std::vector<std::string> lines;
    std::string newline = "\r\n";
    bool endsWithNewline = true;
};

// Profile reads and writes against one file path. Each call reads the file
// afresh and each write stores it at once, so two instances sharing the file
// see each other's writes. A missing file reads as empty; a failed write is
// reported by the result and otherwise ignored. With makeFolder, a write first
// makes the file's missing folders, readable by their owner only.
class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path, bool makeFolder = false)
        : path(std::move(path)), makeFolder(makeFolder) {}

    std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // The whole file for several edits at once, and storing it back whole.
    IniText Load() const;
    bool Store(const IniText& ini);
    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
    bool makeFolder;
};

}  // namespace kdx
