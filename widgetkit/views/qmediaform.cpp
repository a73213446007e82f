#include "widgetkit/views/qmediaform.h"

#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qmediaelementwindow.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QPainter>
#include <QStringList>
#include <QVBoxLayout>

QMediaForm::QMediaForm(QWidget *parent) : QWidget(parent)
{
    setupUi();
}

QMediaForm::QMediaForm(QObject *playerManager, QWidget *parent) : QWidget(parent)
{
    setupUi();
    setPlayerManager(playerManager);
}

void QMediaForm::setupUi()
{
    resize(703, 272);
    setWindowTitle(QCoreApplication::translate("QMediaForm", "Form"));
    m_background = QPixmap(QUiAnyUtiliy::getResourcePath() + "/image/common/bg_gradual.png");

    AudioDataAttribute attribute;
    attribute.showPeak = false;
    attribute.peakGravity = 1;
    attribute.drawMode = 1;
    attribute.barWidth = 2;
    attribute.cellHeight = 1;
    attribute.barSpacing = 6;
    attribute.cellSpacing = 1;
    attribute.cornerRadius = 0.0;
    attribute.barColor = QColor(255, 132, 65);
    attribute.peakColor = QColor(243, 228, 142);
    m_wave = new QAudioWaveWidget(this, &attribute);
    m_wave->setObjectName(QStringLiteral("m_waveWidget"));
    m_wave->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_wave->setGeometry(6, 6, 390, 80);
    m_wave->hide();

    m_element = new QMediaElementWindow(this);
    m_element->setObjectName(QStringLiteral("m_elementWindow"));
    m_element->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_element->setWindowFlags(m_element->windowFlags() | Qt::FramelessWindowHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_element);
}

bool QMediaForm::callEngine(const char *method, QMediaElementWindow *window, bool withWindow)
{
    const bool ok = withWindow
                        ? QMetaObject::invokeMethod(m_manager, method, Qt::DirectConnection,
                                                    Q_ARG(QMediaElementWindow *, window))
                        : QMetaObject::invokeMethod(m_manager, method, Qt::DirectConnection);
    if (!ok)
        qWarning("Preview pane: the preview engine has no method %s", method);
    return ok;
}

bool QMediaForm::setPlayerManager(QObject *playerManager)
{
    if (m_manager)
        disconnect(m_manager, nullptr, this, nullptr);
    m_manager = nullptr;
    if (!playerManager)
        return true;
    const QMetaObject *meta = playerManager->metaObject();
    QStringList missing;
    for (const char *signal :
         {"emitIsHaveVideo(bool)", "emitAudioData(unsigned char*,int)", "emitPlayerChange()"})
        if (meta->indexOfSignal(signal) < 0)
            missing << QString::fromLatin1(signal);
    for (const char *method : {"setMediaPreviewWindow(QMediaElementWindow*)",
                               "setMediaOriginalWindow(QMediaElementWindow*)",
                               "resizeVideoWindow()"})
        if (meta->indexOfMethod(method) < 0)
            missing << QString::fromLatin1(method);
    if (!missing.isEmpty()) {
        qWarning("Preview pane: %s is not a preview engine, it lacks %s", meta->className(),
                 qPrintable(missing.join(QStringLiteral(", "))));
        return false;
    }
    m_manager = playerManager;
    connect(m_manager, SIGNAL(emitIsHaveVideo(bool)), this, SLOT(isHaveVideo(bool)));
    connect(m_manager, SIGNAL(emitAudioData(unsigned char *, int)), this,
            SLOT(audioData(unsigned char *, int)));
    connect(m_manager, SIGNAL(emitPlayerChange()), this, SLOT(playerChange()));
    return callEngine("setMediaPreviewWindow", m_element, true);
}

void QMediaForm::setOperationType(int type)
{
    m_operationType = type;
    switch (type) {
    case None:
        m_element->hide();
        m_wave->hide();
        break;
    case Preview:
        if (m_hasVideo) {
            m_element->show();
            if (m_manager)
                callEngine("setMediaOriginalWindow", nullptr, true);
            m_wave->hide();
            break;
        }
        Q_FALLTHROUGH();
    case Waveform:
        m_element->hide();
        m_wave->show();
        m_wave->raise();
        break;
    default:
        break;
    }
}

void QMediaForm::isHaveVideo(bool hasVideo)
{
    m_hasVideo = hasVideo;
}

void QMediaForm::audioData(unsigned char *block, int rate)
{
    m_wave->setAudioData(block, rate);
}

void QMediaForm::playerChange()
{
    if (m_manager)
        callEngine("resizeVideoWindow", nullptr, false);
}

void QMediaForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_wave->setGeometry(6, 0, width() - 12, height());
    if (m_manager)
        callEngine("resizeVideoWindow", nullptr, false);
}

void QMediaForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!m_background.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), m_background);
    }
}
