// The tag-file calls: handle checks around TagFile.

#include "rzcodec/tagfile.h"

#include "internal/error.h"
#include "tagfile/tagfile.h"

using rz::TagFile;

namespace {
TagFile *tagFileOf(void *handle, const char *call)
{
    return rz::handleCast<TagFile>(handle, call);
}

// Longest path accepted, in characters; guards against a missing terminator.
constexpr size_t kMaxPath = 65536;
} // namespace

extern "C" void *rz_tagfile_create(void)
{
    return rz::toHandle(new TagFile);
}

extern "C" void rz_tagfile_release(void *tagFile)
{
    if (TagFile *t = tagFileOf(tagFile, "rz_tagfile_release"))
        delete t;
}

extern "C" int32_t rz_tagfile_open(void *tagFile, const uint32_t *path)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_open");
    if (!t)
        return -1;
    if (!path) {
        rz::logError("rz_tagfile_open: no path");
        return -1;
    }
    std::u32string p;
    for (size_t i = 0; path[i] != 0; ++i) {
        if (i >= kMaxPath) {
            rz::logError("rz_tagfile_open: path too long");
            return -1;
        }
        p.push_back(char32_t(path[i]));
    }
    return t->open(p);
}

extern "C" RZResult rz_tagfile_close(void *tagFile)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_close");
    if (!t)
        return 0;
    t->close();
    return 1;
}

extern "C" int32_t rz_tagfile_format(void *tagFile)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_format");
    return t ? t->format() : RZ_TAGFMT_NONE;
}

extern "C" RZResult rz_tagfile_begin_edit(void *tagFile)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_begin_edit");
    return t && t->beginEdit() ? 1 : 0;
}

extern "C" RZResult rz_tagfile_set_item(void *tagFile, RZTagItem item)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_set_item");
    return t && t->setItem(item) ? 1 : 0;
}

extern "C" RZResult rz_tagfile_save(void *tagFile)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_save");
    return t && t->save() ? 1 : 0;
}

extern "C" int32_t rz_tagfile_item_count(void *tagFile)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_item_count");
    return t ? t->itemCount() : 0;
}

extern "C" RZTagItem rz_tagfile_get_item(void *tagFile, int32_t position)
{
    TagFile *t = tagFileOf(tagFile, "rz_tagfile_get_item");
    if (!t)
        return RZTagItem{-1, -1, 0, 0, nullptr};
    return t->item(position);
}
