#include "Process.h"

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
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

// One read from `fd` into `out`, waiting until `deadline`. 1 data, 0 end of
// file, -1 time-out or failure.
int ReadSome(int fd, Clock::time_point deadline, std::string& out)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return -1;
        char chunk[4096];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            out.append(chunk, static_cast<size_t>(n));
        return n > 0 ? 1 : n == 0 ? 0 : -1;
    }
}

}  // namespace

ChildProcess::~ChildProcess()
{
    Stop();
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
    if (FILE* f = fopen(log.c_str(), "w"))
        fclose(f);
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

bool Tally::Check(const std::string& name, bool ok, const std::string& detail)
{
    (ok ? m_passed : m_failed)++;
    printf("%s %s%s%s\n", ok ? "ok   " : "FAIL ", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    fflush(stdout);
    return ok;
}

int Tally::Abort(const std::string& why)
{
    Check("the program's setup", false, why);
    return Close();
}

int Tally::Close() const
{
    printf("%s: %d passed, %d failed\n", m_program, m_passed, m_failed);
    return m_failed == 0 && m_passed > 0 ? 0 : 1;
}
