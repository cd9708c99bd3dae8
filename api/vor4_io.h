// One window of several properties read into one caller buffer, one block per property, through
// the exported property functions. Block k reads property propIndices[k] (k itself when the list
// is null); an index of -1 leaves its block untouched. A stride or pitch of 0 selects its default:
// element stride 1, row pitch dstW, slice pitch rowPitch * dstH, block pitch the whole window.
// Result: 0, 1 when a listed property cannot be opened, else the first failing read's code;
// reading stops there and the blocks already read stay.
#pragma once

#include "ekx_file_vor4.h"

namespace ek::vor4_io {

int read(TekVor4* h, unsigned int start, unsigned int count, void* dst, unsigned int dstCount,
         unsigned char dstType, int propCount, int* propIndices, int dstStride, int propPitch);
int read2d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int w, unsigned int hgt, void* dst,
           unsigned int dstW, unsigned int dstH, unsigned char dstType, int propCount, int* propIndices,
           int dstStride, int dstRowStride, int propPitch);
int read3d(TekVor4* h, unsigned int x0, unsigned int y0, unsigned int z0, unsigned int w, unsigned int hgt,
           unsigned int d, void* dst, unsigned int dstW, unsigned int dstH, unsigned int dstD,
           unsigned char dstType, int propCount, int* propIndices, int dstStride, int dstRowStride,
           int dstSliceStride, int propPitch);

}  // namespace ek::vor4_io
