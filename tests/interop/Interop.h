// What the interop programs share: BACnet/IP datagrams written by the
// library's link codec; children (tshark, node) run with every wait bounded;
// datagrams dissected by tshark into plain records; the command line and the
// checks each program reports.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Hex.h"
#include "host/TagVal.h"

struct _BACnetObjectID;

using Bytes = std::vector<unsigned char>;

// `npdu` in an Original-Unicast- or Original-Broadcast-NPDU.
Bytes Bvlc(const Bytes& npdu, bool broadcast);
// A context tag 0 object identifier at `len`, as the caller of a header-only request writes it.
void ObjectID(unsigned char* buf, int& len, const _BACnetObjectID& obj);

// A host value, as a driver hands one to a write.
template <class T>
CTagVal Val(T value)
{
    CTagVal v;
    v.SetVal(value);
    return v;
}

// Whether `fd` can be read before `deadline`.
bool Readable(int fd, std::chrono::steady_clock::time_point deadline);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (looked up in PATH) in a process group of its own, its
    // stdout on a pipe we read, stderr appended to `stderrPath` ("" leaves it
    // alone), stdin on a pipe we hold: a child that watches its stdin sees it
    // close when this process dies, even by SIGKILL. It also gets SIGTERM then.
    bool Start(const std::vector<std::string>& argv, const std::string& stderrPath, std::string* error);
    // Appends stdout to `out` until a line containing `marker` has arrived
    // (true), or the time-out passes or stdout closes (false).
    bool ReadUntil(const std::string& marker, std::chrono::milliseconds timeout, std::string& out);
    // Reads stdout until it closes and the child exits: true for exit status
    // 0; otherwise, or past the time-out (the child is then killed), false
    // with `error` saying which.
    bool ReadAll(std::chrono::milliseconds timeout, std::string& out, std::string* error);
    // SIGTERM to the child's process group, a short grace period, then SIGKILL; reaps the child.
    void Stop();

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_stdin = -1;
    bool WaitExit(std::chrono::milliseconds timeout, int* status);
};

// Runs a program to completion, bounded in time, and keeps its stdout; true
// when it exits with status 0.
bool RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout, std::string& out,
                std::string* error, const std::string& stderrPath = "/dev/null");

// Starts a node-bacnet script that prints "listening PORT" once it serves on
// 127.0.0.1; the port, or 0 with `error` set.
int StartListening(ChildProcess& child, const std::vector<std::string>& argv, const std::string& log,
                   std::string* error);

// One line of the tree `tshark -T pdml` prints for a packet.
struct PdmlField {
    std::string proto;     // the protocol the field belongs to ("bacapp", "bacnet", "_ws.malformed", ...)
    int depth = 0;         // 0 for the protocol itself, 1 for its top-level fields, ...
    std::string name;      // "" for a text item
    std::string show;      // the value, or the text of a text item
    std::string showname;  // the line as the tree prints it
    std::string value;     // the octets, in hex
    int pos = 0;
    int size = 0;
    const std::string& Text() const { return showname.empty() ? show : showname; }
};

// One packet's fields, in tree order.
struct PdmlPacket {
    std::vector<PdmlField> fields;

    // The shows of every field called `name`, in order, and the first ("" when none).
    std::vector<std::string> All(const std::string& name) const
    {
        std::vector<std::string> out;
        for (const PdmlField& f : fields)
            if (f.depth > 0 && f.name == name)
                out.push_back(f.show);
        return out;
    }
    std::string First(const std::string& name) const
    {
        const std::vector<std::string> all = All(name);
        return all.empty() ? "" : all.front();
    }
    bool Has(const std::string& name) const
    {
        for (const PdmlField& f : fields)
            if (f.name == name)
                return true;
        return false;
    }
    // The protocol record (depth 0) of `proto`, or null.
    const PdmlField* Proto(const std::string& proto) const
    {
        for (const PdmlField& f : fields)
            if (f.depth == 0 && f.name == proto)
                return &f;
        return nullptr;
    }
};

struct Datagram {
    Bytes octets;
    bool broadcast = false;  // to 127.255.255.255 rather than 127.0.0.2
};

// Writes `datagrams` to `pcap` (from 127.0.0.1, port 47808 both sides), has
// tshark dissect them and reads one packet per datagram into `packets`;
// keeps tshark's output in `keepPdml` unless that is "".
bool Dissect(const std::string& tshark, const std::string& pcap, const std::vector<Datagram>& datagrams,
             std::vector<PdmlPacket>& packets, std::string* error, const std::string& keepPdml = "");

// What tshark holds against a packet: a malformed mark, any expert item.
std::vector<std::string> Flaws(const PdmlPacket& packet);

// The value after `name` on the command line, or `fallback`.
std::string Arg(int argc, char** argv, const std::string& name, const std::string& fallback = "");

// The checks of one program: a line each, and the closing count.
class Tally {
public:
    explicit Tally(const char* program) : m_program(program) {}
    // "ok    name: detail" or "FAIL  name: detail"; returns `ok`.
    bool Check(const std::string& name, bool ok, const std::string& detail = "")
    {
        (ok ? m_passed : m_failed)++;
        printf("%s %s%s%s\n", ok ? "ok   " : "FAIL ", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
        fflush(stdout);
        return ok;
    }
    // A failure that stops the program before its checks; the exit status.
    int Abort(const std::string& why)
    {
        Check("the program's setup", false, why);
        return Close();
    }
    // "program: N passed, M failed"; the exit status (1 also when nothing passed).
    int Close() const
    {
        printf("%s: %d passed, %d failed\n", m_program, m_passed, m_failed);
        return m_failed == 0 && m_passed > 0 ? 0 : 1;
    }

private:
    const char* m_program;
    int m_passed = 0;
    int m_failed = 0;
};
