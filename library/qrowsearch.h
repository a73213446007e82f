#pragma once
// The search of the recordings table: a text looked for, as typed and in any
// letter case, in the texts a row shows (name, format, artist, album,
// duration, created time). Read straight from the row's UTF-8, so that a
// search through a large library makes no string per row.

#include "library/qrowtexts.h"

#include <QString>

#include <string>
#include <string_view>

class QAudioFileChunk;

class QRowSearch
{
public:
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    // The row shows the text in one of its cells.
    bool matches(const QAudioFileChunk &row) const;
    // The same of a row's texts, on any thread (a copy of the search and
    // of the texts is all it reads).
    bool matches(const QRowTexts &texts) const;

private:
    bool inText(std::string_view text) const;

    QString m_text;
    // The text case-folded; its UTF-8 when that is plain ASCII.
    QString m_folded;
    std::string m_ascii;
    bool m_isAscii = false;
};
