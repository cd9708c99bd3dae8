// What the export formats share: reading a property in bounded pieces.
#pragma once

#include <functional>
#include <string>

#include "document.h"

namespace vor4 {

// Reads values [0, count) of property `index` as `type`, a piece at a time, and hands each
// piece (its first value's index, its values, how many) to `sink`; advances a progress bar
// labelled `label`.
void read_pieces(const Document& doc, unsigned index, unsigned char type, const std::string& label,
                 const std::function<void(long long first, const unsigned char* values, long long n)>& sink);

void export_vrt(const Document& doc, unsigned index, const std::string& out);

}  // namespace vor4
