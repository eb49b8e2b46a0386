#include "app/core/ProfileFile.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kdx {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.front() == ';';
}

// The key of a "key=value" line, or nullopt.
std::optional<std::string_view> KeyOf(std::string_view line) {
    if (IsComment(line)) return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

// Makes folder and its missing parents, each for its owner only, as the
// user's configuration folders are made.
bool MakeFolders(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec)) return true;
    if (!MakeFolders(folder.parent_path())) return false;
    // Another instance may have made it meanwhile.
    if (!fs::create_directory(folder, ec)) return fs::is_directory(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, ec);
    return true;
}

}  // namespace

IniText::IniText(std::string_view text) {
    if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos) newline = "\n";
    endsWithNewline = text.empty() || text.back() == '\n';
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        pos = end + 1;
    }
}

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const std::string& line : lines) {
        if (const auto name = SectionName(line)) {
            inSection = EqualNoCase(*name, section);
            continue;
        }
        if (!inSection) continue;
        const auto k = KeyOf(line);
        if (!k || !EqualNoCase(*k, key)) continue;
        std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
        // A value in matching quotes is taken without them.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    size_t sectionEnd = 0;  // one past the last non-blank line of the section
    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (found) break;
            inSection = EqualNoCase(*name, section);
            if (inSection) {
                found = true;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i]).empty()) sectionEnd = i + 1;
        const auto k = KeyOf(lines[i]);
        if (k && EqualNoCase(*k, key)) {
            lines[i] = entry;
            return;
        }
    }
    if (found) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
        return;
    }
    // A new section goes at the end, after the last line that has text.
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
    endsWithNewline = true;
}

std::string IniText::Text() const {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || endsWithNewline) out += newline;
    }
    return out;
}

void IniText::RemoveSection(std::string_view section) {
    bool inSection = false;
    std::erase_if(lines, [&](const std::string& line) {
        if (const auto name = SectionName(line)) inSection = EqualNoCase(*name, section);
        return inSection;
    });
}

IniText ProfileFile::Load() const {
    std::string text;
    if (std::ifstream in(path, std::ios::binary); in) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return IniText(text);
}

std::string ProfileFile::Read(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    return Load().Get(section, key).value_or(std::string(defaultValue));
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    IniText ini = Load();
    ini.Set(section, key, value);
    return Store(ini);
}

bool ProfileFile::Store(const IniText& ini) {
    const std::string out = ini.Text();

    // A read-only settings file keeps its contents: writes to it just fail.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;

    if (makeFolder && !MakeFolders(path.parent_path())) return false;

    // The file also holds the device list; written in place, a full disk
    // would leave it empty. Write beside it, then put it in place whole.
    const fs::path temporary = path.parent_path() / ("~" + path.filename().string() + ".tmp");
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(out.data(), static_cast<std::streamsize>(out.size()));
        file.close();
        if (file.fail()) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace kdx
