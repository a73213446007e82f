#include "library/qrowsearch.h"

#include "library/qaudiofilechunk.h"

namespace {
char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The name as its cell shows it: without the last extension.
std::string_view shownName(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}
} // namespace

void QRowSearch::setText(const QString &text)
{
    m_text = text;
    m_folded = text.toCaseFolded();
    const QByteArray utf8 = m_folded.toUtf8();
    m_isAscii = isAscii(std::string_view(utf8.constData(), size_t(utf8.size())));
    m_ascii = m_isAscii ? utf8.toStdString() : std::string();
}

bool QRowSearch::inText(std::string_view text) const
{
    if (m_isAscii) {
        // One pass: a plain ASCII text is searched byte by byte; the first
        // byte of another character hands the text to QString.
        const size_t n = m_ascii.size();
        const char first = m_ascii.front();
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (static_cast<unsigned char>(c) >= 0x80)
                return QString::fromUtf8(text.data(), int(text.size())).contains(m_text, Qt::CaseInsensitive);
            if (lower(c) != first || i + n > text.size())
                continue;
            size_t k = 1;
            while (k < n && lower(text[i + k]) == m_ascii[k])
                ++k;
            if (k == n)
                return true;
        }
        return false;
    }
    // Plain ASCII folds to plain ASCII: only another text can hold it.
    if (isAscii(text))
        return false;
    return QString::fromUtf8(text.data(), int(text.size())).contains(m_text, Qt::CaseInsensitive);
}

bool QRowSearch::matches(const QAudioFileChunk &row) const
{
    return matches(row.texts());
}

bool QRowSearch::matches(const QRowTexts &texts) const
{
    if (m_text.isEmpty())
        return true;
    return inText(shownName(texts.view(QRowTexts::FileName))) || inText(texts.view(QRowTexts::Extension))
           || inText(texts.view(QRowTexts::Artist)) || inText(texts.view(QRowTexts::Album))
           || inText(texts.view(QRowTexts::PlayTime)) || inText(texts.view(QRowTexts::CreateTime));
}
