// The main of every test program (a child started by ek::test::Child runs its task and ends;
// everything else runs the tests) and the test helpers alike on every platform.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <system_error>
#include <thread>

#include "support/child_process.h"
#include "support/host_platform.h"

namespace ek::test {

void make_marker(const std::filesystem::path& marker) { std::ofstream(marker) << "marker"; }

bool wait_for_marker(const std::filesystem::path& marker) {
    std::error_code ec;
    for (int i = 0; i < 5000 && !std::filesystem::exists(marker, ec); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::filesystem::exists(marker, ec);
}

bool make_link(const std::filesystem::path& target, const std::filesystem::path& link, bool folder) {
    std::error_code ec;
    folder ? std::filesystem::create_directory_symlink(target, link, ec) : std::filesystem::create_symlink(target, link, ec);
    return !ec;
}

}  // namespace ek::test

int main(int argc, char** argv) {
    int result = 0;
    if (ek::test::run_child_task(argc, argv, result)) return result;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
