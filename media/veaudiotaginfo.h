#pragma once
// The tag fields of one media item, as written into and read from files.

#include <QMetaType>

#include <string>

struct VEAudioTagInfo {
    // UTF-8 texts, except cover_image: the picture's bytes.
    std::string title;
    std::string artist;
    std::string album_artist;
    std::string composer;
    std::string album;
    std::string genre;
    std::string track;
    std::string year;
    std::string date;
    std::string grouping;
    std::string comment;
    std::string disc;
    std::string copyright;
    std::string cover_image;
    int coverSize = 0; // byte length of the picture
    bool flag = false;

    VEAudioTagInfo();
    void reset();

    // The picture's bytes, never more than cover_image holds.
    std::string coverBytes() const;
    bool operator==(const VEAudioTagInfo &other) const;
    bool operator!=(const VEAudioTagInfo &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(VEAudioTagInfo)
