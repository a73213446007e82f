#include "convert/jxconverterobject.h"

#include "recorder/cavencodeparam.h"

#include <QFile>

void convertPro(unsigned int progress, void *user, convertState state)
{
    if (user)
        static_cast<JXConverterObject *>(user)->setConverProgress(progress, state);
}

JXConverterObject::JXConverterObject(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<convertState>("convertState");
    qRegisterMetaType<uint32_t>("uint32_t");
    connect(this, SIGNAL(seedConvertPro(uint32_t, convertState)), this,
            SLOT(UpdataConverPro(uint32_t, convertState)), Qt::AutoConnection);
}

JXConverterObject::~JXConverterObject()
{
    DestroyAVConverter(m_converter);
}

void JXConverterObject::setConvertParamConfig(ConvertConfig config)
{
    m_config = config;
}

ConvertConfig JXConverterObject::getConvertParamConfig() const
{
    return m_config;
}

void JXConverterObject::setConverProgress(unsigned int progress, convertState state)
{
    emit seedConvertPro(progress, state);
}

QString JXConverterObject::numberedPath(const QString &folder, const QString &fileName,
                                        const QString &word, QString &outName)
{
    const int dot = fileName.lastIndexOf('.');
    const QString extension = dot >= 0 ? fileName.mid(dot + 1) : QString();
    QString base = dot >= 0 ? fileName.left(dot) : fileName;
    // A name made by an earlier job of this kind does not grow.
    const int earlier = base.lastIndexOf(word);
    if (earlier >= 0)
        base = base.left(earlier);
    QString path;
    for (qint64 n = 1;; ++n) {
        const QString number = QString("%1").arg(n, 3, 10, QChar('0'));
        if (dot >= 0) {
            path = QString("%1%2" + word + "_%3.%4").arg(folder, base, number, extension);
            outName = QString("%1" + word + "_%2.%3").arg(base, number, extension);
        } else {
            path = QString("%1%2" + word + "_%3").arg(folder, base, number);
            outName = QString("%1" + word + "_%2").arg(base, number);
        }
        if (!QFile::exists(path))
            return path;
    }
}

QString JXConverterObject::getOutputPath(QString folder, QString fileName, QString &outName)
{
    return numberedPath(folder, fileName, QStringLiteral("_Trim"), outName);
}

QString JXConverterObject::getEditOutputPath(QString folder, QString fileName, QString &outName)
{
    return numberedPath(folder, fileName, QStringLiteral("_Edit"), outName);
}

void JXConverterObject::startToConverter()
{
    const QByteArray source = m_config.sourcePath.toUtf8();
    if (!m_config.param)
        m_config.param = new CAVEncodeParam; // the output's extension decides the format
    CAVEncodeParam *param = m_config.param;
    const bool trim = param->editConfig.startTime != 0 || param->editConfig.endTime != 0
                      || param->plainCut;
    QString outName;
    QString outPath;
    if (trim) {
        param->tags.clear();
        outPath = getOutputPath(m_config.outputFolder, m_config.sourceFileName, outName);
    } else {
        outPath = getEditOutputPath(m_config.outputFolder, m_config.sourceFileName, outName);
    }
    m_config.outputFileName = outName;
    m_config.outputPath = outPath;

    DestroyAVConverter(m_converter); // stops a job still running first
    m_converter = CreateAVConverter();
    emit emitConvertedStart();
    if (!m_converter->StartConvert(source.constData(), outPath.toUtf8().constData(), param, this,
                                   convertPro, false))
        emit emitConvertedFinish(false);
}

void JXConverterObject::onCancelConvert()
{
    if (!m_converter)
        return;
    m_converter->StopConvert();
    DestroyAVConverter(m_converter);
    m_converter = nullptr;
}

void JXConverterObject::UpdataConverPro(uint32_t progress, convertState state)
{
    emit emitConvertProgress(progress);
    if (state == convertProgress)
        return;
    emit emitConvertedFinish(state == convertFinished);
}
