// A progress bar on stderr for long work, drawn only when stderr is a terminal and --quiet was
// not given; it redraws only when the shown percentage changes.
#pragma once

#include <string>

namespace vor4 {

class Progress {
public:
    Progress(std::string label, long long total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void advance(long long amount);

    static void set_quiet(bool quiet);
    static bool quiet();

private:
    void draw();
    std::string label_;
    long long total_;
    long long done_ = 0;
    int shown_ = -1;
    bool active_;
};

}  // namespace vor4
