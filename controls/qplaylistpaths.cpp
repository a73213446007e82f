#include "controls/qplaylistpaths.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// A path's length and last bytes (where the files of one folder differ),
// mixed: a path whose mark is not among the marks of the paths looked for
// is none of them, told without hashing it whole.
quint64 markOf(std::string_view bytes)
{
    quint64 tail = 0;
    const size_t n = std::min(bytes.size(), sizeof tail);
    std::memcpy(&tail, bytes.data() + bytes.size() - n, n);
    quint64 x = tail ^ (quint64(bytes.size()) * 0x9e3779b97f4a7c15ULL);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return x;
}

// The marks of a set of paths, one bit each in a table of about 64 bits a
// path: a path not looked for passes now and then, and is then compared.
class Marks
{
public:
    explicit Marks(const std::vector<std::string> &paths)
    {
        size_t bits = 64;
        while (bits < paths.size() * 64)
            bits *= 2;
        m_words.assign(bits / 64, 0);
        m_mask = bits - 1;
        for (const std::string &path : paths) {
            const quint64 bit = markOf(path) & m_mask;
            m_words[bit / 64] |= quint64(1) << (bit % 64);
        }
    }
    bool mayHold(std::string_view path) const
    {
        const quint64 bit = markOf(path) & m_mask;
        return m_words[bit / 64] & (quint64(1) << (bit % 64));
    }

private:
    std::vector<quint64> m_words;
    quint64 m_mask = 0;
};

} // namespace

QPlayListPaths::QPlayListPaths(const QStringList &paths)
{
    for (const QString &path : paths)
        append(path);
}

QPlayListPaths::QPlayListPaths(std::initializer_list<QString> paths)
{
    for (const QString &path : paths)
        append(path);
}

std::string_view QPlayListPaths::bytesAt(int index) const
{
    const int begin = index > 0 ? m_ends.at(index - 1) : 0;
    return std::string_view(m_bytes.constData() + begin, size_t(m_ends.at(index) - begin));
}

QString QPlayListPaths::at(int index) const
{
    const std::string_view bytes = bytesAt(index);
    return QString::fromUtf8(bytes.data(), int(bytes.size()));
}

int QPlayListPaths::indexOfBytes(const QByteArray &utf8) const
{
    const char *data = m_bytes.constData();
    int begin = 0;
    for (int i = 0; i < m_ends.size(); ++i) {
        const int end = m_ends.at(i);
        if (end - begin == utf8.size() && std::memcmp(data + begin, utf8.constData(), size_t(utf8.size())) == 0)
            return i;
        begin = end;
    }
    return -1;
}

bool QPlayListPaths::isAt(int index, const QString &path) const
{
    if (index < 0 || index >= size())
        return false;
    const QByteArray utf8 = path.toUtf8();
    return bytesAt(index) == std::string_view(utf8.constData(), size_t(utf8.size()));
}

int QPlayListPaths::indexOf(const QString &path) const
{
    return indexOfBytes(path.toUtf8());
}

QStringList QPlayListPaths::toStringList() const
{
    QStringList paths;
    paths.reserve(size());
    for (int i = 0; i < size(); ++i)
        paths << at(i);
    return paths;
}

void QPlayListPaths::append(std::string_view utf8)
{
    m_bytes.append(utf8.data(), int(utf8.size()));
    m_ends.append(m_bytes.size());
}

void QPlayListPaths::append(const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    append(std::string_view(utf8.constData(), size_t(utf8.size())));
}

void QPlayListPaths::append(const QPlayListPaths &other)
{
    if (isEmpty()) {
        *this = other;
        return;
    }
    reserve(size() + other.size(), m_bytes.size() + other.m_bytes.size());
    for (int i = 0; i < other.size(); ++i)
        append(other.bytesAt(i));
}

void QPlayListPaths::replace(int index, const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    const int begin = index > 0 ? m_ends.at(index - 1) : 0;
    const int length = m_ends.at(index) - begin;
    m_bytes.replace(begin, length, utf8);
    const int shift = utf8.size() - length;
    for (int i = index; i < m_ends.size(); ++i)
        m_ends[i] += shift;
}

void QPlayListPaths::removeAll(const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    // From the end, so that the places still to visit stay where they were.
    for (int i = m_ends.size() - 1; i >= 0; --i) {
        if (bytesAt(i) != std::string_view(utf8.constData(), size_t(utf8.size())))
            continue;
        const int begin = i > 0 ? m_ends.at(i - 1) : 0;
        m_bytes.remove(begin, utf8.size());
        m_ends.remove(i);
        for (int k = i; k < m_ends.size(); ++k)
            m_ends[k] -= utf8.size();
    }
}

void QPlayListPaths::removeAll(const QStringList &paths)
{
    std::vector<std::string> texts;
    texts.reserve(size_t(paths.size()));
    for (const QString &path : paths)
        texts.push_back(path.toStdString());
    const std::unordered_set<std::string_view> going(texts.begin(), texts.end());
    const Marks marks(texts);
    int kept = 0;
    int write = 0;
    int begin = 0;
    char *data = m_bytes.data();
    for (int i = 0; i < m_ends.size(); ++i) {
        const int end = m_ends.at(i);
        const std::string_view bytes(data + begin, size_t(end - begin));
        if (!marks.mayHold(bytes) || !going.count(bytes)) {
            std::memmove(data + write, bytes.data(), bytes.size());
            write += int(bytes.size());
            m_ends[kept++] = write;
        }
        begin = end;
    }
    m_ends.resize(kept);
    m_bytes.resize(write);
}

void QPlayListPaths::clear()
{
    m_bytes.clear();
    m_ends.clear();
}

void QPlayListPaths::reserve(int paths, int bytes)
{
    m_ends.reserve(paths);
    m_bytes.reserve(bytes);
}
