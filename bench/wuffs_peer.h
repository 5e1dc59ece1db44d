// Wuffs' PNG decoder and zlib inflater behind two plain calls, so that only
// bench/wuffs_peer.c (C, its warnings silenced) includes the library.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Output layouts asked of the PNG decoder.
enum { wuffsPeerBgr = 0, wuffsPeerBgra = 1, wuffsPeerIndexed = 2, wuffsPeerGrey = 3 };

// Decodes `file` into `pixels` (rows `stride` bytes apart) with checksums
// ignored. `work` holds the decoder's work buffer and grows as needed (free it
// with wuffsPeerFree). Returns 1 on success.
int wuffsPeerDecode(const uint8_t* file, size_t size, int layout, uint8_t* pixels, size_t stride,
                    uint8_t** work, size_t* workSize);

// Inflates a zlib stream into exactly `outSize` bytes, the Adler-32 ignored.
int wuffsPeerInflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

void wuffsPeerFree(void* block);

#ifdef __cplusplus
}
#endif
