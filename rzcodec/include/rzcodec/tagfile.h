#pragma once
/* Tag-file object: reads and writes the tags inside one media file (MP3 with
 * ID3v2, MP4/M4A, FLAC, Ogg Vorbis, Ogg Opus, WAV, AIFF, WMA/ASF), the cover
 * picture included. The format is told from the file's content.
 *
 * Writing: create, open, begin edit, one set-item per field, save, close,
 * release. Reading: create, open, item count, get item by position, release.
 * Fields for which no item is set keep the file's value; an item of length 0
 * (its data may be null) takes its field out of the file: a text item that
 * field's text, a cover item every picture. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Item indexes. */
enum RZTagIndex {
    RZ_TAG_TITLE = 0,
    RZ_TAG_ARTIST = 1,
    RZ_TAG_ALBUM = 2,
    RZ_TAG_GENRE = 3,
    RZ_TAG_YEAR = 4,
    RZ_TAG_TRACK = 5,
    RZ_TAG_COMMENT = 6,
    RZ_TAG_COPYRIGHT = 7,
    RZ_TAG_UNUSED = 8, /* never carried */
    RZ_TAG_COVER = 9,
    RZ_TAG_ALBUM_ARTIST = 10,
    RZ_TAG_COMPOSER = 11,
    RZ_TAG_GROUPING = 12,
    RZ_TAG_DISC = 13
};

#define RZ_TAG_TYPE_TEXT 0  /* 32-bit characters, 4 bytes each, NUL not counted */
#define RZ_TAG_TYPE_BYTES 1 /* the cover picture's bytes */

/* Format codes of an opened file (rz_tagfile_format); -1 = none open. */
enum RZTagFormat {
    RZ_TAGFMT_NONE = -1,
    RZ_TAGFMT_MP3 = 1,
    RZ_TAGFMT_MP4 = 2,
    RZ_TAGFMT_FLAC = 3,
    RZ_TAGFMT_OGG_VORBIS = 4,
    RZ_TAGFMT_OGG_OPUS = 5,
    RZ_TAGFMT_WAV = 6,
    RZ_TAGFMT_AIFF = 7,
    RZ_TAGFMT_ASF = 8
};

typedef struct RZTagItem {
    int32_t marker; /* -1 */
    int32_t index;  /* RZTagIndex */
    int32_t type;   /* RZ_TAG_TYPE_* */
    int32_t length; /* bytes of data */
    const void *data;
} RZTagItem;

void *rz_tagfile_create(void);
void rz_tagfile_release(void *tagFile);

/* Opens a file given as NUL-terminated 32-bit characters. 0 = opened; any
 * other value = the file cannot be tagged (missing, unreadable, or a format
 * the object does not handle). */
int32_t rz_tagfile_open(void *tagFile, const uint32_t *path);
RZResult rz_tagfile_close(void *tagFile);
int32_t rz_tagfile_format(void *tagFile);

/* Starts a write: forgets items set earlier. */
RZResult rz_tagfile_begin_edit(void *tagFile);
/* Keeps one item for the next save (copied); 0 when it is malformed: wrong
 * type for its index, a text that is not whole valid characters, no data
 * (except an item of length 0, which removes its field). */
RZResult rz_tagfile_set_item(void *tagFile, RZTagItem item);
/* Writes the items set since begin-edit into the file. 1 = written; 0 = not
 * (nothing open, no begin-edit, or the file could not be written). */
RZResult rz_tagfile_save(void *tagFile);

/* The file's tags as read at open: one item per field present. */
int32_t rz_tagfile_item_count(void *tagFile);
/* Item at a position from 0; its data stays valid until close or release. An
 * item with index -1 and length 0 for a position out of range. */
RZTagItem rz_tagfile_get_item(void *tagFile, int32_t position);

#ifdef __cplusplus
}
#endif
