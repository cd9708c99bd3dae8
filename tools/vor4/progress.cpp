#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace vor4 {

namespace {
bool g_quiet = false;
}

void Progress::set_quiet(bool quiet) { g_quiet = quiet; }
bool Progress::quiet() { return g_quiet; }

Progress::Progress(std::string label, long long total)
    : label_(std::move(label)), total_(total > 0 ? total : 1), active_(!g_quiet && ::isatty(STDERR_FILENO)) {
    draw();
}

Progress::~Progress() {
    if (active_ && shown_ >= 0) std::fprintf(stderr, "\r\033[K");
}

void Progress::advance(long long amount) {
    done_ += amount;
    draw();
}

void Progress::draw() {
    if (!active_) return;
    const int percent = static_cast<int>(done_ >= total_ ? 100 : done_ * 100 / total_);
    if (percent == shown_) return;
    shown_ = percent;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
}

}  // namespace vor4
