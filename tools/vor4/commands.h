// The commands of the tool. Each returns the exit code (0, or 1 when `check` finds problems)
// and throws Failure or UsageError for everything else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vor4 {

int run_info(const std::string& doc, bool json);
int run_stats(const std::string& doc, const std::vector<std::string>& props, bool update, bool json);

struct CatOptions {
    std::string doc, prop, window, size, type;
};
int run_cat(const CatOptions& o);

int run_export(const std::string& doc, const std::string& prop, const std::string& out);

struct ImportOptions {
    std::string doc, prop, file, type, kind, grid, origin, cell;
    std::optional<double> azimuth;
    bool overwrite = false;
};
int run_import(const ImportOptions& o);

int run_check(const std::string& doc);
int run_copy(const std::string& source, const std::string& destination, bool overwrite);
int run_rm(const std::string& doc, const std::string& prop);

}  // namespace vor4
