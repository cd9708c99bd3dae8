// Exported functions of the document library. Only what is declared in ekx_file_vor4.h is
// visible outside the shared library.
#include "ekx_file_vor4.h"

#include "vor4/vor_vocabulary.h"

extern "C" int ek_vor4_get_data_type_size(unsigned char data_type) { return ek::vor::data_type_size(data_type); }
