#pragma once
// The file one archive entry is extracted into. Its bytes go to a temporary
// file beside it, which takes the entry's name only once they are whole and
// checked, so that a failed entry leaves nothing and no one sees half a file.
//
// Only a file that replaces another waits for the disk before it takes its
// name: the old bytes are gone once it does. A new name is taken at once; a
// crash before the bytes reach the disk loses nothing the archive does not
// still hold, and extraction does not wait for the disk after every entry.

#include <QByteArray>
#include <QString>

class ExtractedFile
{
public:
    explicit ExtractedFile(const QString &path);
    // Removes the temporary file unless it was committed.
    ~ExtractedFile();
    ExtractedFile(const ExtractedFile &) = delete;
    ExtractedFile &operator=(const ExtractedFile &) = delete;

    // False with error() set when the temporary file cannot be made, or the
    // name is a folder's.
    bool open();
    // Writes all of data; false with error() set when it could not.
    bool write(const char *data, qint64 size);
    enum class Commit { Done, NameTaken, Failed };
    // Gives the bytes the entry's name. With replace, what is there goes
    // (its permissions kept); without, a file at the name, one that came
    // meanwhile included, stays and the bytes are dropped (NameTaken).
    // Failed with error() set when they could not be saved.
    Commit commit(bool replace);
    // The errno of the last failure.
    int error() const { return m_error; }

private:
    bool fail();
    Commit failed();
    // Moves the temporary file onto its name unless something is there
    // (false with errno EEXIST).
    bool moveWithoutReplacing();

    QByteArray m_path;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_error = 0;
};
