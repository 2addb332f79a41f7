#pragma once
// Real file failures for tests: a disk that fills up (the file size limit of a child process),
// files that cannot be renamed (the immutable flag, which holds for root too) and a check for
// running as root, where permission bits stop nothing.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <functional>

namespace quelmo::test {

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs `work` in a child process where no file may grow past `max_bytes`: a write beyond fails
// with EFBIG as on a full disk. The child's exit code: 0 when `work` returned true, 1 when it
// returned false; -1 when the child did not end normally.
inline int WithFileSizeLimit(size_t max_bytes, const std::function<bool()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(max_bytes), static_cast<rlim_t>(max_bytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Sets or clears the immutable flag of a file or folder: it cannot be renamed, removed or
// written, by anyone. False where the file system or the privileges do not allow it.
inline bool SetImmutable(const std::filesystem::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace quelmo::test
