// Holds every #include "..." of the program's code to the table of floors:
// kdx_layer_check ROOT [TABLE] checks ROOT/src, ROOT/tools and ROOT/sim
// against TABLE (by default ROOT/src/layers.txt), prints each include that
// runs against it and exits 1 when there is one.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Floor {
    std::string target;
    std::string folder;
    std::set<std::string> targets;  // what it may include from, its own target too
    std::set<std::string> files;    // single headers it may include
};

// The floor a file of the tree lies on: the one with the longest folder
// around it, nullptr when none holds it.
const Floor* FloorOf(const std::vector<Floor>& floors, const std::string& path) {
    const Floor* best = nullptr;
    for (const Floor& f : floors) {
        if (path.rfind(f.folder + "/", 0) == 0 && (!best || f.folder.size() > best->folder.size())) best = &f;
    }
    return best;
}

bool ReadTable(const fs::path& table, std::vector<Floor>& floors) {
    std::ifstream in(table);
    if (!in) {
        std::cerr << table.string() << ": cannot read the table\n";
        return false;
    }
    std::map<std::string, size_t> known;  // target -> its place in floors
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        Floor f;
        if (!(words >> f.target) || f.target[0] == '#') continue;
        if (!(words >> f.folder)) {
            std::cerr << table.string() << ":" << number << ": " << f.target << " names no folder\n";
            return false;
        }
        f.targets.insert(f.target);
        for (std::string below; words >> below;) {
            if (below == "-") continue;
            if (below.find('/') != std::string::npos) {
                f.files.insert(below);
                continue;
            }
            // Listed above means built below: a floor stands only on earlier lines.
            const auto it = known.find(below);
            if (it == known.end()) {
                std::cerr << table.string() << ":" << number << ": " << f.target << " stands on " << below
                          << ", which is not a floor below it\n";
                return false;
            }
            const Floor& lower = floors[it->second];
            f.targets.insert(lower.targets.begin(), lower.targets.end());
            f.files.insert(lower.files.begin(), lower.files.end());
        }
        known[f.target] = floors.size();
        floors.push_back(std::move(f));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: kdx_layer_check ROOT [TABLE]\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::vector<Floor> floors;
    if (!ReadTable(argc == 3 ? fs::path(argv[2]) : root / "src" / "layers.txt", floors)) return 2;

    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::set<std::string> sources = {".h", ".hpp", ".c", ".cc", ".cpp"};
    std::vector<std::string> paths;
    for (const char* top : {"src", "tools", "sim"}) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (entry.is_regular_file() && sources.count(entry.path().extension().string()))
                paths.push_back(entry.path().lexically_relative(root).generic_string());
        }
    }
    std::sort(paths.begin(), paths.end());

    int faults = 0;
    size_t includes = 0;
    for (const std::string& path : paths) {
        const Floor* floor = FloorOf(floors, path);
        if (!floor) {
            std::cout << path << ": lies on no floor of the table\n";
            ++faults;
            continue;
        }
        std::ifstream in(root / path);
        std::string line;
        std::smatch m;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!std::regex_search(line, m, include)) continue;
            ++includes;
            const std::string name = m[1];
            // Beside the including file first, then from src/, as the compiler looks.
            std::string target = (fs::path(path).parent_path() / name).lexically_normal().generic_string();
            if (!fs::is_regular_file(root / target)) target = (fs::path("src") / name).lexically_normal().generic_string();
            const std::string where = path + ":" + std::to_string(number) + ": includes \"" + name + "\": ";
            if (!fs::is_regular_file(root / target)) {
                std::cout << where << "no such file beside it or under src/\n";
                ++faults;
                continue;
            }
            if (floor->files.count(target)) continue;
            const Floor* other = FloorOf(floors, target);
            if (!other) {
                std::cout << where << target << " lies on no floor of the table\n";
                ++faults;
            } else if (!floor->targets.count(other->target)) {
                std::cout << where << floor->target << " may not include from " << other->target << "\n";
                ++faults;
            }
        }
    }
    std::cout << includes << " includes in " << paths.size() << " files checked: " << faults
              << " against the table\n";
    return faults ? 1 : 0;
}
