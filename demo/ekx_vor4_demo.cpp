// Demo: one 2D property of each value type in a temporary folder. Each gets a gradient with a
// few missing values, is read back as a decimated window, and shows its statistics and a text
// histogram. The folder is removed at the end.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "vor4/property/TekVor4PropertyImpl.h"
#include "vor4/vor_vocabulary.h"

namespace fs = std::filesystem;

namespace {

constexpr long long nx = 240, ny = 160;     // the grid
constexpr long long outW = 12, outH = 5;    // the window it is shown as
constexpr unsigned char dtDouble = 4;

// A folder of our own under the system temporary folder, removed with its files.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "ekx_vor4_demo_XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~Scratch() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The gradient, scaled to suit the type: masks get a checkerboard of 20-cell squares,
// bytes a 0..250 ramp, the others a tilted plane. Every 97th cell is missing.
std::vector<double> gradient(unsigned char type) {
    std::vector<double> v(static_cast<size_t>(nx * ny));
    for (long long y = 0; y < ny; ++y)
        for (long long x = 0; x < nx; ++x) {
            double value = 0.0;
            switch (type) {
                case 1: value = std::floor(250.0 * (x + y) / (nx + ny - 2)); break;
                case 3: value = ((x / 20 + y / 20) % 2) ? 1.0 : 0.0; break;
                case 2: value = std::floor(10.0 * x - 3.0 * y); break;
                default: value = 0.25 * x - 0.5 * y + 100.0; break;
            }
            if ((y * nx + x) % 97 == 0 && type != 3) value = std::numeric_limits<double>::quiet_NaN();
            v[static_cast<size_t>(y * nx + x)] = value;
        }
    return v;
}

void print_window(TekVor4PropertyImpl& p) {
    std::vector<double> window(outW * outH);
    const int rc = p.readData2D(0, 0, nx, ny, window.data(), outW, outH, dtDouble, 0, 0);
    if (rc != 0) {
        std::printf("  window read failed: %d\n", rc);
        return;
    }
    std::printf("  window %lldx%lld of the %lldx%lld grid (as doubles):\n", outW, outH, nx, ny);
    for (long long r = 0; r < outH; ++r) {
        std::printf("   ");
        for (long long c = 0; c < outW; ++c) {
            const double v = window[r * outW + c];
            if (std::isnan(v))
                std::printf(" %7s", "-");
            else
                std::printf(" %7.2f", v);
        }
        std::printf("\n");
    }
}

// The 99 filled bins folded into 33 columns, each drawn with a character of rising density.
void print_histogram(const TekVor4PropertyImpl& p) {
    if (!p.getHistogramSet()) {
        std::printf("  histogram: not available\n");
        return;
    }
    long long folded[33] = {};
    long long top = 1;
    for (unsigned b = 0; b < 99; ++b) {
        folded[b / 3] += p.getHgValue(b);
        if (folded[b / 3] > top) top = folded[b / 3];
    }
    static const char shades[] = " .:-=+*#%@";
    std::string bar;
    for (long long count : folded) bar += shades[count == 0 ? 0 : 1 + (count * 8) / top];
    std::printf("  histogram [%g .. %g] |%s| below %lld, above %lld\n", p.getHgBndMin(), p.getHgBndMax(), bar.c_str(),
                p.getHgMin(), p.getHgMax());
}

bool show(const fs::path& folder, unsigned char type) {
    const std::wstring typeName = ek::vor::data_type(type);
    const std::wstring name = L"Demo" + typeName.substr(2);
    TekVor4PropertyImpl p((folder / fs::path(ek::vor::prop_path(L"demo.xml", name))).wstring(), false);
    p.setName(name);
    p.setDataType(type);
    p.setGridType(3);
    p.setSize(nx, ny, 1);
    if (!p.init(true)) {
        std::printf("cannot create the data file of %ls\n", name.c_str());
        return false;
    }
    const std::vector<double> values = gradient(type);
    const int rc = p.write_data2d(0, 0, values.data(), nx, ny, dtDouble, 0, 0);
    if (rc != 0) {
        std::printf("writing %ls failed: %d\n", name.c_str(), rc);
        return false;
    }
    p.updateStatistic();
    p.updateHistogram();

    std::printf("%ls (%ls, %d byte(s) per value in memory, data file %lld bytes)\n", name.c_str(), typeName.c_str(),
                ek::vor::data_type_size(type), static_cast<long long>(fs::file_size(fs::path(p.getFileNameW()))));
    print_window(p);
    if (p.getStatisticSet())
        std::printf("  min %g, max %g, average %.4f, std. dev. %.4f, %lld values, %lld missing\n", p.getDfMin(),
                    p.getDfMax(), p.getDfAverage(), p.getDfStdDev(), p.getDfValsCount(), p.getDfIndefCount());
    else
        std::printf("  statistics: not available\n");
    print_histogram(p);
    std::printf("\n");
    p.close();
    return true;
}

}  // namespace

int main() {
    Scratch scratch;
    if (scratch.path().empty()) {
        std::printf("cannot create a temporary folder\n");
        return 1;
    }
    std::printf("ekx_vor4 demo: a %lldx%lld 2D property of each value type, in %s\n\n", nx, ny,
                scratch.path().string().c_str());
    bool ok = true;
    for (unsigned char type : {0, 1, 2, 3, 4}) ok = show(scratch.path(), type) && ok;
    std::printf("%s\n", ok ? "done; the temporary folder is removed." : "finished with errors.");
    return ok ? 0 : 1;
}
