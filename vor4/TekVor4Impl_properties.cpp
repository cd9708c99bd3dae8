// The document's property list: adding, finding, naming, deleting and packing properties,
// and deleting the whole document.
#include "ek_text.h"
#include "filesystem/paths.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/vor_vocabulary.h"

TekVor4Property* TekVor4Impl::getProperty(unsigned int index) {
    return index < properties.size() ? properties[index] : nullptr;
}

// Names and captions are kept wide; the narrow forms of the operations convert their argument
// once and keep their own matching rule (exact for the narrow lookups, as strcmp compares).
int TekVor4Impl::findByName(const std::wstring& name, NameMatch match) const {
    for (size_t i = 0; i < properties.size(); ++i) {
        const std::wstring& own = properties[i]->getNameW();
        if (match == NameMatch::exact ? own == name : ek::text::equal_nocase(own, name)) return static_cast<int>(i);
    }
    return -1;
}

int TekVor4Impl::getIndexByName(const std::string& name) {
    return findByName(ek::text::to_wide(name), NameMatch::exact);
}

int TekVor4Impl::getIndexByName(const std::wstring& name) { return findByName(name, NameMatch::nocase); }

int TekVor4Impl::getIndexByCaption(const std::string& caption) {
    const std::wstring wide = ek::text::to_wide(caption);
    for (size_t i = 0; i < properties.size(); ++i)
        if (properties[i]->getCaptionW() == wide) return static_cast<int>(i);
    return -1;
}

int TekVor4Impl::getIndexByCaption(const std::wstring& caption) {
    for (size_t i = 0; i < properties.size(); ++i)
        if (ek::text::equal_nocase(properties[i]->getCaptionW(), caption)) return static_cast<int>(i);
    return -1;
}

TekVor4PropertyImpl* TekVor4Impl::prepareAdd(const std::wstring& name, NameMatch match, unsigned char propKind,
                                             unsigned char dataType, bool overwrite) {
    // A name that would put the data file elsewhere than beside the document is refused.
    if (name.empty() || readOnly || !ek::vor::safe_property_name(name)) return nullptr;
    const int existing = findByName(name, match);
    // Overwriting also clears an entry whose data file a crash has taken.
    if (existing >= 0 && (!overwrite || !removeProperty(static_cast<unsigned int>(existing), true))) return nullptr;
    auto* p = new TekVor4PropertyImpl(ek::vor::data_file_path(path, name), readOnly);
    p->setName(name);
    p->setCaption(name);
    p->setTemp(false);
    p->setPropKind(propKind);
    p->setDataType(dataType);
    p->setGridType(gridType);
    p->setSize(sizeX, sizeY, sizeZ);
    return p;
}

TekVor4Property* TekVor4Impl::appendProperty(TekVor4PropertyImpl* property) {
    properties.push_back(property);
    save();
    return property;
}

TekVor4Property* TekVor4Impl::addProperty(const std::string& name, unsigned char propKind, unsigned char dataType,
                                          bool overwrite) {
    return addProperty(ek::text::to_wide(name), propKind, dataType, overwrite);
}

TekVor4Property* TekVor4Impl::addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                          bool overwrite) {
    TekVor4PropertyImpl* p = prepareAdd(name, NameMatch::nocase, propKind, dataType, overwrite);
    if (!p) return nullptr;
    if (!p->init(overwrite)) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

TekVor4Property* TekVor4Impl::addBinary(const std::wstring& name, NameMatch match, unsigned char propKind,
                                        unsigned char dataType, const std::wstring& sourceFile, bool copy,
                                        bool overwrite) {
    TekVor4PropertyImpl* p = prepareAdd(name, match, propKind, dataType, overwrite);
    if (!p) return nullptr;
    const bool placed = copy ? ek::filesystem::copy_file(sourceFile, p->getFileNameW(), overwrite)
                             : ek::filesystem::move_file(sourceFile, p->getFileNameW(), overwrite);
    if (!placed) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

TekVor4Property* TekVor4Impl::addPropertyBinary(const std::string& name, unsigned char propKind,
                                                unsigned char dataType, const std::string& sourceFile, bool copy,
                                                bool overwrite) {
    return addBinary(ek::text::to_wide(name), NameMatch::exact, propKind, dataType, ek::text::to_wide(sourceFile),
                     copy, overwrite);
}

TekVor4Property* TekVor4Impl::addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                                unsigned char dataType, const std::wstring& sourceFile, bool copy,
                                                bool overwrite) {
    return addBinary(name, NameMatch::nocase, propKind, dataType, sourceFile, copy, overwrite);
}

const char* TekVor4Impl::get_unin_name(const std::string& base) {
    // One text per process: the pointer stays valid until the next call.
    static std::string s_name;
    const std::wstring wideBase = ek::text::to_wide(base);
    std::wstring candidate = wideBase;
    for (int counter = 1; findByName(candidate, NameMatch::nocase) >= 0; ++counter)
        candidate = wideBase + std::to_wstring(counter);
    s_name = ek::text::to_narrow(candidate);
    return s_name.c_str();
}

const wchar_t* TekVor4Impl::get_unin_capt(const std::wstring& base) {
    static std::wstring s_caption;
    auto taken = [this](const std::wstring& caption) {
        for (TekVor4Property* p : properties)
            if (ek::text::equal_nocase(p->getCaptionW(), caption)) return true;
        return false;
    };
    std::wstring candidate = base;
    for (int counter = 1; taken(candidate); ++counter) candidate = base + std::to_wstring(counter);
    s_caption = candidate;
    return s_caption.c_str();
}

bool TekVor4Impl::removeProperty(unsigned int index, bool allowMissingFile) {
    if (index >= properties.size() || readOnly) return false;
    TekVor4Property* p = properties[index];
    p->close();
    const std::wstring file = p->getFileNameW();
    const bool present = ek::filesystem::is_file(file);
    if (present ? !ek::filesystem::removable(file) : !allowMissingFile) return false;

    // The metadata forgets the property before its data file goes, so that a crash in between
    // leaves at worst a data file nobody names, never a name without its data.
    const std::vector<TekVor4Property*> oldList = properties;
    const int oldIndexes[] = {xPropIndex, yPropIndex, zPropIndex, maskPropIndex};
    properties.erase(properties.begin() + index);
    const int removed = static_cast<int>(index);
    for (int* field : {&xPropIndex, &yPropIndex, &zPropIndex, &maskPropIndex}) {
        if (*field == removed) *field = -1;
        else if (*field > removed) --*field;
    }
    if (!path.empty() && !save()) {
        properties = oldList;
        xPropIndex = oldIndexes[0];
        yPropIndex = oldIndexes[1];
        zPropIndex = oldIndexes[2];
        maskPropIndex = oldIndexes[3];
        return false;
    }
    if (present) p->deletePropFile();
    delete p;
    return true;
}

bool TekVor4Impl::deleteProperty(unsigned int index) { return removeProperty(index, false); }

bool TekVor4Impl::deletePropertyList(unsigned int index) { return removeProperty(index, true); }

bool TekVor4Impl::deleteVor() {
    for (size_t i = properties.size(); i-- > 0;) deleteProperty(static_cast<unsigned int>(i));
    // The claim is a lock on the file, which the removal would take for another user's.
    const bool claimed = writerLock.held();
    writerLock.release();
    if (!ek::filesystem::remove_file(path)) {
        if (claimed) writerLock.acquire(path);
        return false;
    }
    deleted = true;
    return true;
}

void TekVor4Impl::pack() {
    for (unsigned int i = 0; i < properties.size();) {
        if (properties[i]->getTemp() && deleteProperty(i)) {
            i = 0;
            continue;
        }
        ++i;
    }
}
