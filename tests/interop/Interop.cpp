#include "Interop.h"

#include <bacnetcodec/bacnetcodec.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

using Clock = std::chrono::steady_clock;

bool Readable(int fd, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready >= 0 || errno != EINTR)
            return ready > 0;
    }
}

namespace {

// One read from `fd` into `out`, waiting until `deadline`. 1 data, 0 end of
// file, -1 time-out or failure.
int ReadSome(int fd, Clock::time_point deadline, std::string& out)
{
    char chunk[4096];
    ssize_t n = -1;
    while (Readable(fd, deadline) && (n = read(fd, chunk, sizeof chunk)) < 0 && errno == EINTR) {
    }
    if (n > 0)
        out.append(chunk, static_cast<size_t>(n));
    return n > 0 ? 1 : n == 0 ? 0 : -1;
}

void Put(Bytes& out, uint32_t v, int octets, bool littleEndian = false)
{
    for (int i = 0; i < octets; i++)
        out.push_back(static_cast<unsigned char>(v >> 8 * (littleEndian ? i : octets - 1 - i)));
}

// A classic capture file of raw IPv4 packets (link type 101), little-endian,
// one second apart. Both checksums are left out (0): tshark checks neither
// by default, and UDP over IPv4 allows it.
Bytes Capture(const std::vector<Datagram>& datagrams)
{
    Bytes file;
    for (uint32_t v : {0xA1B2C3D4u, 0x00040002u, 0u, 0u, 65535u, 101u})
        Put(file, v, 4, true);
    uint32_t second = 0;
    for (const Datagram& d : datagrams) {
        const uint32_t length = static_cast<uint32_t>(28 + d.octets.size());
        for (uint32_t v : {++second, 0u, length, length})
            Put(file, v, 4, true);
        // IPv4 with a 20-octet header, its length, an identification, TTL 64, UDP.
        for (uint32_t v : {0x4500u, length, second, 0u, 0x4011u, 0u})
            Put(file, v, 2);
        Put(file, 0x7F000001, 4);
        Put(file, d.broadcast ? 0x7FFFFFFF : 0x7F000002, 4);
        for (uint32_t v : {47808u, 47808u, length - 20, 0u})
            Put(file, v, 2);
        file.insert(file.end(), d.octets.begin(), d.octets.end());
    }
    return file;
}

// The named entities; a numeric one stays as written (the tests compare ASCII
// texts only). &amp; last, so an escaped entity is not read twice.
std::string Unescape(std::string s)
{
    static const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& e : entities)
        for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
            s.replace(at, strlen(e.first), e.second);
    return s;
}

// The value of attribute `name` in one element line, unescaped; "" if absent.
std::string Attribute(const std::string& line, const char* name)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t at = line.find(key);
    const size_t to = at == std::string::npos ? at : line.find('"', at + key.size());
    return to == std::string::npos ? "" : Unescape(line.substr(at + key.size(), to - at - key.size()));
}

// tshark writes one element per line, which is all this reader relies on.
void ParsePdml(const std::string& text, std::vector<PdmlPacket>& packets)
{
    std::istringstream in(text);
    std::string line, proto;
    PdmlPacket* packet = nullptr;
    int depth = 0;
    while (std::getline(in, line)) {
        const size_t lt = line.find('<');
        if (lt == std::string::npos)
            continue;
        const std::string element = line.substr(lt);
        if (element.compare(0, 7, "<packet") == 0) {
            packets.emplace_back();
            packet = &packets.back();
        } else if (element.compare(0, 9, "</packet>") == 0) {
            packet = nullptr;
        } else if (packet && (element.compare(0, 7, "<proto ") == 0 || element.compare(0, 7, "<field ") == 0)) {
            PdmlField f;
            f.name = Attribute(element, "name");
            if (element[1] == 'p') {
                proto = f.name;
                depth = 0;
            }
            f.proto = proto;
            f.depth = depth;
            f.show = Attribute(element, "show");
            f.showname = Attribute(element, "showname");
            f.value = Attribute(element, "value");
            f.pos = atoi(Attribute(element, "pos").c_str());
            f.size = atoi(Attribute(element, "size").c_str());
            packet->fields.push_back(f);
            if (element.compare(element.size() - 2, 2, "/>") != 0)
                depth++;
        } else if (element.compare(0, 8, "</field>") == 0 || element.compare(0, 8, "</proto>") == 0) {
            depth--;
        }
    }
}

bool WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream file(path, std::ios::binary);
    return static_cast<bool>(file.write(data.data(), data.size()));
}

}  // namespace

Bytes Bvlc(const Bytes& npdu, bool broadcast)
{
    CBACnetBVLC bvlc;
    bvlc.m_function = broadcast ? CBACnetBVLC::ORIGINAL_BROADCAST : CBACnetBVLC::ORIGINAL_UNICAST;
    bvlc.m_npdu = npdu.data();
    bvlc.m_npduLength = static_cast<int>(npdu.size());
    Bytes out(npdu.size() + CBACnetBVLC::HEADER);
    int len = 0;
    if (!bvlc.MakeFrame(out.data(), len, static_cast<int>(out.size())))
        out.clear();  // too long for the codec: the checks on the empty datagram say so
    return out;
}

void ObjectID(unsigned char* buf, int& len, const _BACnetObjectID& obj)
{
    const DWORD v = obj.GetValue();
    unsigned char host[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                             static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    CBACnetTag().MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, 4, host);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& stderrPath, std::string* error)
{
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + strerror(errno);
        return false;  // a lone pipe left open is the test's end anyway
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec. A process group
        // of its own lets Stop() reach whatever the program starts in turn.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        dup2(in[0], 0);
        dup2(out[1], 1);
        const int err = stderrPath.empty() ? -1 : open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (err >= 0)
            dup2(err, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    if (pid < 0) {
        *error = std::string("fork: ") + strerror(errno);
        close(out[0]);
        close(in[1]);
        return false;
    }
    setpgid(pid, pid);  // also here, so Stop() cannot race the child's own call
    m_pid = pid;
    m_stdout = out[0];
    m_stdin = in[1];
    return true;
}

bool ChildProcess::ReadUntil(const std::string& marker, std::chrono::milliseconds timeout, std::string& out)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    const size_t start = out.size();
    while (m_stdout >= 0) {
        const size_t found = out.find(marker, start);
        if (found != std::string::npos && out.find('\n', found) != std::string::npos)
            return true;
        if (ReadSome(m_stdout, deadline, out) <= 0)
            return false;
    }
    return false;
}

bool ChildProcess::ReadAll(std::chrono::milliseconds timeout, std::string& out, std::string* error)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    int r = 0, status = -1;
    while (m_stdout >= 0 && (r = ReadSome(m_stdout, deadline, out)) > 0) {
    }
    const bool exited =
        r == 0 && WaitExit(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()), &status);
    if (!exited)
        *error = "did not finish within " + std::to_string(timeout.count() / 1000) + " s";
    else if (status != 0)
        *error = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                   : "killed by signal " + std::to_string(WTERMSIG(status));
    Stop();
    return exited && status == 0;
}

bool ChildProcess::WaitExit(std::chrono::milliseconds timeout, int* status)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (m_pid > 0) {
        const pid_t done = waitpid(m_pid, status, WNOHANG);
        if (done == m_pid || (done < 0 && errno == ECHILD))
            m_pid = -1;
        else if (Clock::now() >= deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void ChildProcess::Stop()
{
    if (m_pid > 0) {
        // The child's own process group: the child and what it started.
        const pid_t group = m_pid;
        int status;
        kill(-group, SIGTERM);
        if (!WaitExit(std::chrono::milliseconds(2000), &status))
            kill(-group, SIGKILL);
        WaitExit(std::chrono::milliseconds(5000), &status);
        kill(-group, SIGKILL);  // anything of the group still left
    }
    for (int* fd : {&m_stdout, &m_stdin})
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
}

bool RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout, std::string& out,
                std::string* error, const std::string& stderrPath)
{
    ChildProcess child;
    if (child.Start(argv, stderrPath, error) && child.ReadAll(timeout, out, error))
        return true;
    *error = argv[0] + ": " + *error;
    return false;
}

int StartListening(ChildProcess& child, const std::vector<std::string>& argv, const std::string& log,
                   std::string* error)
{
    std::string out;
    WriteFile(log, "");  // this run's log only
    if (!child.Start(argv, log, error) || !child.ReadUntil("listening ", std::chrono::seconds(30), out)) {
        *error += " (see " + log + "; npm ci in tests/interop/node installs node-bacnet) " + out;
        return 0;
    }
    const int port = atoi(out.c_str() + out.find("listening ") + 10);
    if (port <= 0 || port > 65535)
        *error = "no port in \"" + out + "\"";
    return port > 0 && port <= 65535 ? port : 0;
}

std::string Arg(int argc, char** argv, const std::string& name, const std::string& fallback)
{
    for (int i = 1; i + 1 < argc; i++)
        if (argv[i] == name)
            return argv[i + 1];
    return fallback;
}

bool Dissect(const std::string& tshark, const std::string& pcap, const std::vector<Datagram>& datagrams,
             std::vector<PdmlPacket>& packets, std::string* error, const std::string& keepPdml)
{
    const Bytes file = Capture(datagrams);
    if (!WriteFile(pcap, std::string(file.begin(), file.end()))) {
        *error = "cannot write " + pcap;
        return false;
    }
    std::string pdml;
    // -n: no name look-ups.
    if (!RunProgram({tshark, "-n", "-r", pcap, "-T", "pdml"}, std::chrono::seconds(120), pdml, error))
        return false;
    if (!keepPdml.empty())
        WriteFile(keepPdml, pdml);
    packets.clear();
    ParsePdml(pdml, packets);
    const bool ok = packets.size() == datagrams.size();
    if (!ok)
        *error = "tshark gave " + std::to_string(packets.size()) + " packets for " +
                 std::to_string(datagrams.size()) + " datagrams";
    return ok;
}

std::vector<std::string> Flaws(const PdmlPacket& packet)
{
    std::vector<std::string> flaws;
    if (packet.Has("_ws.malformed"))
        flaws.push_back("tshark marks the frame malformed");
    for (const PdmlField& f : packet.fields)
        if (f.name == "_ws.expert")
            flaws.push_back("expert item");
        else if (f.name == "_ws.expert.message" && !flaws.empty())
            flaws.back() += ": " + f.show;
    return flaws;
}
