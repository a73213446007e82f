#pragma once
// The output-profile catalogue: categories, the profiles of a category and
// everything one profile allows, read from the property list shipped in the
// resources. Records are handed out by value, so a holder never sees them
// change under it.

#include "common/formatallinfo.h"

#include <QString>
#include <QVariantMap>

#include <optional>
#include <string>
#include <vector>

// One profile of a category, as a list shows it.
struct CategoryInfo
{
    std::string title;
    std::string id;
    std::string ext;
    std::string category;
    std::string icon;
};

class QPlistRead
{
public:
    // Loads the catalogue; a missing or damaged file leaves the reader empty
    // (every query answers empty) with the reason in errorString().
    explicit QPlistRead(const std::string &path);

    // The process-wide reader: created for the first path it is given, the
    // same reader for every later call whatever the path.
    static QPlistRead *getPlistRead(const std::string &path);
    // resources + "/profile/profiles_mac.plist"
    static std::string cataloguePath();

    bool isLoaded() const { return m_loaded; }
    QString errorString() const { return m_error; }

    std::vector<std::string> getCategories();
    std::vector<CategoryInfo> getCategoriesInfoList(const std::string &category) const;
    // The profile (category, id) narrowed by the selectors (empty or "Auto":
    // the profile's own choice). Nothing for an empty category or id; a
    // record holding only category and id when the profile is not found.
    std::optional<FormatAllInfo> GetFormatInfoForPlist(const std::string &category, const std::string &id,
                                                       std::string videoEncoder, std::string resolution,
                                                       std::string audioEncoder, std::string channel) const;
    // A "baseinfo" value of the profile; "" when there is none.
    std::string getFormatInfoForKey(const std::string &category, const std::string &id,
                                    const std::string &key) const;
    // Display name of a codec key; three-character keys are looked up padded
    // with a blank; an unknown key comes back (padded) itself.
    std::string getCodecsForKey(std::string key) const;

    // List texts: items split at ",", trimmed, "0" read as "Auto", empty ones
    // dropped; the unit is appended to every item but "Auto". Appends.
    static void analysisTextInfo(const std::string &text, std::vector<std::string> &list);
    static void analysisTextInfo(const std::string &text, const std::string &unit,
                                 std::vector<std::string> &list);
    // The audio encoders a "venc:a,b|venc2:c" filter allows with the video
    // encoder. Appends.
    static void analysisFilter(const std::string &filter, const std::string &videoEncoder,
                               std::vector<std::string> &list);
    // The text under the key ("supports" for an empty key); "" when absent.
    static std::string getDictValue(const QVariantMap &dict, const std::string &key);

private:
    QVariantMap findProfile(const std::string &category, const std::string &id) const;
    static void fillVideo(const QVariantMap &profile, std::string videoEncoder, std::string resolution,
                          FormatAllInfo &info);
    static void fillAudio(const QVariantMap &profile, std::string audioEncoder, std::string channel,
                          FormatAllInfo &info);

    std::string m_path;
    std::vector<std::string> m_categories;
    QVariantMap m_catalogue;
    bool m_loaded = false;
    QString m_error;
};
