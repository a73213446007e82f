#pragma once
// Free helpers over narrow (UTF-8) and wide (32-bit) texts: folder scans,
// trimming, comparisons without case, path splitting, file tests, size and
// time texts. A null or empty argument gives the empty result or false.

#include <string>
#include <vector>

// Appends every file below the folder whose extension (from its last ".")
// equals ext without case, depth first, as UTF-8 paths.
void OverReadFiles(const char *folder, std::vector<std::string> &files, const char *ext);

std::string trim(const char *text);                 // tab, LF, CR, space
std::wstring wcstrim(const wchar_t *text);
bool CompareNoCase(const std::string &a, const std::string &b);
bool CompareNoCaseW(const std::wstring &a, const std::wstring &b);
// Lower-cases in place up to the first space; returns text.
char *strlwr(char *text);
// Deterministic: seeded the same on every call.
std::wstring RandomStr(int length);
bool ValidFileName(const wchar_t *name);

std::wstring ExtractFilePathW(const wchar_t *path);   // up to and with the last separator
std::string ExtractFilePathA(const char *path);
std::wstring ExtractFileNameW(const wchar_t *path);
std::string ExtractFileNameA(const char *path);
std::wstring ExtractFileExt(const wchar_t *path);     // with the dot
std::string ExtractFileExtA(const char *path);
std::wstring ExtractFileDrive(const wchar_t *path);   // up to and with the first ":"
std::wstring GetAppCurPath();
std::wstring ExpandFileName(const wchar_t *name);
std::wstring CollapseFileName(const wchar_t *path);
void createPath(const wchar_t *path);
void createPathA(const char *path);

bool FileExistW(const wchar_t *path);
bool FileExist(const char *path);
bool DirectoryExist(const wchar_t *path);
bool FileReadable(const wchar_t *path);
// Opens for appending, so the test never truncates the file.
bool FileWritable(const wchar_t *path);
long long GetFileSize(const wchar_t *path);

// "%.2fB", "%.2fKB", "%.2fMB", "%.2fGB".
std::wstring AdjustFileSize(long long bytes);
// "hh:mm:ss" of milliseconds, with ".zzz" for the long form.
std::string Ms2String(long long ms, bool withMilliseconds);
// Milliseconds of "[[h:]m:]s[.fraction]"; the fraction is a decimal part of
// a second ("1.5" is 1500).
long long String2Ms(const char *text);
