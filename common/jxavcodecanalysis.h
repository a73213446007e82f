#pragma once
// Codec ids and container names of the codec layer, from the names used by
// output profiles and media information. Comparisons are exact.

#include <string>

class JXAVCodecAnalysis
{
public:
    // Codec id of a four-character codec name; 0 for an unknown name.
    static int codecIDOfFourcc(const std::string &fourcc);
    // Container (muxer) name of a file extension; an unknown one comes back unchanged.
    static std::string formatOfFourCC(const std::string &extension);
    // A frame rate as a fraction; NTSC rates become their 1001 forms.
    static void GetVideoFrameRate(double rate, unsigned int &numerator, unsigned int &denominator);
    // Container name of an audio codec id, with its extension through the reference.
    static std::string formatOfCodecID(unsigned int codecId, std::string &extension);
    // One container name from a demuxer's list name and the file's brand.
    static std::string formatForFormatName(const std::string &listName, const std::string &brand);

private:
    JXAVCodecAnalysis() = default;
};
