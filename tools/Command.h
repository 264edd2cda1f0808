// The subcommands of bacnet-tool and what they share: the context they run
// in, exit codes, the network options and the opening of a device.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "Args.h"
#include "Client.h"
#include "Output.h"

namespace tool {

enum ExitCode {
    EXIT_OK = 0,      // the operation succeeded
    EXIT_FAILED = 1,  // the device refused (Error, Reject, Abort) or did not answer
    EXIT_USAGE = 2,   // the command line is wrong
};

struct Context {
    Args args;
    std::ostream& out;
    std::ostream& err;
    LinkOpener open;  // how the network commands reach the network
};

struct Command {
    const char* name;
    const char* usage;    // the words after the command's name
    const char* summary;  // one line for the command list
    const char* details;  // the rest of --help
    std::vector<OptionSpec> options;
    int minArgs;
    int maxArgs;          // -1: no limit
    int (*run)(Context&);
};

// Every command, in the order --help lists them.
const std::vector<Command>& Commands();
// argv without the program name; the network over `open` (UDP by default).
int RunTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            const LinkOpener& open = UdpOpener());

// Options of every command that talks to the network.
std::vector<OptionSpec> NetworkOptions();
std::vector<OptionSpec> With(std::vector<OptionSpec> options, const std::vector<OptionSpec>& more);
extern const OptionSpec kJsonOption;
extern const OptionSpec kCsvOption;
// --dnet N --dadr HEX: the network and MAC address a router delivers to,
// into `record`. EXIT_OK, or EXIT_USAGE after telling why.
int ReadRoute(Context& context, CBACnetOBJ& record);

// {"kind":"error","text":...,"class":...,"classNumber":...,"code":...,"codeNumber":...}
void FailureJson(JsonWriter& json, const Reply& reply);

// A client bound as the options say, and a device at TARGET.
class Session {
public:
    explicit Session(Context& context) : m_context(context), m_client(NetOptions()) {}

    // Opens the link: EXIT_OK, or the exit code after telling why. With
    // `broadcasts` it binds 47808 (unless told otherwise) to hear the
    // answers devices broadcast; otherwise any free port.
    int Open(bool broadcasts = false);
    // Parses TARGET (HOST[:PORT]) into `device`; with `resolve` asks the
    // device for its I-Am first (its max APDU decides how requests split).
    int OpenDevice(const std::string& target, Device& device, bool resolve);

    Client& client() { return m_client; }
    // Reports a failed reply with the library's text; returns EXIT_FAILED.
    int Failed(const std::string& what, Reply& reply);
    int Usage(const std::string& message);

private:
    Context& m_context;
    Client m_client;
};

// Command groups, one file each.
std::vector<Command> DiscoveryCommands();  // discover, whohas, timesync
std::vector<Command> ReadCommands();       // read
std::vector<Command> PollCommands();       // poll
std::vector<Command> WriteCommands();      // write, create, delete
std::vector<Command> WatchCommands();      // watch
std::vector<Command> TrendCommands();      // trend
std::vector<Command> CodecCommands();      // encode, decode
std::vector<Command> DeviceCommands();     // simulate, demo

}  // namespace tool
