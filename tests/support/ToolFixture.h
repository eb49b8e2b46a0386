// A test of kdx-tool run as a process, with a scratch folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/ToolProcess.h"

namespace kdx::testing {

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            std::filesystem::temp_directory_path() / ("kdx-cli-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs kdx-tool with the arguments (already quoted for the shell).
    ToolRun Tool(const std::string& args) { return RunTool("", args, dir); }
    std::string P(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    std::filesystem::path dir;
};

}  // namespace kdx::testing
