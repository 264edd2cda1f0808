// A child program run by the interop tests (tshark, node), with every wait
// bounded: output is read against a deadline and the child is killed when
// the owner goes away, whatever path it leaves by.
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

    // Reads stdout until it closes and the child exits. False when the
    // deadline passes first (the child is then killed).
    bool ReadAll(std::chrono::milliseconds timeout, std::string& out, int* exitStatus);

    // SIGTERM to the child's process group, a short grace period, then
    // SIGKILL; reaps the child.
    void Stop();

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_stdin = -1;
    bool WaitExit(std::chrono::milliseconds timeout, int* status);
    void CloseFds();
};

// Runs a program to completion and returns its stdout, bounded in time.
bool RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout, std::string& out,
                int* exitStatus, std::string* error);
