#include "library/qfiledisposal.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString QFileDisposal::folderText(const QString &folder)
{
    QString text = folder;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (text.contains(QLatin1String("//")))
        text.replace(QLatin1String("//"), QLatin1String("/"));
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

void QFileDisposal::disposeFiles(const QStringList &paths, int mode)
{
    if (mode != 2)
        return;
    const QString output = QConverterOperate::getConverterPath();
    for (const QString &path : paths)
        disposeFile(path, QVideoSettingXml::getPreferencePath(path), output);
}

void QFileDisposal::disposeFile(const QString &path, const QString &bound, const QString &outputFolder)
{
    if (QFileInfo::exists(path))
        QFile::remove(path);
    const QString stop = folderText(bound);
    // Compared as real folders, so that a link or "." in a path cannot hide
    // that a folder is the output folder or holds it.
    const QString output = outputFolder.isEmpty() ? QString()
                                                  : QFileInfo(outputFolder).canonicalFilePath();
    QString folder = folderText(QFileInfo(path).absolutePath());
    while (!folder.isEmpty() && folder.compare(stop, Qt::CaseInsensitive) != 0) {
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || real == QDir::rootPath())
            return;
        if (!output.isEmpty() && (output == real || output.startsWith(real + QLatin1Char('/'))))
            return;
        QDir dir(folder);
        if (!dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                 .isEmpty())
            return;
        if (!dir.rmdir(folder))
            return;
        const int slash = folder.lastIndexOf(QLatin1Char('/'), folder.size() - 2);
        if (slash < 0)
            return;
        folder = folder.left(slash + 1);
    }
}
