#pragma once
// Preview pane of the editor: the picture of the media being edited in a
// letter-boxing element window, or for sound its playing waveform, both fed
// by the editor's preview engine.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class JXPlayerManager;
class QAudioWaveWidget;
class QMediaElementWindow;

class QMediaForm : public QWidget
{
    Q_OBJECT
public:
    enum OperationType { Preview = 0, Waveform = 1, None = 2 };

    explicit QMediaForm(QWidget *parent = nullptr);
    QMediaForm(JXPlayerManager *playerManager, QWidget *parent);

    // Binds the pane to the engine (null unbinds): the engine draws its
    // preview pictures into the element window and its wave data into the
    // waveform.
    void setPlayerManager(JXPlayerManager *playerManager);
    // 0 preview picture (the waveform when the media has none; the element
    // window makes its frame display, and so loads GL, the first time), 1 waveform,
    // 2 nothing; other values are only stored.
    void setOperationType(int type);
    int operationType() const { return m_operationType; }

    QAudioWaveWidget *waveWidget() const { return m_wave; }
    QMediaElementWindow *elementWindow() const { return m_element; }

public slots:
    void isHaveVideo(bool hasVideo);
    void audioData(QByteArray block, int rate);
    void playerChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUi();

    bool m_hasVideo = true;
    QAudioWaveWidget *m_wave = nullptr;
    QMediaElementWindow *m_element = nullptr;
    QPointer<JXPlayerManager> m_manager;
    int m_operationType = Preview;
    QPixmap m_background;
};
