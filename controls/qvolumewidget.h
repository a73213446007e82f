#pragma once
// The small vertical volume slider that pops up above a volume button. It
// only hosts and lays out the slider and hides itself when its window loses
// activation; the owner configures the slider, listens to it, places and
// shows the popup.

#include <QWidget>

class QJXBaseSlider;

class QVolumeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QVolumeWidget(QWidget *parent = nullptr);
    ~QVolumeWidget() override;

    QJXBaseSlider *GetSlider() const;

    // The volume button's picture for a volume fraction 0.0..1.0 (a path
    // under the resource folder); shared by every owner of a popup.
    static QString buttonImageFor(double fraction);
    // Top-left corner, in the coordinates of the button's parent, that puts
    // a popup of the given size centred just above the button.
    static QPoint popupPosition(const QRect &button, const QSize &popup);

signals:
    void emitVolumeChange(double value);

public slots:
    void OnSetVolume(double value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutSlider();
    QJXBaseSlider *m_slider = nullptr;
};
