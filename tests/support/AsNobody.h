#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

namespace krv::test {

// Whether a forked child may start threads of its own. ThreadSanitizer refuses that in the child
// of a process that already has threads, so such children are left out under it (what they
// cover runs through a separately started process as well).
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kForkedChildMayStartThreads = false;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kForkedChildMayStartThreads = false;
#else
inline constexpr bool kForkedChildMayStartThreads = true;
#endif
#else
inline constexpr bool kForkedChildMayStartThreads = true;
#endif

// Exit status of a child that could not become nobody.
inline constexpr int kCannotDropPrivileges = 125;

// Runs `body` in a forked child under the user and group of nobody (an ordinary user: exclusive
// mode of a terminal applies to it) and returns the child's exit status, or 128 + signal. Run by
// an ordinary user already, the child keeps its user. Nothing must run in other threads of the
// caller that the child could need (a lock held at the fork stays held in the child).
inline int RunAsNobody(const std::function<int()>& body)
{
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const passwd* pw = ::getpwnam("nobody")) {
        uid = pw->pw_uid;
        gid = pw->pw_gid;
    }
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
                ::_exit(kCannotDropPrivileges);
            }
        }
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

// Lets every user open the device at `path` (a pseudo-terminal belongs to its creator).
inline bool OpenToEveryone(const std::string& path)
{
    return ::chmod(path.c_str(), 0666) == 0;
}

}  // namespace krv::test
