#include "library/qfiledisposal.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/librarylog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

QFileDisposal::QFileDisposal(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_taken)
            return;
        m_taken = true;
        emit disposed(m_watcher.result());
    });
}

QFileDisposal::~QFileDisposal()
{
    m_watcher.waitForFinished();
}

void QFileDisposal::start(const QVector<Request> &files, const QString &outputFolder)
{
    m_taken = false;
    m_watcher.setFuture(QtConcurrent::run([files, outputFolder] {
        Outcomes outcomes;
        outcomes.reserve(files.size());
        for (const Request &file : files) {
            Outcome outcome;
            outcome.path = file.path;
            outcome.gone = disposeFile(file.path, file.bound, outputFolder, &outcome.reason);
            outcomes.append(std::move(outcome));
        }
        return outcomes;
    }));
}

QFileDisposal::Outcomes QFileDisposal::finish()
{
    m_watcher.waitForFinished();
    if (m_taken || m_watcher.future().resultCount() == 0)
        return {};
    m_taken = true;
    return m_watcher.result();
}

void QFileDisposal::disposeFiles(const QStringList &paths)
{
    const QString output = QConverterOperate::getConverterPath();
    for (const QString &path : paths) {
        QString reason;
        if (!disposeFile(path, QVideoSettingXml::getPreferencePath(path), output, &reason))
            qCWarning(lcLibrary) << "cannot delete" << path << reason;
    }
}

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

bool QFileDisposal::disposeFile(const QString &path, const QString &bound, const QString &outputFolder,
                                QString *reason)
{
    QFile file(path);
    if (!file.remove()) {
        // Already gone counts as deleted: nothing stays listed without its
        // file. A link left dangling is still there.
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink()) {
            if (reason)
                *reason = file.errorString();
            return false;
        }
        return true;
    }
    const QString stop = folderText(bound);
    // Compared as real folders, so that a link or "." in a path cannot hide
    // that a folder is the output folder or holds it.
    const QString output = outputFolder.isEmpty() ? QString()
                                                  : QFileInfo(outputFolder).canonicalFilePath();
    QString folder = folderText(QFileInfo(path).absolutePath());
    while (!folder.isEmpty() && folder.compare(stop, Qt::CaseInsensitive) != 0) {
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || real == QDir::rootPath())
            break;
        if (!output.isEmpty() && (output == real || output.startsWith(real + QLatin1Char('/'))))
            break;
        QDir dir(folder);
        if (!dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                 .isEmpty())
            break;
        if (!dir.rmdir(folder))
            break;
        const int slash = folder.lastIndexOf(QLatin1Char('/'), folder.size() - 2);
        if (slash < 0)
            break;
        folder = folder.left(slash + 1);
    }
    return true;
}
