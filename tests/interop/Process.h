// The programs around an interop test: children it runs (tshark, node) with
// every wait bounded, its own command line, and the checks it reports.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills and reaps the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (looked up in PATH) with its stdout on a pipe we read,
    // stderr appended to `stderrPath` ("" leaves it alone) and stdin on a
    // pipe we hold: a child that watches its stdin sees it close when this
    // process dies, even by SIGKILL. The child also gets SIGTERM then.
    bool Start(const std::vector<std::string>& argv, const std::string& stderrPath, std::string* error);
    // Appends stdout output to `out` until a line containing `marker` has
    // arrived (true), or the deadline passes or stdout closes (false).
    bool ReadUntil(const std::string& marker, std::chrono::milliseconds timeout, std::string& out);
    // Reads stdout until it closes and the child exits: true for exit status
    // 0, false otherwise or when the deadline passes first (the child is
    // then killed), with `error` saying which.
    bool ReadAll(std::chrono::milliseconds timeout, std::string& out, std::string* error);
    // SIGTERM to the child's process group, a short grace period, then SIGKILL; reaps the child.
    void Stop();

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_stdin = -1;
    bool WaitExit(std::chrono::milliseconds timeout, int* status);
};

// Runs a program to completion and returns its stdout, bounded in time;
// true when it exits with status 0.
bool RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout, std::string& out,
                std::string* error, const std::string& stderrPath = "/dev/null");

// Starts a node-bacnet script that prints "listening PORT" once it serves on
// 127.0.0.1; the port, or 0 with `error` set.
int StartListening(ChildProcess& child, const std::vector<std::string>& argv, const std::string& log,
                   std::string* error);

// The value after `name` on the command line, or `fallback`.
std::string Arg(int argc, char** argv, const std::string& name, const std::string& fallback = "");

// The checks of one program: a line each, and the closing count.
class Tally {
public:
    explicit Tally(const char* program) : m_program(program) {}
    // "ok    name: detail" or "FAIL  name: detail"; returns `ok`.
    bool Check(const std::string& name, bool ok, const std::string& detail = "");
    // A failure that stops the program before its checks; the exit status.
    int Abort(const std::string& why);
    // "program: N passed, M failed"; the exit status (1 also when nothing passed).
    int Close() const;

private:
    const char* m_program;
    int m_passed = 0;
    int m_failed = 0;
};
