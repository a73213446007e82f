#pragma once
// Preview pane of the editor: the picture of the media being edited in a
// letter-boxing element window, or for sound its playing waveform.
//
// The pane is bound to the editor's preview engine by Qt's meta-object system
// rather than by type, because the engine itself is built on the element
// window: it must emit emitIsHaveVideo(bool), emitAudioData(unsigned char*,int)
// and emitPlayerChange(), and offer setMediaPreviewWindow(QMediaElementWindow*),
// setMediaOriginalWindow(QMediaElementWindow*) and resizeVideoWindow() as slots
// or invokable methods.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QAudioWaveWidget;
class QMediaElementWindow;

class QMediaForm : public QWidget
{
    Q_OBJECT
public:
    enum OperationType { Preview = 0, Waveform = 1, None = 2 };

    explicit QMediaForm(QWidget *parent = nullptr);
    QMediaForm(QObject *playerManager, QWidget *parent);

    // Binds the pane to the engine; null unbinds. False, and no engine, when
    // the object lacks a signal or method named above.
    bool setPlayerManager(QObject *playerManager);
    void setOperationType(int type);
    int operationType() const { return m_operationType; }

    QAudioWaveWidget *waveWidget() const { return m_wave; }
    QMediaElementWindow *elementWindow() const { return m_element; }

public slots:
    void isHaveVideo(bool hasVideo);
    void audioData(unsigned char *block, int rate);
    void playerChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUi();
    bool callEngine(const char *method, QMediaElementWindow *window, bool withWindow);

    bool m_hasVideo = true;
    QAudioWaveWidget *m_wave = nullptr;
    QMediaElementWindow *m_element = nullptr;
    QPointer<QObject> m_manager;
    int m_operationType = Preview;
    QPixmap m_background;
};
