// Child processes for tests. A task is a plain function of text arguments, not a closure, so that
// a platform without fork can start the test program again with the task and its arguments.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ek::test {

using ChildTask = int (*)(const std::vector<std::wstring>& args);

// A child process running a task; the task's result is its exit code.
class Child {
public:
    Child(ChildTask task, std::vector<std::wstring> args);
    ~Child() { wait(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return id_ != -1; }

    // Ends the child at once, as a crash or a power cut would, and waits for it.
    void kill();

    // The task's result, or -1 when there was no child or it did not end normally.
    int wait();

private:
    intptr_t id_ = -1;  // the process id, or the process handle where processes have handles
    int code_ = -1;
};

// Runs the task in a child process to its end; its result, or -1 as Child::wait.
inline int run_child(ChildTask task, std::vector<std::wstring> args = {}) {
    Child child(task, std::move(args));
    return child.wait();
}

// The handshake between a test and its child: one side makes a marker file, the other waits for
// it (up to about five seconds; true when it appeared).
void make_marker(const std::filesystem::path& marker);
bool wait_for_marker(const std::filesystem::path& marker);

// When the test program was started as a child, runs the task its arguments name and gives its
// result; otherwise false. Called first thing by the test programs' main.
bool run_child_task(int argc, char** argv, int& result);

}  // namespace ek::test
