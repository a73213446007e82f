#pragma once
/* Byte buffer: a copy of some bytes with their length (a cover picture, a
 * metadata value). Values that other roles return as buffers belong to the
 * object that returned them; buffers from rz_buffer_create are released by
 * their creator. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A buffer holding a copy of `size` bytes (null data with size 0 = empty);
 * null when data is null with a non-zero size. */
void *rz_buffer_create(const void *data, uint32_t size);
void rz_buffer_release(void *buffer);

/* The bytes (never null for a valid buffer; a NUL follows the last byte, so a
 * text value reads as a C string). */
const uint8_t *rz_buffer_data(void *buffer);
uint32_t rz_buffer_size(void *buffer);

#ifdef __cplusplus
}
#endif
