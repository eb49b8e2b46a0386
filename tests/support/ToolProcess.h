// Runs the built kdx-tool as a user runs it: a shell command line whose
// standard output and error land in files, read back with the exit status.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace kdx::testing {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// environment: assignments put before the program ("A='x' B= "); args are
// already quoted for the shell; dir receives the two output files.
inline ToolRun RunTool(const std::string& environment, const std::string& args, const std::filesystem::path& dir) {
    const std::filesystem::path out = dir / "stdout.txt", err = dir / "stderr.txt";
    const std::string command = environment + "'" KDX_TOOL_PATH "' " + args + " >'" + out.string() + "' 2>'" +
                                err.string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(out), ReadText(err)};
}

}  // namespace kdx::testing
