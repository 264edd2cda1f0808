// Runs bacnet-tool's commands in the test's own process, output captured:
// over UDP, or over an in-memory network (no sockets, a virtual clock) on
// which the tool is 10.0.0.1 and the test's devices answer.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <bacnetcodec/client/MemoryLink.h>

#include "Command.h"

struct ToolRun {
    int rc;
    std::string out, err;

    bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
    std::string Said() const { return "rc " + std::to_string(rc) + "\nout:\n" + out + "err:\n" + err; }
};

inline ToolRun Tool(const std::vector<std::string>& words, const tool::LinkOpener& open = tool::UdpOpener())
{
    std::ostringstream out, err;
    const int rc = tool::RunTool(words, out, err, open);
    return {rc, out.str(), err.str()};
}

const bacnet::Endpoint kToolAt(0x0A000001, 47808);  // 10.0.0.1

inline ToolRun ToolOn(bacnet::MemoryNetwork& net, const std::vector<std::string>& words)
{
    return Tool(words, [&net](const bacnet::Endpoint&, std::string*) -> std::unique_ptr<bacnet::Link> {
        return std::make_unique<bacnet::MemoryLink>(net, kToolAt);
    });
}

// The run ended with `rc`, its stdout holds each of `says` in this order and
// its stderr holds `err`.
inline void ExpectRun(const ToolRun& run, const std::string& name, int rc, const std::vector<std::string>& says,
                      const std::string& err = "")
{
    EXPECT_EQ(run.rc, rc) << name << '\n' << run.Said();
    size_t from = 0;
    for (const std::string& text : says) {
        const size_t at = run.out.find(text, from);
        EXPECT_NE(at, std::string::npos) << name << ": no \"" << text << "\"\n" << run.Said();
        from = at == std::string::npos ? from : at;
    }
    EXPECT_NE(run.err.find(err), std::string::npos) << name << ": no \"" << err << "\"\n" << run.Said();
}
