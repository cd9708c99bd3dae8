// The two ways a command ends early: a failure names a file and the reason (exit 1); a usage
// error is a malformed command line (usage printed, exit 2).
#pragma once

#include <stdexcept>
#include <string>

namespace vor4 {

struct Failure : std::runtime_error {
    Failure(const std::string& file, const std::string& reason) : std::runtime_error(file + ": " + reason) {}
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace vor4
