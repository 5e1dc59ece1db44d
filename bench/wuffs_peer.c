// The Wuffs modules a PNG needs, compiled once, and the two calls of
// wuffs_peer.h. Checksums are off, as the player checks none.
#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__ADLER32
#define WUFFS_CONFIG__MODULE__CRC32
#define WUFFS_CONFIG__MODULE__DEFLATE
#define WUFFS_CONFIG__MODULE__ZLIB
#define WUFFS_CONFIG__MODULE__PNG
#include "third_party/wuffs/wuffs-v0.4.c"

#include "wuffs_peer.h"

#include <stdlib.h>

static int decodeWith(wuffs_png__decoder* decoder, const uint8_t* file, size_t size, int layout, uint8_t* pixels,
                      size_t stride, uint8_t** work, size_t* workSize);

// A fresh decoder per picture, as a program would make.
int wuffsPeerDecode(const uint8_t* file, size_t size, int layout, uint8_t* pixels, size_t stride, uint8_t** work,
                    size_t* workSize) {
    wuffs_png__decoder* decoder = (wuffs_png__decoder*)malloc(sizeof__wuffs_png__decoder());
    const int ok = decoder && decodeWith(decoder, file, size, layout, pixels, stride, work, workSize);
    free(decoder);
    return ok;
}

static int decodeWith(wuffs_png__decoder* decoder, const uint8_t* file, size_t size, int layout, uint8_t* pixels,
                      size_t stride, uint8_t** work, size_t* workSize) {
    static const uint32_t formats[] = {WUFFS_BASE__PIXEL_FORMAT__BGR, WUFFS_BASE__PIXEL_FORMAT__BGRA_NONPREMUL,
                                       WUFFS_BASE__PIXEL_FORMAT__INDEXED__BGRA_NONPREMUL,
                                       WUFFS_BASE__PIXEL_FORMAT__Y};
    static const uint32_t bytesPerPixel[] = {3, 4, 1, 1};
    static uint8_t palette[WUFFS_BASE__PIXEL_FORMAT__INDEXED__PALETTE_BYTE_LENGTH];
    if (wuffs_png__decoder__initialize(decoder, sizeof__wuffs_png__decoder(), WUFFS_VERSION,
                                                   WUFFS_INITIALIZE__LEAVE_INTERNAL_BUFFERS_UNINITIALIZED)
                        .repr) {
        return 0;
    }
    wuffs_png__decoder__set_quirk(decoder, WUFFS_BASE__QUIRK_IGNORE_CHECKSUM, 1);
    wuffs_base__io_buffer source = wuffs_base__ptr_u8__reader((uint8_t*)file, size, true);
    wuffs_base__image_config config;
    if (wuffs_png__decoder__decode_image_config(decoder, &config, &source).repr) {
        return 0;
    }
    const uint32_t width = wuffs_base__pixel_config__width(&config.pixcfg);
    const uint32_t height = wuffs_base__pixel_config__height(&config.pixcfg);
    wuffs_base__pixel_config__set(&config.pixcfg, formats[layout], WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, width,
                                  height);
    wuffs_base__pixel_buffer buffer;
    if (wuffs_base__pixel_buffer__set_interleaved(
            &buffer, &config.pixcfg, wuffs_base__make_table_u8(pixels, width * bytesPerPixel[layout], height, stride),
            wuffs_base__make_slice_u8(palette, sizeof palette))
            .repr) {
        return 0;
    }
    const uint64_t need = wuffs_png__decoder__workbuf_len(decoder).max_incl;
    if (need > *workSize) {
        free(*work);
        *work = (uint8_t*)malloc(need);
        *workSize = *work ? need : 0;
        if (!*work) {
            return 0;
        }
    }
    return wuffs_png__decoder__decode_frame(decoder, &buffer, &source, WUFFS_BASE__PIXEL_BLEND__SRC,
                                            wuffs_base__make_slice_u8(*work, need), NULL)
               .repr == NULL;
}

int wuffsPeerInflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
    static wuffs_zlib__decoder decoder;
    static uint8_t work[WUFFS_ZLIB__DECODER_WORKBUF_LEN_MAX_INCL_WORST_CASE];
    if (wuffs_zlib__decoder__initialize(&decoder, sizeof decoder, WUFFS_VERSION,
                                        WUFFS_INITIALIZE__LEAVE_INTERNAL_BUFFERS_UNINITIALIZED)
            .repr) {
        return 0;
    }
    wuffs_zlib__decoder__set_quirk(&decoder, WUFFS_BASE__QUIRK_IGNORE_CHECKSUM, 1);
    wuffs_base__io_buffer source = wuffs_base__ptr_u8__reader((uint8_t*)in, inSize, true);
    wuffs_base__io_buffer target = wuffs_base__ptr_u8__writer(out, outSize);
    const wuffs_base__status status =
        wuffs_zlib__decoder__transform_io(&decoder, &target, &source, wuffs_base__make_slice_u8(work, sizeof work));
    return status.repr == NULL && target.meta.wi == outSize;
}

void wuffsPeerFree(void* block) {
    free(block);
}
