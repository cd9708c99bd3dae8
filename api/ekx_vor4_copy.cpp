// Copying a document: the destination is created anew, takes the source's description, and
// gains each source property with its data file copied and its caption set.
#include <filesystem>
#include <string>
#include <system_error>

#include "api/ek_vor4_boundary.h"
#include "api/ek_vor4_handles.h"
#include "ekx_file_vor4.h"
#include "filesystem/os_path.h"
#include "filesystem/paths.h"
#include "vor4/proxy/TekVor4Refcount.h"

namespace {

// Whether two paths name one document: the same spelling up to case and separators, or the same
// file on disk. Copying a document onto itself would delete it first.
bool same_document(const std::wstring& a, const std::wstring& b) {
    if (ek::filesystem::is_equal(a, b)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(ek::filesystem::os_path(a), ek::filesystem::os_path(b), ec);
}

// Makes room for the copy at an existing destination. A document there is deleted with all its
// data files, so that none of its properties stays behind as a stray file. A document that is
// open elsewhere (its users would keep a deleted document) or that cannot be opened for writing
// (write-protected) is refused. Anything else there is left to the create, which replaces a
// plain file and fails on a folder.
bool clear_destination(const std::wstring& destination) {
    if (auto old = ek::vor4_api::open_handle(destination, false)) {
        const TekVor4Refcount* instance = old->instance();
        if (!instance || instance->ref_count() != 1) return false;
        return old->deleteVor() && old->getNumProps() == 0;
    }
    return !ek::vor4_api::open_handle(destination, true);
}

void copy_property(TekVor4Property& from, TekVor4& to) {
    const unsigned char kind = from.getPropKind();
    const unsigned char type = from.getDataType();
    // The wide texts, so that names beyond the narrow encoding are copied as they are.
    const std::wstring name = from.getNameW();
    const std::wstring caption = from.getCaptionW();
    // Values still in the source's value window belong in the copy too.
    from.close();
    to.addPropertyBinary(name, kind, type, from.getFileNameW(), true, true);
    const int j = to.getIndexByName(name);
    if (j >= 0 && static_cast<unsigned int>(j) < to.getNumProps()) {
        if (TekVor4Property* copy = to.getProperty(static_cast<unsigned int>(j))) copy->setCaption(caption);
    }
}

bool copy_document(const std::wstring& source, const std::wstring& destination, bool overwrite) {
    if (!ek::filesystem::path_exist(source)) return false;
    if (same_document(source, destination)) return false;
    if (ek::filesystem::path_exist(destination)) {
        if (!overwrite || !clear_destination(destination)) return false;
    }
    auto from = ek::vor4_api::open_handle(source, true);
    if (!from) return false;
    auto to = ek::vor4_api::create_handle(destination);
    if (!to) return false;
    to->assign(static_cast<TekVor4*>(from.get()));
    for (unsigned int i = 0; i < from->getNumProps(); ++i) {
        if (TekVor4Property* p = from->getProperty(i)) copy_property(*p, *to);
    }
    from.reset();
    to.reset();  // the last release saves the destination
    return true;
}

}  // namespace

extern "C" bool ek_vor4_copy_files(const wchar_t* source, const wchar_t* destination, bool overwrite) {
    if (!source || !destination) return false;
    return ek::vor4_api::guarded(false, [&] { return copy_document(source, destination, overwrite); });
}
