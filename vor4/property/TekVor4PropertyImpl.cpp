// Construction, attributes, sizes and the data file's life (open, close, create, delete).
#include "vor4/property/TekVor4PropertyImpl.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "ek_text.h"
#include "filesystem/paths.h"
#include "vor4/property/checked_math.h"
#include "vor4/property/value_conversion.h"
#include "vor4/vor_vocabulary.h"

using namespace ek::vor::codes;
using ek::vor::math::add_sat;
using ek::vor::math::k_i64_max;
using ek::vor::math::mul_sat;

namespace {

// Size of the pattern buffer `init` writes from: big enough to keep the writes efficient,
// small enough to stay bounded whatever the grid's row length.
constexpr long long k_init_chunk_bytes = 4 << 20;

}  // namespace

TekVor4PropertyImpl::TekVor4PropertyImpl(const std::string& path, bool readOnly)
    : TekVor4PropertyImpl(ek::text::to_wide(path), readOnly) {}

TekVor4PropertyImpl::TekVor4PropertyImpl(const std::wstring& path, bool readOnly)
    : readOnly_(readOnly),
      fileName_(path),
      file_(ek::strconv::encodings::ansi),
      nullSingle_(std::numeric_limits<float>::quiet_NaN()),
      nullDouble_(std::numeric_limits<double>::quiet_NaN()) {}

TekVor4PropertyImpl::~TekVor4PropertyImpl() {
    // The destructor writes back through its own write_data, never an override.
    if (window_.allocated && window_.loaded && window_.dirty && !readOnly_) {
        window_.dirty = false;
        writingBack_ = true;
        TekVor4PropertyImpl::write_data(window_.first, window_.buffer.data(), window_.end - window_.first,
                                        dataType_, 0);
        writingBack_ = false;
    }
    file_.close();
}

// --- Names, caption, precision -------------------------------------------------------------

// The wide texts are the property's own; the narrow ones are derived from them for hosts that
// read narrow text, so nothing a wide caller gave is lost.
void TekVor4PropertyImpl::setName(const std::string& name) { setName(ek::text::to_wide(name)); }

void TekVor4PropertyImpl::setName(const std::wstring& name) {
    nameW_ = name;
    name_ = ek::text::to_narrow(name);
}

void TekVor4PropertyImpl::setCaption(const std::string& caption) { setCaption(ek::text::to_wide(caption)); }

void TekVor4PropertyImpl::setCaption(const std::wstring& caption) {
    captionW_ = caption;
    caption_ = ek::text::to_narrow(caption);
}

void TekVor4PropertyImpl::setPrecision(const std::string& precision) { setPrecision(ek::text::to_wide(precision)); }

void TekVor4PropertyImpl::setPrecision(const std::wstring& precision) {
    precisionW_ = precision;
    precision_ = ek::text::to_narrow(precision);
}

const std::string& TekVor4PropertyImpl::getName() const { return name_; }
const std::wstring& TekVor4PropertyImpl::getNameW() const { return nameW_; }
const std::string& TekVor4PropertyImpl::getCaption() const { return caption_; }
const std::wstring& TekVor4PropertyImpl::getCaptionW() const { return captionW_; }
const std::string& TekVor4PropertyImpl::getPrecision() const { return precision_; }
const std::wstring& TekVor4PropertyImpl::getPrecisionW() const { return precisionW_; }

// --- Kind, types, flags ----------------------------------------------------------------------

void TekVor4PropertyImpl::setPropKind(unsigned char kind) { propKind_ = kind; }

void TekVor4PropertyImpl::setDataType(unsigned char dataType) {
    if (dataType == dataType_) return;
    retireWindow();
    dataType_ = dataType;
    elemSize_ = ek::vor::data_type_size(dataType);
}

void TekVor4PropertyImpl::setGridType(unsigned char gridType) {
    gridType_ = gridType;
    geomType_ = ek::vor::grid_geom_type(gridType);
}

void TekVor4PropertyImpl::setTemp(bool temp) { temp_ = temp; }

unsigned char TekVor4PropertyImpl::getPropKind() const { return propKind_; }
unsigned char TekVor4PropertyImpl::getDataType() const { return dataType_; }
bool TekVor4PropertyImpl::getTemp() const { return temp_; }
const std::wstring& TekVor4PropertyImpl::getFileNameW() const { return fileName_; }
bool TekVor4PropertyImpl::getReadOnly() const { return readOnly_; }

// --- Sizes and object count ---------------------------------------------------------------------

void TekVor4PropertyImpl::setSize(long long nx, long long ny, long long nz) {
    // A negative size means an empty grid.
    nx_ = nx < 0 ? 0 : nx;
    ny_ = ny < 0 ? 0 : ny;
    nz_ = nz < 0 ? 0 : nz;
    setNumObjects(mul_sat(mul_sat(nx_, ny_), nz_));
}

void TekVor4PropertyImpl::setNumObjects(long long n) {
    long long m = 1;
    if (funcLX_ > 0) {
        if (funcLY_ == 0)
            m = add_sat(funcLX_, 1);
        else if (funcLY_ > 0)
            m = add_sat(mul_sat(funcLX_, funcLY_), 1);
    }
    // Stored as given, also a negative count read from a metadata file: the document reports
    // the same number, and every data access refuses a range that no count can hold.
    const long long count = mul_sat(n, m);
    if (count == numObjects_) return;
    retireWindow();
    numObjects_ = count;
}

long long TekVor4PropertyImpl::getNumObjects() const { return numObjects_; }

void TekVor4PropertyImpl::getBlockSize(long long* out) const {
    if (out != nullptr) *out = nx_;
}

// --- Function parameters ------------------------------------------------------------------------

void TekVor4PropertyImpl::setFuncX0(double value) { funcX0_ = value; }
void TekVor4PropertyImpl::setFuncY0(double value) { funcY0_ = value; }
void TekVor4PropertyImpl::setFuncZ0(double value) { funcZ0_ = value; }
void TekVor4PropertyImpl::setFuncDX(double value) { funcDX_ = value; }
void TekVor4PropertyImpl::setFuncDY(double value) { funcDY_ = value; }
void TekVor4PropertyImpl::setFuncDZ(double value) { funcDZ_ = value; }
void TekVor4PropertyImpl::setFuncLX(long long value) { funcLX_ = value; }
void TekVor4PropertyImpl::setFuncLY(long long value) { funcLY_ = value; }
void TekVor4PropertyImpl::setFuncLZ(long long value) { funcLZ_ = value; }

double TekVor4PropertyImpl::getFuncX0() const { return funcX0_; }
double TekVor4PropertyImpl::getFuncY0() const { return funcY0_; }
double TekVor4PropertyImpl::getFuncZ0() const { return funcZ0_; }
double TekVor4PropertyImpl::getFuncDX() const { return funcDX_; }
double TekVor4PropertyImpl::getFuncDY() const { return funcDY_; }
double TekVor4PropertyImpl::getFuncDZ() const { return funcDZ_; }
long long TekVor4PropertyImpl::getFuncLX() const { return funcLX_; }
long long TekVor4PropertyImpl::getFuncLY() const { return funcLY_; }
long long TekVor4PropertyImpl::getFuncLZ() const { return funcLZ_; }

// --- The data file -----------------------------------------------------------------------------

bool TekVor4PropertyImpl::openDataFile() {
    if (file_.is_open()) return true;
    if (fileName_.empty()) return false;
    return file_.open(fileName_, readOnly_ ? L"rb" : L"rb+");
}

bool TekVor4PropertyImpl::openDataFileRead() { return openDataFile(); }

bool TekVor4PropertyImpl::prepareFile() {
    if (!openDataFile()) return false;
    writeBack();
    return true;
}

bool TekVor4PropertyImpl::readAt(uint64_t offset, void* data, uint64_t n) {
    if (!file_.seek(offset)) return false;
    return file_._read_bytes(data, n) == n;
}

void TekVor4PropertyImpl::close() {
    writeBack();
    file_.close();
}

bool TekVor4PropertyImpl::deletePropFile() {
    close();
    // The file's values are gone; a window must not go on serving them.
    dropWindow();
    if (fileName_.empty()) return false;
    return ek::filesystem::remove_file(fileName_);
}

bool TekVor4PropertyImpl::init(bool force) {
    if (fileName_.empty()) return false;
    if (!force && ek::filesystem::path_exist(fileName_)) return false;

    // Our own handle holds the file exclusively while open; release it so that the file can
    // be recreated. The old contents are being replaced, so a dirty window is discarded.
    file_.close();
    window_.dirty = false;
    dropWindow();

    ek::fileio out(ek::strconv::encodings::ansi);
    if (!out.open(fileName_, L"wb")) return false;
    // A file that could not be filled is removed: a partial one would only take the disk space
    // that made the creation fail.
    auto fail = [&] {
        out.close();
        ek::filesystem::remove_file(fileName_);
        return false;
    };

    long long total = numObjects_;
    if (gridType_ == gt2D_Func2D)
        total = mul_sat(total, add_sat(mul_sat(funcLX_, funcLY_), 1));
    else if (gridType_ == gt2D_Func1D)
        total = mul_sat(total, add_sat(funcLX_, 1));
    if (total < 0) total = 0;

    const long long size = dataType_ == dtBitmask ? 1 : elemSize_;
    long long totalBytes;
    if (dataType_ == dtBitmask)
        totalBytes = total / 8 + (total % 8 != 0 ? 1 : 0);
    else
        totalBytes = mul_sat(total, size);
    if (totalBytes == k_i64_max) return fail();

    bool ok = true;
    if (totalBytes > 0 && size > 0) {
        // One prepared piece of whole values, written again and again: the file is never built
        // in memory, and a very long row needs no row-sized buffer either.
        const long long chunkValues = std::min<long long>(k_init_chunk_bytes / size, totalBytes / size);
        const long long chunkBytes = chunkValues * size;
        std::unique_ptr<unsigned char[]> piece(new (std::nothrow) unsigned char[size_t(chunkBytes)]);
        if (!piece) return fail();
        switch (dataType_) {
            case dtSingle:
                for (long long i = 0; i < chunkValues; ++i) std::memcpy(piece.get() + i * 4, &nullSingle_, 4);
                break;
            case dtInteger:
                for (long long i = 0; i < chunkValues; ++i) std::memcpy(piece.get() + i * 4, &nullInt_, 4);
                break;
            case dtDouble:
                for (long long i = 0; i < chunkValues; ++i) std::memcpy(piece.get() + i * 8, &nullDouble_, 8);
                break;
            case dtByte: std::memset(piece.get(), nullByte_, size_t(chunkBytes)); break;
            default: std::memset(piece.get(), 0, size_t(chunkBytes)); break;
        }
        long long written = 0;
        while (ok && written < totalBytes) {
            const long long n = std::min(chunkBytes, totalBytes - written);
            ok = out._write_bytes(piece.get(), uint64_t(n)) == uint64_t(n);
            written += n;
        }
    }
    invalidateStatistics();
    if (!ok) return fail();
    out.close();
    return true;
}
