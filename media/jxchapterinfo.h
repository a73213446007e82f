#pragma once
// One chapter of a media file, as the edit record keeps its list: the first
// entry stands for the whole media (or the current trim range).

#include <string>

struct JXChapterInfo {
    int index = 0;            // 0: the whole media; chapters from 1
    unsigned long long start = 0;
    unsigned long long duration = 0;
    unsigned long long end = 0;
    std::string title;        // UTF-8
    std::string text;         // display text, UTF-8
};
