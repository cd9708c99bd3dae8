// A GDAL VRT raw band per Z slice (or function layer) that points at the property's own data
// file: nothing is copied, so the export takes the same time whatever the grid's size. A mask,
// stored one bit per value, is first unpacked to a byte file beside the VRT.
//
// GDAL counts lines from the top (north) while the document counts rows from its origin, so a
// band starts at the last row of its slice and steps back one row per line (a negative line
// offset), and the geotransform is the library's, moved to that corner.
#include <filesystem>

#include "export.h"
#include "failure.h"
#include "output_file.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

namespace {

std::string xml_escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// The source file as the VRT names it: relative to the VRT's folder when there is such a path.
std::string source_element(const std::filesystem::path& source, const std::filesystem::path& vrt) {
    const auto abs_source = std::filesystem::absolute(source).lexically_normal();
    const auto abs_dir = std::filesystem::absolute(vrt).lexically_normal().parent_path();
    const auto rel = abs_source.lexically_relative(abs_dir);
    if (rel.empty()) return "<SourceFilename relativeToVRT=\"0\">" + xml_escaped(abs_source.string()) + "</SourceFilename>";
    return "<SourceFilename relativeToVRT=\"1\">" + xml_escaped(rel.string()) + "</SourceFilename>";
}

}  // namespace

void export_vrt(const Document& doc, unsigned index, const std::string& out) {
    TekVor4* h = doc.handle();
    const unsigned char g = doc.grid_type();
    if (!is_regular_grid(g)) {
        throw Failure(doc.path(), "a " + grid_type_name(g) + " document has no raster form; export to .csv or .npy");
    }
    const Shape s = doc.shape(index);
    const unsigned char type = doc.data_type(index);
    const long long nx = s.nx, ny = s.ny;
    std::string source = narrow(doc.data_file(index));
    long long size = ek_vor4_get_data_type_size(type);

    std::filesystem::path unpacked;
    if (type == dt_bitmask) {
        unpacked = std::filesystem::path(out).replace_extension(".bytes");
        OutputFile bytes(unpacked.string());
        read_pieces(doc, index, dt_bitmask, "unpack", [&](long long, const unsigned char* v, long long n) {
            bytes.write(v, static_cast<size_t>(n));
        });
        bytes.commit();
        source = unpacked.string();
        size = 1;
    }

    const Tek_matrix3x3 m = doc.geotransform();
    const double last = static_cast<double>(ny - 1);
    const double gt[6] = {m.m[0][2] + m.m[0][1] * last - 0.5 * m.m[0][0] + 0.5 * m.m[0][1], m.m[0][0], -m.m[0][1],
                          m.m[1][2] + m.m[1][1] * last - 0.5 * m.m[1][0] + 0.5 * m.m[1][1], m.m[1][0], -m.m[1][1]};
    std::string xml = "<VRTDataset rasterXSize=\"" + std::to_string(nx) + "\" rasterYSize=\"" + std::to_string(ny) + "\">\n";
    xml += "  <GeoTransform>";
    for (int k = 0; k < 6; ++k) xml += (k ? ", " : "") + format_number(gt[k]);
    xml += "</GeoTransform>\n";
    const std::string src = source_element(source, out);
    const std::string nodata = nodata_text(type);
    for (long long band = 0; band < s.nz; ++band) {
        const long long first = (band * ny + ny - 1) * nx;
        xml += "  <VRTRasterBand dataType=\"" + gdal_type_name(type) + "\" band=\"" + std::to_string(band + 1) +
               "\" subClass=\"VRTRawRasterBand\">\n";
        if (s.rank == 3) {
            xml += "    <Description>" +
                   (g == 5 ? "z = " + format_number(ek_vor4_get_z0(h) + static_cast<double>(band) * ek_vor4_get_dz(h))
                           : "layer " + std::to_string(band)) +
                   "</Description>\n";
        }
        if (!nodata.empty()) xml += "    <NoDataValue>" + nodata + "</NoDataValue>\n";
        xml += "    " + src + "\n";
        xml += "    <ImageOffset>" + std::to_string(first * size) + "</ImageOffset>\n";
        xml += "    <PixelOffset>" + std::to_string(size) + "</PixelOffset>\n";
        xml += "    <LineOffset>" + std::to_string(-nx * size) + "</LineOffset>\n";
        xml += "    <ByteOrder>LSB</ByteOrder>\n";
        xml += "  </VRTRasterBand>\n";
    }
    xml += "</VRTDataset>\n";
    OutputFile file(out);
    file.write(xml);
    file.commit();
}

}  // namespace vor4
