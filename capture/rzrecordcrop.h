#pragma once
// Puts the area-selection view on screen for Qt code: owns the overlay window
// and its view, converts rectangles between the widgets' top-left integers and
// the view's bottom-left coordinates, and turns the view's callbacks into
// signals.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class AreaSelectionView;
class TransparentOverlayWindow;

class RZRecordCrop : public QObject
{
    Q_OBJECT
public:
    explicit RZRecordCrop(QObject *parent = nullptr);
    ~RZRecordCrop() override;

    void show();
    void hide();
    void setHidden(bool hidden);

    void showPointGetRectMode(bool on);
    void showStartRecordMode(bool on);
    void showPauseRecordMode(bool on);

    void setRecordRect(const QPoint &pos, const QSize &size);
    void setRecordRect(int x, int y, int w, int h);
    QRect getRecordRect() const;
    void setKeepScale(bool keep);
    void setArrowImage(const QString &path);
    void setFrameColor(const QColor &color);
    QColor getFrameColor() const;

    void seedSelectAreaRect(const QRect &rect) { emit emitSelectAreaRect(rect); }
    void seedRecordRect(const QRect &rect) { emit emitRecordRect(rect); }

    AreaSelectionView *view() const { return m_view; }
    QWidget *window() const;

signals:
    void emitSelectAreaRect(QRect rect);
    void emitRecordRect(QRect rect);

public slots:
    void RefreshPreviousArea() {}

private:
    static void SelectAreaRectCallback(const QRectF &rect, void *owner);
    static void SelectRectChangeCallback(const QRectF &rect, void *owner);
    int screenHeight() const;

    std::unique_ptr<TransparentOverlayWindow> m_window;
    AreaSelectionView *m_view = nullptr;
};

class QRecordCropDlg : public RZRecordCrop
{
    Q_OBJECT
public:
    explicit QRecordCropDlg(QObject *parent = nullptr) : RZRecordCrop(parent) {}
};
