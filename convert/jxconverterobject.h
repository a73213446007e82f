#pragma once
// The conversion job of the recordings table: names the copy, runs one
// converter at a time and turns its worker-thread reports into signals on
// the GUI thread.

#include "convert/convertconfig.h"
#include "convert/iavconverter.h"

#include <QObject>

#include <cstdint>

class JXConverterObject : public QObject
{
    Q_OBJECT

public:
    explicit JXConverterObject(QObject *parent = nullptr);
    ~JXConverterObject() override;

    void setConvertParamConfig(ConvertConfig config);
    ConvertConfig getConvertParamConfig() const;

    // Starts the held request; the outcome arrives as signals.
    void startToConverter();

    // Output names of trim and edit jobs: the first free numbered path in
    // `folder`; `outName` receives the file name alone.
    static QString getOutputPath(QString folder, QString fileName, QString &outName);
    static QString getEditOutputPath(QString folder, QString fileName, QString &outName);

    // Hands a worker report on as a queued signal.
    void setConverProgress(unsigned int progress, convertState state);

public slots:
    // Returns once the worker has acknowledged the stop.
    void onCancelConvert();
    void UpdataConverPro(uint32_t progress, convertState state);

signals:
    void emitConvertedStart();
    void emitConvertedFinish(bool success);
    void emitConvertProgress(uint percent);
    void seedConvertPro(uint32_t progress, convertState state);

private:
    static QString numberedPath(const QString &folder, const QString &fileName,
                                const QString &word, QString &outName);

    ConvertConfig m_config;
    IAVConverter *m_converter = nullptr;
};

// The converter's callback; `user` is the job object.
void convertPro(unsigned int progress, void *user, convertState state);
