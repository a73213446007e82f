#pragma once
// The playback bar's list of files: their paths as UTF-8, one after another
// in one block. The list of a large library is made without a string per
// file; a path becomes a QString only when it is asked for. Copies share the
// block until one of them changes.

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>

#include <initializer_list>
#include <string_view>

class QPlayListPaths
{
public:
    QPlayListPaths() = default;
    // From paths as strings (a list the bar is given by hand).
    QPlayListPaths(const QStringList &paths); // NOLINT: a list of paths is one
    QPlayListPaths(std::initializer_list<QString> paths);

    int size() const { return m_ends.size(); }
    bool isEmpty() const { return m_ends.isEmpty(); }
    QString at(int index) const;
    QString first() const { return at(0); }
    // The first index of the path (compared exactly); -1 when it is not listed.
    int indexOf(const QString &path) const;
    bool contains(const QString &path) const { return indexOf(path) >= 0; }
    // The path at index is this one (compared exactly); false out of range.
    bool isAt(int index, const QString &path) const;
    QStringList toStringList() const;

    void append(const QString &path);
    // A path as UTF-8, as the library's rows keep it.
    void append(std::string_view utf8);
    void append(const QPlayListPaths &other);
    void replace(int index, const QString &path);
    void removeAll(const QString &path);
    // Every one of the paths, in one pass however many there are.
    void removeAll(const QStringList &paths);
    void clear();
    void reserve(int paths, int bytes);

private:
    int indexOfBytes(const QByteArray &utf8) const;
    std::string_view bytesAt(int index) const;

    QByteArray m_bytes;
    // Where each path ends in m_bytes.
    QVector<int> m_ends;
};

Q_DECLARE_METATYPE(QPlayListPaths)
