// Reading and writing the document's metadata file, and the document's lifecycle around it.
#include <cmath>
#include <limits>

#include "ek_text.h"
#include "ekx_io.h"
#include "filesystem/writer_lock.h"
#include "services/Tek_string_adapter.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/vor_vocabulary.h"

namespace {

using namespace ek::vor::codes;

const wchar_t* const k_encoding = L"Windows-1251";

std::string readText(Tek_xml_node* node, const char* key) {
    std::string text;
    Tek_std_string_adapter adapter(text);
    ek_xnode_get_node_str(node, key, "", adapter.adapter());
    return text;
}

std::wstring readWideText(Tek_xml_node* node, const char* key) {
    std::wstring text;
    Tek_std_wstring_adapter adapter(text);
    ek_xnode_get_node_str(node, key, "", adapter.adapter());
    return text;
}

// Histogram under/over counts are stored as integers but read as doubles; the fraction is
// dropped and values no 64-bit count can hold are clamped rather than cast undefined.
long long truncatedCount(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
    if (value <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
    return static_cast<long long>(std::trunc(value));
}

const wchar_t* boolText(bool value) { return value ? L"True" : L"False"; }

// Builds one property from its "TGrDocProp" node. A name that would lead out of the document's
// folder keeps its entry but gets no data file path, so its data are never touched.
TekVor4PropertyImpl* readProperty(Tek_xml_node* node, const std::wstring& documentPath, bool readOnly,
                                  long long sizeX, long long sizeY, long long sizeZ, long long numObjects,
                                  unsigned char gridType) {
    const std::wstring name = readWideText(node, "PropName");
    auto* p = new TekVor4PropertyImpl(ek::vor::data_file_path(documentPath, name), readOnly);
    p->setName(name);
    p->setCaption(readWideText(node, "Caption"));
    p->setTemp(ek_xnode_get_node_bool(node, L"IsTemp", false));
    p->setPropKind(ek::vor::prop_kind(readWideText(node, "PropKind")));
    p->setDataType(ek::vor::data_type(readWideText(node, "DataType")));
    p->setPrecision(readWideText(node, "Precision"));
    p->setFuncX0(ek_xnode_get_node_dbl(node, L"FuncX0", 0.0));
    p->setFuncY0(ek_xnode_get_node_dbl(node, L"FuncY0", 0.0));
    p->setFuncZ0(ek_xnode_get_node_dbl(node, L"FuncZ0", 0.0));
    p->setFuncDX(ek_xnode_get_node_dbl(node, L"FuncDX", 0.0));
    p->setFuncDY(ek_xnode_get_node_dbl(node, L"FuncDY", 0.0));
    p->setFuncDZ(ek_xnode_get_node_dbl(node, L"FuncDZ", 0.0));
    p->setFuncLX(ek_xnode_get_node_int(node, L"FuncLX", 0));
    p->setFuncLY(ek_xnode_get_node_int(node, L"FuncLY", 0));
    p->setFuncLZ(ek_xnode_get_node_int(node, L"FuncLZ", 0));
    if (ek_xnode_get_node_bool(node, L"StatExists", false)) {
        p->setMin(ek_xnode_get_node_dbl(node, L"Min", 0.0));
        p->setMax(ek_xnode_get_node_dbl(node, L"Max", 0.0));
        p->setAverage(ek_xnode_get_node_dbl(node, L"Average", 0.0));
        p->setStdDev(ek_xnode_get_node_dbl(node, L"StDev", 0.0));
        p->setStatisticPresent(ek_xnode_get_node_int64(node, L"IndefCount", 0));
    }
    if (ek_xnode_get_node_bool(node, L"HistogrammExists", false)) {
        p->setHgBndMin(ek_xnode_get_node_dbl(node, L"HgBndMin", 0.0));
        p->setHgBndMax(ek_xnode_get_node_dbl(node, L"HgBndMax", 0.0));
        p->setHgMin(truncatedCount(ek_xnode_get_node_dbl(node, L"HgMin", 0.0)));
        p->setHgMax(truncatedCount(ek_xnode_get_node_dbl(node, L"HgMax", 0.0)));
        p->setHgDiapData(readText(node, "HgDiapData"));
    }
    p->setSize(sizeX, sizeY, sizeZ);
    p->setNumObjects(numObjects);
    p->setGridType(gridType);
    return p;
}

}  // namespace

TekVor4Impl::~TekVor4Impl() {
    save();
    destroyProperties();
}

void TekVor4Impl::destroyProperties() {
    for (TekVor4Property* p : properties) delete p;
    properties.clear();
}

bool TekVor4Impl::open(const std::string& filePath, bool ro) { return open(ek::text::to_wide(filePath), ro); }

bool TekVor4Impl::open(const std::wstring& filePath, bool ro) {
    if (!properties.empty()) return false;
    // A writer claims the file before reading it, so that what it reads is what no other writer
    // can change behind it; readers take no claim.
    ek::filesystem::writer_lock claim;
    if (!ro && !claim.acquire(filePath)) return false;

    Tek_xml_doc* doc = ek_xml_create();
    if (!doc) return false;
    ek_xml_set_encoding_w(doc, k_encoding);
    if (!ek_xml_load_from_file_w(doc, filePath.c_str())) {
        ek_xml_destroy(doc);
        return false;
    }
    Tek_xml_node* root = ek_xml_get_root_w(doc, L"TGrDoc");
    if (!root) {
        ek_xml_destroy(doc);
        return false;
    }
    std::wstring rootName;
    {
        Tek_std_wstring_adapter adapter(rootName);
        ek_xnode_get_name_adp(root, adapter.adapter());
    }
    if (rootName != L"TGrDoc") {
        ek_xnode_close(root);
        ek_xml_destroy(doc);
        return false;
    }

    path = filePath;
    readOnly = ro;
    writerLock.take(claim);
    numObjects = ek_xnode_get_node_int64(root, L"ObjCount", 0);
    earthPlane = ek_xnode_get_node_bool(root, L"EarthPlane", true);
    gridType = ek::vor::grid_type(readWideText(root, "GridType"));
    maskPropIndex = ek_xnode_get_node_int(root, L"MaskPropIndex", -1);
    xPropIndex = ek_xnode_get_node_int(root, L"XPropIndex", -1);
    yPropIndex = ek_xnode_get_node_int(root, L"YPropIndex", -1);
    zPropIndex = ek_xnode_get_node_int(root, L"ZPropIndex", -1);
    x0 = ek_xnode_get_node_dbl(root, L"X0", 0.0);
    y0 = ek_xnode_get_node_dbl(root, L"Y0", 0.0);
    z0 = ek_xnode_get_node_dbl(root, L"Z0", 0.0);
    sizeX = ek_xnode_get_node_int64(root, L"Pic", 1);
    sizeY = ek_xnode_get_node_int64(root, L"Prf", 1);
    sizeZ = ek_xnode_get_node_int64(root, L"PicZ", 1);
    dx = ek_xnode_get_node_dbl(root, L"DX", 1.0);
    dy = ek_xnode_get_node_dbl(root, L"DY", 1.0);
    dz = ek_xnode_get_node_dbl(root, L"DZ", 1.0);
    azimuth = ek_xnode_get_node_dbl(root, L"Azim1", 0.0);

    switch (gridType) {
        case gtNone: case gt1D: case gt1DCoord: case gt2dCoord: case gt3DCoord:
            // Point sets and 1D grids are sized by their object count alone.
            sizeX = numObjects;
            sizeY = 1;
            sizeZ = 1;
            break;
        default:
            break;
    }

    if (Tek_xml_node* list = ek_xnode_get_node_w(root, L"Properties")) {
        for (int i = 0;; ++i) {
            Tek_xml_node* node = ek_xnode_get_node_by_no(list, i);
            if (!node) break;
            properties.push_back(
                readProperty(node, path, readOnly, sizeX, sizeY, sizeZ, numObjects, gridType));
            ek_xnode_close(node);
        }
        ek_xnode_close(list);
    }
    ek_xnode_close(root);
    ek_xml_destroy(doc);
    return true;
}

bool TekVor4Impl::save() {
    if (deleted) return true;
    if (path.empty()) return false;
    if (readOnly) return true;

    Tek_xml_doc* doc = ek_xml_create();
    if (!doc) return false;
    Tek_xml_node* root = ek_xml_set_root_w(doc, L"TGrDoc");
    if (!root) {
        ek_xml_destroy(doc);
        return false;
    }

    ek_xnode_add_node_wstr(root, L"GridType", ek::vor::grid_type(gridType).c_str());
    ek_xnode_add_node_int64(root, L"ObjCount", numObjects);
    ek_xnode_add_node_int(root, L"PropCount", static_cast<int>(properties.size()));
    ek_xnode_add_node_wstr(root, L"EarthPlane", boolText(earthPlane));
    ek_xnode_add_node_int(root, L"MaskPropIndex", maskPropIndex);
    if (gridType == gt1DCoord || gridType == gt2dCoord || gridType == gt3DCoord)
        ek_xnode_add_node_int(root, L"XPropIndex", xPropIndex);
    if (gridType == gt2dCoord || gridType == gt3DCoord) ek_xnode_add_node_int(root, L"YPropIndex", yPropIndex);
    if (gridType == gt3DCoord) ek_xnode_add_node_int(root, L"ZPropIndex", zPropIndex);

    const unsigned char geom = ek::vor::grid_geom_type(gridType);
    if (geom >= geom1D) {
        ek_xnode_add_node_dbl(root, L"X0", x0);
        ek_xnode_add_node_dbl(root, L"Y0", y0);
        if (geom == geom3D) ek_xnode_add_node_dbl(root, L"Z0", z0);
        ek_xnode_add_node_int64(root, L"Pic", sizeX);
        if (geom >= geom2D) ek_xnode_add_node_int64(root, L"Prf", sizeY);
        if (geom == geom3D) ek_xnode_add_node_int64(root, L"PicZ", sizeZ);
        ek_xnode_add_node_dbl(root, L"DX", dx);
        if (geom >= geom2D) ek_xnode_add_node_dbl(root, L"DY", dy);
        if (geom == geom3D) ek_xnode_add_node_dbl(root, L"DZ", dz);
    }
    ek_xnode_add_node_dbl(root, L"Azim1", azimuth);
    ek_xnode_add_node_dbl(root, L"Azim2", 0.0);
    ek_xnode_add_node_dbl(root, L"Azim3", 0.0);

    Tek_xml_node* list = ek_xnode_set_node_w(root, L"Properties");
    for (TekVor4Property* p : properties) p->saveMetadata(list);

    ek_xml_set_whitespaces(doc, true);
    ek_xml_set_encoding_w(doc, k_encoding);
    // Written whole beside the file first, then renamed over it with the writer's claim moving
    // along, so a crash leaves the old file or the new one. A write that did not reach the disk
    // is reported: the caller would otherwise believe the document safe.
    ek::filesystem::remove_stale_save_temps(path);
    const std::wstring temp = ek::filesystem::save_temp_path(path);
    const bool written = ek_xml_save_to_file_w(doc, temp.c_str()) && writerLock.replace(path, temp);

    if (list) ek_xnode_close(list);
    ek_xnode_close(root);
    ek_xml_destroy(doc);
    return written;
}

bool TekVor4Impl::create(const std::string& filePath) { return create(ek::text::to_wide(filePath)); }

bool TekVor4Impl::create(const std::wstring& filePath) {
    path = filePath;
    readOnly = false;
    return save();
}

void TekVor4Impl::assign(TekVor4* source) {
    if (readOnly || !source || source == this) return;
    for (unsigned int i = 0; i < properties.size();) {
        if (!deleteProperty(i)) ++i;
    }
    gridType = source->getGridType();
    x0 = source->getX0();
    y0 = source->getY0();
    z0 = source->getZ0();
    dx = source->getDX();
    dy = source->getDY();
    dz = source->getDZ();
    earthPlane = source->getEarthPlane();
    azimuth = source->getAzimuth();
    sizeX = source->getSizeX();
    sizeY = source->getSizeY();
    sizeZ = source->getSizeZ();
    numObjects = source->getNumObjects();
    save();
}
