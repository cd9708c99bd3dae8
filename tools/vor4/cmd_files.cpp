// vor4 copy and vor4 rm: a document with its data files, or one property.
#include <filesystem>

#include "commands.h"
#include "document.h"
#include "failure.h"
#include "text.h"

namespace vor4 {

namespace {

std::vector<std::string> data_files(const Document& doc) {
    std::vector<std::string> files;
    for (unsigned i = 0; i < doc.prop_count(); ++i) files.push_back(narrow(doc.data_file(i)));
    return files;
}

void require_unlocked(const std::vector<std::string>& files) {
    for (const std::string& f : files) {
        if (locked_by_other(f, Access::write)) throw Failure(f, "locked by another process");
    }
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

}  // namespace

int run_copy(const std::string& source, const std::string& destination, bool overwrite) {
    unsigned props = 0;
    {
        // The library copies whatever it finds; a source that is not whole is refused here.
        Document src(source, Access::read);
        props = src.prop_count();
        for (unsigned i = 0; i < props; ++i) src.require_data(i, Access::read);
    }
    if (path_exists(destination)) {
        if (!overwrite) throw Failure(destination, "exists (--overwrite replaces it)");
        if (same_file(source, destination)) throw Failure(destination, "is the source itself");
        require_unlocked(data_files(Document(destination, Access::write)));
    }
    if (!ek_vor4_copy_files(widen(source).c_str(), widen(destination).c_str(), overwrite)) {
        throw Failure(destination, "cannot be written");
    }
    Document dst(destination, Access::read);
    for (unsigned i = 0; i < props; ++i) {
        if (i >= dst.prop_count()) throw Failure(destination, "the copy lacks property " + std::to_string(i));
        dst.require_data(i, Access::read);
    }
    return 0;
}

int run_rm(const std::string& path, const std::string& prop) {
    if (prop.empty()) {
        std::vector<std::string> files;
        {
            Document doc(path, Access::write);
            files = data_files(doc);
        }
        // The library would delete the metadata file even when a held data file stays behind.
        require_unlocked(files);
        if (!ek_vor4_delete_files(widen(path).c_str())) throw Failure(path, "cannot be deleted");
        for (const std::string& f : files) {
            if (path_exists(f)) throw Failure(f, "could not be deleted");
        }
        return 0;
    }
    Document doc(path, Access::write);
    const unsigned index = doc.find(prop);
    const std::string file = narrow(doc.data_file(index));
    if (locked_by_other(file, Access::write)) throw Failure(file, "locked by another process");
    const unsigned before = doc.prop_count();
    // The list form also removes a property whose data file is already gone.
    ek_vor4_prop_delete_list(doc.handle(), index);
    if (doc.prop_count() == before) throw Failure(path, "property '" + prop + "' cannot be deleted");
    return 0;
}

}  // namespace vor4
