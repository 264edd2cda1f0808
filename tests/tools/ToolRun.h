// Runs bacnet-tool's commands in the test's own process, output captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "Command.h"

struct ToolRun {
    int rc;
    std::string out, err;

    bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
};

inline ToolRun Tool(const std::vector<std::string>& words)
{
    std::ostringstream out, err;
    const int rc = tool::RunTool(words, out, err);
    return {rc, out.str(), err.str()};
}
