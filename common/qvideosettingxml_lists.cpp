// Playlists file, the history file seen as a list of paths, and the digest file.
#include "common/qvideosettingxml.h"

#include <QFileInfo>

namespace {

const QString kListName = QStringLiteral("ListName");
const QString kPathAttr = QStringLiteral("Converted_path_");
const QString kDigestAttr = QStringLiteral("Converted_path_md5");

// The last child element (document order) whose ListName equals the name.
QDomElement lastPlayList(const QDomElement &root, const QString &name)
{
    for (QDomElement e = root.lastChildElement(); !e.isNull(); e = e.previousSiblingElement()) {
        if (e.attribute(kListName) == name)
            return e;
    }
    return QDomElement();
}

} // namespace

bool QVideoSettingXml::AppendPlayList(const QString &name)
{
    return changeXml(playListFilePath(), true, [&name](QDomDocument &doc) {
        QDomElement list = doc.createElement(QStringLiteral("List_name"));
        list.setAttribute(kListName, name);
        return ensureRoot(doc).appendChild(list).isNull() ? XmlEdit::Refuse : XmlEdit::Save;
    });
}

bool QVideoSettingXml::RemovePlayList(const QString &name)
{
    return changeXml(playListFilePath(), false, [&name](QDomDocument &doc) {
        QDomElement root = doc.documentElement();
        const QDomElement match = lastPlayList(root, name);
        if (match.isNull())
            return XmlEdit::Refuse;
        root.removeChild(match);
        return XmlEdit::Save;
    });
}

bool QVideoSettingXml::RemoveAllPlayLists()
{
    return changeXml(playListFilePath(), false, [](QDomDocument &doc) {
        QDomElement root = doc.documentElement();
        while (!root.lastChild().isNull())
            root.removeChild(root.lastChild());
        return XmlEdit::Save;
    });
}

bool QVideoSettingXml::SetPlayListName(const QString &oldName, const QString &newName)
{
    return changeXml(playListFilePath(), false, [&](QDomDocument &doc) {
        QDomElement match = lastPlayList(doc.documentElement(), oldName);
        if (match.isNull())
            return XmlEdit::Refuse;
        match.setAttribute(kListName, newName);
        return XmlEdit::Save;
    });
}

QStringList QVideoSettingXml::GetAllPlayLists()
{
    QStringList names;
    QDomDocument doc;
    if (!loadExisting(playListFilePath(), doc))
        return names;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names << e.attribute(kListName);
    return names;
}

bool QVideoSettingXml::SetConvertedPath(const QString &path)
{
    return changeXml(historyFilePath(), true, [&path](QDomDocument &doc) {
        QDomElement root = ensureRoot(doc);
        for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.attribute(kPathAttr) == path)
                return XmlEdit::Keep; // already listed
        }
        QDomElement entry = doc.createElement(QStringLiteral("Path_item"));
        entry.setAttribute(kPathAttr, path);
        root.appendChild(entry);
        return XmlEdit::Save;
    });
}

QStringList QVideoSettingXml::GetConvertedPath()
{
    QStringList existing;
    changeXml(historyFilePath(), false, [&existing](QDomDocument &doc) {
        QDomElement root = doc.documentElement();
        bool removed = false;
        QDomElement e = root.firstChildElement();
        while (!e.isNull()) {
            const QDomElement next = e.nextSiblingElement();
            const QString path = e.attribute(kPathAttr);
            if (!path.isEmpty() && QFileInfo::exists(path)) {
                existing << path;
            } else {
                root.removeChild(e);
                removed = true;
            }
            e = next;
        }
        return removed ? XmlEdit::Save : XmlEdit::Keep;
    });
    return existing;
}

bool QVideoSettingXml::DeleteConvertedPath(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    return changeXml(historyFilePath(), false, [&paths](QDomDocument &doc) {
        QStringList pending = paths;
        QDomElement root = doc.documentElement();
        bool removed = false;
        QDomElement e = root.firstChildElement();
        while (!e.isNull() && !pending.isEmpty()) {
            const QDomElement next = e.nextSiblingElement();
            const int at = pending.indexOf(e.attribute(kPathAttr));
            if (at >= 0) {
                pending.removeAt(at);
                root.removeChild(e);
                removed = true;
            }
            e = next;
        }
        return removed ? XmlEdit::Save : XmlEdit::Refuse;
    });
}

bool QVideoSettingXml::SaveConvertedPathMd5(const QString &digest)
{
    if (digest.isEmpty())
        return false;
    return changeXml(digestFilePath(), true, [&digest](QDomDocument &doc) {
        QDomElement root = ensureRoot(doc);
        QDomElement target = root.lastChildElement();
        const QString stored = target.attribute(kDigestAttr);
        if (!stored.isEmpty()) {
            if (stored.contains(digest))
                return XmlEdit::Keep; // already collected
            target.setAttribute(kDigestAttr, QStringLiteral("%1%2_").arg(stored, digest));
        } else {
            QDomElement item = doc.createElement(QStringLiteral("Path_item"));
            item.setAttribute(kDigestAttr, QStringLiteral("%1_").arg(digest));
            root.appendChild(item);
        }
        return XmlEdit::Save;
    });
}

QString QVideoSettingXml::getConvertedPathMd5()
{
    QDomDocument doc;
    if (!loadExisting(digestFilePath(), doc))
        return QString();
    return doc.documentElement().firstChildElement().attribute(kDigestAttr);
}
