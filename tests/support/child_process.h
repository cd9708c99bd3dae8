// Child processes for tests that need another process: the test runs a task in a child and
// waits for it. A task is a plain function of text arguments, not a closure, so that a platform
// without fork can start the test program again with the task's name and arguments instead.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace ek::test {

using ChildTask = int (*)(const std::vector<std::wstring>& args);

// A child process running a task; it ends by itself when the task returns, with the task's
// result as its exit code.
class Child {
public:
    Child(ChildTask task, std::vector<std::wstring> args) {
        pid_ = ::fork();
        if (pid_ == 0) ::_exit(task(args) & 0xFF);  // no destructors, no test framework
    }
    ~Child() { wait(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }

    // Waits for the end: the task's result, or -1 when there was no child or it did not end
    // normally.
    int wait() {
        if (pid_ <= 0) return code_;
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR) {
                status = -1;
                break;
            }
        }
        pid_ = -1;
        code_ = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return code_;
    }

private:
    pid_t pid_ = -1;
    int code_ = -1;
};

// Runs the task in a child process to its end; its result, or -1 as Child::wait.
inline int run_child(ChildTask task, std::vector<std::wstring> args = {}) {
    Child child(task, std::move(args));
    return child.wait();
}

}  // namespace ek::test
