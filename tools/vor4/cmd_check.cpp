// vor4 check: whether a document is whole. Lists each problem; exit 1 when there is any.
#include <iostream>

#include "commands.h"
#include "document.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

int run_check(const std::string& path) {
    Document doc(path, Access::read);  // the metadata parses, or this fails
    TekVor4* h = doc.handle();
    const unsigned char g = doc.grid_type();
    const unsigned count = doc.prop_count();
    std::vector<std::string> problems;

    long long d[3] = {1, 1, 1};
    ek_vor4_get_dimensions_64(h, d);
    const long long objects = ek_vor4_get_object_count_64(h);
    const long long cells = g == 5 ? d[0] * d[1] * d[2] : d[0] * d[1];
    if ((g == 3 || g == 5 || g == 7 || g == 8) && cells != objects) {
        problems.push_back("the object count " + std::to_string(objects) + " differs from the grid's " +
                           std::to_string(cells) + " cells");
    }

    const char* const axes[4] = {"mask", "x coordinate", "y coordinate", "z coordinate"};
    const int indexes[4] = {ek_vor4_get_maskpropindex(h), ek_vor4_get_xpropindex(h), ek_vor4_get_ypropindex(h),
                            ek_vor4_get_zpropindex(h)};
    const int needed = g == 2 ? 1 : g == 4 ? 2 : g == 6 ? 3 : 0;  // coordinate axes the grid type needs
    for (int k = 0; k < 4; ++k) {
        if (indexes[k] < -1 || (indexes[k] >= 0 && static_cast<unsigned>(indexes[k]) >= count)) {
            problems.push_back(std::string("the ") + axes[k] + " property index " + std::to_string(indexes[k]) +
                               " names no property");
        } else if (k >= 1 && k <= needed && indexes[k] == -1) {
            problems.push_back(std::string("the ") + axes[k] + " property of this " + grid_type_name(g) +
                               " document is not set");
        }
    }

    std::vector<std::string> lower_names;
    for (unsigned i = 0; i < count; ++i) {
        const std::string name = doc.name(i);
        const std::string who = "property '" + name + "': ";
        lower_names.push_back(lower_ascii(name));
        for (unsigned j = 0; j < i; ++j) {
            if (lower_names[j] == lower_names[i]) {
                problems.push_back(who + "property " + std::to_string(j) + " has the same name");
            }
        }
        const DataFileState data = doc.data_state(i);
        const std::string file = narrow(doc.data_file(i));
        if (!data.present) {
            problems.push_back(who + "data file " + file + " not found");
        } else if (!data.right_size()) {
            problems.push_back(who + "data file " + file + " holds " + std::to_string(data.bytes) +
                               " bytes, the property needs " + std::to_string(data.expected));
        }
        TekVor4Property* p = doc.property(i);
        if (ek_vor4_prop_get_histogram_exist(p)) {
            const char* stored = ek_vor4_prop_get_histogram_hgdiapdata(p);
            const std::string text = stored ? stored : "";
            bool hex = text.size() == 800;
            for (char c : text) hex = hex && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
            if (!hex) {
                problems.push_back(who + "histogram text is not 100 groups of 8 upper-case hexadecimal digits (" +
                                   std::to_string(text.size()) + " characters)");
            }
        }
    }

    for (const std::string& p : problems) std::cout << path << ": " << p << "\n";
    if (problems.empty()) {
        std::cout << path << ": ok (" << count << (count == 1 ? " property)\n" : " properties)\n");
        return 0;
    }
    std::cout << path << ": " << problems.size() << (problems.size() == 1 ? " problem\n" : " problems\n");
    return 1;
}

}  // namespace vor4
