#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace krv::test {

// A child process with its standard output and error on pipes.
class Process {
  public:
    explicit Process(const std::vector<std::string>& argv)
    {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // Nothing to read: a child that would ask on a terminal finds none.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Process()
    {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }

    // Reads one line of standard output (without its LF), waiting up to `timeout`.
    std::string ReadLine(std::chrono::milliseconds timeout)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return line;
            pollfd pfd{out_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return line;
            char c;
            if (::read(out_, &c, 1) != 1) return line;
            if (c == '\n') return line;
            line.push_back(c);
        }
    }

    void Signal(int signal) { ::kill(pid_, signal); }

    // Waits for the process to end; returns its exit status, or 128 + signal.
    int Wait()
    {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        exited_ = true;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + WTERMSIG(status);
    }

    std::string Out() { return ReadAll(out_); }
    std::string Err() { return ReadAll(err_); }

  private:
    static std::string ReadAll(int fd)
    {
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool exited_ = false;
};

// Runs a command to its end and collects what it printed.
struct RunResult {
    int status;
    std::string out;
    std::string err;  // without the notices
    // Lines on standard error that start with the prefix of the start-up notice saying which
    // USB bridge library is in use ("USB bridge calls (D2XX): ...").
    std::string notices;
};

inline RunResult RunCommand(const std::vector<std::string>& argv)
{
    Process p(argv);
    // Read before waiting so a talkative child never blocks on a full pipe.
    std::string out = p.Out();
    const std::string all = p.Err();
    const int status = p.Wait();
    std::string err;
    std::string notices;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find('\n', at), all.size() - 1) + 1;
        const std::string line = all.substr(at, end - at);
        (line.rfind("USB bridge calls (D2XX): ", 0) == 0 ? notices : err) += line;
        at = end;
    }
    return {status, out, err, notices};
}

}  // namespace krv::test
