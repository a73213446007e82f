#include "common/commonfunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>

#include <cctype>
#include <cwchar>

namespace {

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

template <typename Char>
bool isSeparator(Char c)
{
    return c == Char('/') || c == Char('\\');
}

template <typename String>
String trimmedOf(const String &text, const String &blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == String::npos)
        return String();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <typename String>
String filePath(const String &path)
{
    const auto last = path.find_last_of(String(1, '/') + String(1, '\\'));
    if (last == String::npos || last == 0)
        return String();
    return path.substr(0, last + 1);
}

template <typename String>
String fileName(const String &path)
{
    for (std::size_t i = path.size(); i-- > 1;) {
        if (isSeparator(path[i]))
            return path.substr(i + 1);
    }
    return path;
}

template <typename String>
String fileExt(const String &path)
{
    for (std::size_t i = path.size(); i-- > 1;) {
        if (isSeparator(path[i]))
            break;
        if (path[i] == '.')
            return path.substr(i);
    }
    return String();
}

// The part of a name from its last "." on, or the whole name.
QString extensionForScan(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot);
}

void scanFolder(const QString &folder, std::vector<std::string> &files, const QString &ext)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            scanFolder(entry.absoluteFilePath(), files, ext);
        } else if (entry.isFile()
                   && extensionForScan(entry.fileName()).toUpper() == ext.toUpper()) {
            files.push_back(entry.absoluteFilePath().toUtf8().toStdString());
        }
    }
}

long long readNumber(const std::string &field)
{
    return QString::fromStdString(field).trimmed().toLongLong();
}

// The text before the first occurrence of c when it stands neither at the
// start nor at the end; the rest after it goes back through text.
bool splitAt(std::string &text, char c, std::string &head)
{
    const auto at = text.find(c);
    if (at == std::string::npos || at < 1 || at + 1 >= text.size())
        return false;
    head = text.substr(0, at);
    text = text.substr(at + 1);
    return true;
}

} // namespace

void OverReadFiles(const char *folder, std::vector<std::string> &files, const char *ext)
{
    std::string root = trim(folder);
    if (root.empty())
        return;
    if (!isSeparator(root.back()))
        root += '/';
    scanFolder(QString::fromStdString(root), files, QString::fromUtf8(ext ? ext : ""));
}

std::string trim(const char *text)
{
    return text ? trimmedOf(std::string(text), std::string("\t\n\r ")) : std::string();
}

std::wstring wcstrim(const wchar_t *text)
{
    return text ? trimmedOf(std::wstring(text), std::wstring(L" \n\r\t")) : std::wstring();
}

bool CompareNoCase(const std::string &a, const std::string &b)
{
    return QString::fromStdString(a).toUpper() == QString::fromStdString(b).toUpper();
}

bool CompareNoCaseW(const std::wstring &a, const std::wstring &b)
{
    return QString::fromStdWString(a).toUpper() == QString::fromStdWString(b).toUpper();
}

char *strlwr(char *text)
{
    if (!text)
        return text;
    for (char *p = text; *p && *p != ' '; ++p)
        *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

std::wstring RandomStr(int length)
{
    static const wchar_t alphabet[] = L"0123456789_abcdefghijklmnopqrstuvwxyz";
    std::wstring text;
    if (length < 1)
        return text;
    QRandomGenerator generator(1);
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text.push_back(alphabet[generator.generate() % 37]);
    return text;
}

bool ValidFileName(const wchar_t *name)
{
    if (!name)
        return false;
    const std::wstring text(name);
    const auto isBlank = [](wchar_t c) { return c == L'\t' || c == L'\n' || c == L'\r' || c == L' '; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (std::wcschr(L"\"*<>?|", c) && c != 0)
            return false;
        if (c == L':' && i != 1)
            return false;
        if (isBlank(c)) {
            if (i == 0 || i + 1 == text.size())
                return false;
            if (isSeparator(text[i - 1]) || isSeparator(text[i + 1]))
                return false;
        }
    }
    return true;
}

std::wstring ExtractFilePathW(const wchar_t *path) { return path ? filePath(std::wstring(path)) : std::wstring(); }
std::string ExtractFilePathA(const char *path) { return path ? filePath(std::string(path)) : std::string(); }
std::wstring ExtractFileNameW(const wchar_t *path) { return path ? fileName(std::wstring(path)) : std::wstring(); }
std::string ExtractFileNameA(const char *path) { return path ? fileName(std::string(path)) : std::string(); }
std::wstring ExtractFileExt(const wchar_t *path) { return path ? fileExt(std::wstring(path)) : std::wstring(); }
std::string ExtractFileExtA(const char *path) { return path ? fileExt(std::string(path)) : std::string(); }

std::wstring ExtractFileDrive(const wchar_t *path)
{
    if (!path)
        return std::wstring();
    const std::wstring text(path);
    const auto colon = text.find(L':');
    return colon == std::wstring::npos ? std::wstring() : text.substr(0, colon + 1);
}

std::wstring GetAppCurPath()
{
    return QCoreApplication::applicationDirPath().toStdWString();
}

std::wstring ExpandFileName(const wchar_t *name)
{
    const QString text = fromWide(name);
    if (text.isEmpty())
        return std::wstring();
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(text).toStdWString();
}

std::wstring CollapseFileName(const wchar_t *path)
{
    QString target = fromWide(path);
    if (target.isEmpty())
        return std::wstring();
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString base = QCoreApplication::applicationDirPath();
    base.replace(QLatin1Char('\\'), QLatin1Char('/'));

    const QStringList baseParts = base.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList targetParts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int common = 0;
    while (common < baseParts.size() && common < targetParts.size()
           && baseParts[common] == targetParts[common])
        ++common;
    if (common == baseParts.size() && common == targetParts.size())
        return L".";
    QString relative;
    for (int i = common; i < baseParts.size(); ++i)
        relative += QStringLiteral("../");
    relative += targetParts.mid(common).join(QLatin1Char('/'));
    return relative.toStdWString();
}

void createPath(const wchar_t *path)
{
    const QString folder = fromWide(path);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
}

void createPathA(const char *path)
{
    if (path && *path)
        QDir().mkpath(QString::fromUtf8(path));
}

bool FileExistW(const wchar_t *path)
{
    const QString file = fromWide(path);
    return !file.isEmpty() && QFile::exists(file);
}

bool FileExist(const char *path)
{
    return path && *path && QFile::exists(QString::fromUtf8(path));
}

bool DirectoryExist(const wchar_t *path)
{
    const QString folder = fromWide(path);
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

bool FileReadable(const wchar_t *path)
{
    QFile file(fromWide(path));
    if (file.fileName().isEmpty() || !file.exists())
        return false;
    return file.open(QIODevice::ReadOnly);
}

bool FileWritable(const wchar_t *path)
{
    QFile file(fromWide(path));
    if (file.fileName().isEmpty() || !file.exists())
        return false;
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

long long GetFileSize(const wchar_t *path)
{
    const QFileInfo info(fromWide(path));
    return info.exists() ? info.size() : 0;
}

std::wstring AdjustFileSize(long long bytes)
{
    QString text;
    if (bytes < 0 || bytes > 1073741824LL)
        text = QString::asprintf("%.2fGB", bytes / (1024.0 * 1024.0 * 1024.0));
    else if (bytes >= 1048577LL)
        text = QString::asprintf("%.2fMB", bytes / (1024.0 * 1024.0));
    else if (bytes <= 1024LL)
        text = QString::asprintf("%.2fB", static_cast<double>(bytes));
    else
        text = QString::asprintf("%.2fKB", bytes / 1024.0);
    return text.toStdWString();
}

std::string Ms2String(long long ms, bool withMilliseconds)
{
    if (ms < 1)
        return withMilliseconds ? "00:00:00.000" : "00:00:00";
    const long long s = ms / 1000;
    const long long hours = s / 3600;
    const long long minutes = s % 3600 / 60;
    const long long seconds = s % 60;
    const long long millis = ms % 1000;
    QString text = QString::asprintf("%lld%lld:%lld%lld:%lld%lld", hours / 10, hours % 10, minutes / 10,
                                     minutes % 10, seconds / 10, seconds % 10);
    if (withMilliseconds)
        text += QString::asprintf(".%lld%lld%lld", millis / 100, millis / 10 % 10, millis % 10);
    return text.toStdString();
}

long long String2Ms(const char *text)
{
    if (!text)
        return 0;
    std::string rest(text);
    std::string first;
    std::string second;
    std::string fraction;
    splitAt(rest, ':', first);
    splitAt(rest, ':', second);
    std::string seconds;
    if (!splitAt(rest, '.', seconds)) {
        seconds = rest;
    } else {
        fraction = rest;
    }

    long long ms = readNumber(seconds) * 1000;
    if (!second.empty())
        ms += readNumber(first) * 3600000 + readNumber(second) * 60000;
    else
        ms += readNumber(first) * 60000;

    // The digits after the point are a decimal part of a second: ".5" is
    // 500 ms and ".004" is 4 ms; digits past the third are dropped.
    std::string digits;
    for (char c : fraction) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        if (digits.size() < 3)
            digits += c;
    }
    if (!digits.empty()) {
        digits.resize(3, '0');
        ms += std::stoll(digits);
    }
    return ms;
}
