// The document's property list: adding, finding, naming, deleting and packing properties,
// and deleting the whole document.
#include <cstdio>
#include <cstring>

#include "ek_text.h"
#include "filesystem/paths.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"

TekVor4Property* TekVor4Impl::getProperty(unsigned int index) {
    return index < properties.size() ? properties[index] : nullptr;
}

int TekVor4Impl::findByName(const std::string& name, NameMatch match) const {
    for (size_t i = 0; i < properties.size(); ++i) {
        const std::string& own = properties[i]->getName();
        const bool same = match == NameMatch::exact ? own == name : ek::text::equal_nocase(own, name);
        if (same) return static_cast<int>(i);
    }
    return -1;
}

int TekVor4Impl::findByName(const std::wstring& name) const {
    for (size_t i = 0; i < properties.size(); ++i)
        if (ek::text::equal_nocase(properties[i]->getNameW(), name)) return static_cast<int>(i);
    return -1;
}

int TekVor4Impl::getIndexByName(const std::string& name) { return findByName(name, NameMatch::exact); }

int TekVor4Impl::getIndexByName(const std::wstring& name) { return findByName(name); }

int TekVor4Impl::getIndexByCaption(const std::string& caption) {
    for (size_t i = 0; i < properties.size(); ++i)
        if (properties[i]->getCaption() == caption) return static_cast<int>(i);
    return -1;
}

int TekVor4Impl::getIndexByCaption(const std::wstring& caption) {
    for (size_t i = 0; i < properties.size(); ++i)
        if (ek::text::equal_nocase(properties[i]->getCaptionW(), caption)) return static_cast<int>(i);
    return -1;
}

bool TekVor4Impl::clearNameForAdd(int existing, bool overwrite) {
    if (existing < 0) return true;
    if (!overwrite) return false;
    return deleteProperty(static_cast<unsigned int>(existing));
}

TekVor4PropertyImpl* TekVor4Impl::newProperty(const std::wstring& filePath, const std::wstring& name,
                                               unsigned char propKind, unsigned char dataType) {
    auto* p = new TekVor4PropertyImpl(filePath, readOnly);
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
    if (name.empty() || readOnly) return nullptr;
    if (!clearNameForAdd(findByName(name, NameMatch::nocase_narrow), overwrite)) return nullptr;
    const std::string filePath = dataFileBase() + "." + name + ".property";
    // Every byte of the code page converts to wide and back unchanged, so the narrow name survives.
    TekVor4PropertyImpl* p = newProperty(ek::text::to_wide(filePath), ek::text::to_wide(name), propKind, dataType);
    if (!p->init(overwrite)) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

TekVor4Property* TekVor4Impl::addProperty(const std::wstring& name, unsigned char propKind, unsigned char dataType,
                                          bool overwrite) {
    if (name.empty() || readOnly) return nullptr;
    if (!clearNameForAdd(findByName(name), overwrite)) return nullptr;
    const std::wstring filePath = ek::text::to_wide(dataFileBase()) + L"." + name + L".property";
    TekVor4PropertyImpl* p = newProperty(filePath, name, propKind, dataType);
    if (!p->init(overwrite)) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

TekVor4Property* TekVor4Impl::addPropertyBinary(const std::string& name, unsigned char propKind,
                                                unsigned char dataType, const std::string& sourceFile, bool copy,
                                                bool overwrite) {
    if (name.empty() || readOnly) return nullptr;
    if (!clearNameForAdd(findByName(name, NameMatch::exact), overwrite)) return nullptr;
    const std::string filePath = dataFileBase() + "." + name + ".property";
    TekVor4PropertyImpl* p = newProperty(ek::text::to_wide(filePath), ek::text::to_wide(name), propKind, dataType);
    const std::wstring from = ek::text::to_wide(sourceFile);
    const bool placed = copy ? ek::filesystem::copy_file(from, p->getFileNameW(), overwrite)
                             : ek::filesystem::move_file(from, p->getFileNameW(), overwrite);
    if (!placed) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

TekVor4Property* TekVor4Impl::addPropertyBinary(const std::wstring& name, unsigned char propKind,
                                                unsigned char dataType, const std::wstring& sourceFile, bool copy,
                                                bool overwrite) {
    if (name.empty() || readOnly) return nullptr;
    if (!clearNameForAdd(findByName(name), overwrite)) return nullptr;
    const std::wstring filePath = ek::text::to_wide(dataFileBase()) + L"." + name + L".property";
    TekVor4PropertyImpl* p = newProperty(filePath, name, propKind, dataType);
    const bool placed = copy ? ek::filesystem::copy_file(sourceFile, p->getFileNameW(), overwrite)
                             : ek::filesystem::move_file(sourceFile, p->getFileNameW(), overwrite);
    if (!placed) {
        delete p;
        return nullptr;
    }
    return appendProperty(p);
}

const char* TekVor4Impl::get_unin_name(const std::string& base) {
    // One text per process: the pointer stays valid until the next call.
    static std::string s_name;
    std::string candidate = base;
    for (int counter = 1; findByName(candidate, NameMatch::nocase_narrow) >= 0; ++counter) {
        char number[64];
        std::snprintf(number, sizeof number, "%d", counter);
        candidate = base + number;
    }
    s_name = candidate;
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
    if (!p->deletePropFile()) {
        if (!allowMissingFile || ek::filesystem::is_file(p->getFileNameW())) return false;
    }
    delete p;
    properties.erase(properties.begin() + index);
    const int removed = static_cast<int>(index);
    for (int* field : {&xPropIndex, &yPropIndex, &zPropIndex, &maskPropIndex}) {
        if (*field == removed) *field = -1;
        else if (*field > removed) --*field;
    }
    save();
    return true;
}

bool TekVor4Impl::deleteProperty(unsigned int index) { return removeProperty(index, false); }

bool TekVor4Impl::deletePropertyList(unsigned int index) { return removeProperty(index, true); }

bool TekVor4Impl::deleteVor() {
    for (size_t i = properties.size(); i-- > 0;) deleteProperty(static_cast<unsigned int>(i));
    if (!ek::filesystem::remove_file(ek::text::to_wide(path))) return false;
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
