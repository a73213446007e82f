#include "widgetkit/views/qmediaform.h"

#include "media/jxplayermanager.h"
#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qmediaelementwindow.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QCoreApplication>
#include <QPainter>
#include <QVBoxLayout>

QMediaForm::QMediaForm(QWidget *parent) : QWidget(parent)
{
    setupUi();
}

QMediaForm::QMediaForm(JXPlayerManager *playerManager, QWidget *parent) : QWidget(parent)
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

void QMediaForm::setPlayerManager(JXPlayerManager *playerManager)
{
    if (m_manager)
        disconnect(m_manager, nullptr, this, nullptr);
    m_manager = playerManager;
    if (!m_manager)
        return;
    connect(m_manager, &JXPlayerManager::emitIsHaveVideo, this, &QMediaForm::isHaveVideo);
    connect(m_manager, &JXPlayerManager::emitAudioData, this, &QMediaForm::audioData);
    connect(m_manager, &JXPlayerManager::emitPlayerChange, this, &QMediaForm::playerChange);
    m_manager->setMediaPreviewWindow(m_element);
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
            m_element->showPicture();
            if (m_manager)
                m_manager->setMediaOriginalWindow(nullptr);
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

void QMediaForm::audioData(QByteArray block, int rate)
{
    m_wave->setAudioData(block.isEmpty() ? nullptr : reinterpret_cast<unsigned char *>(block.data()),
                         rate);
}

void QMediaForm::playerChange()
{
    if (m_manager)
        m_manager->resizeVideoWindow();
}

void QMediaForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_wave->setGeometry(6, 0, width() - 12, height());
    if (m_manager)
        m_manager->resizeVideoWindow();
}

void QMediaForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!m_background.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), m_background);
    }
}
