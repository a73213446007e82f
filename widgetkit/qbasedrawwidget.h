#pragma once
// The frameless-window engine mixed into every window, dialog and pane: it
// paints the nine-piece background (or a flat colour), a logo and a title,
// and for top-level windows moves them by their top band, resizes them from
// their edges and corners and toggles a screen-filling geometry.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <memory>

class QDialog;
class QFocusEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QWidget;

struct rectSize
{
    int width = 0;
    int height = 0;
};

class QBaseDrawWidget
{
public:
    enum dlgType { DlgMainWindow = 0, DlgDialog = 1, DlgPane = 2 };
    // Bit 1: left and right edges resize; bit 2: top and bottom edges.
    enum enumStretchPolicy { StretchNone = 0, StretchLeftRight = 1, StretchTopBottom = 2, StretchAll = 3 };
    enum CursorAndState {
        CursorNone = 0,
        CursorLeft = 1,
        CursorTopLeft = 2,
        CursorTop = 3,
        CursorTopRight = 4,
        CursorRight = 5,
        CursorBottomRight = 6,
        CursorBottom = 7,
        CursorBottomLeft = 8,
        CursorNoResize = 9
    };

    QBaseDrawWidget(QWidget *owner, dlgType type);
    virtual ~QBaseDrawWidget();
    QBaseDrawWidget(const QBaseDrawWidget &) = delete;
    QBaseDrawWidget &operator=(const QBaseDrawWidget &) = delete;

    void setDrawWidget(QWidget *owner);
    QWidget *DrawWiget() const;

    // Settings; those that change the look repaint the owner at once.
    void setMoveTopHeight(int height);
    int moveTopHeight() const;
    void setStretchWidth(int width);
    int stretchWidth() const;
    void setStretchPolicy(enumStretchPolicy policy);
    int stretchPolicy() const;
    bool isMaxSize() const;
    CursorAndState cursorAndState() const;
    void setTransparentW(int all);
    void setTransparentW(int left, int top, int right, int bottom);

    // The picture has `scale` image pixels per logical pixel (the art is
    // drawn at 2; a single-resolution copy at 1 decodes in a quarter of the time).
    void setBackgroundImage(const QString &path, bool grid, int scale = 2);
    void setBackgroundImage(const QImage &image, bool grid, int scale = 2);
    void changeBackgroundImage(const QImage &image);
    void setGridViewInfo(rectSize topLeft, rectSize topRight, rectSize bottomLeft, rectSize bottomRight);
    void setBackgrounColor(const QColor &colour);
    QColor backgroundColor() const;

    void setLogoImage(const QString &path);
    void setLogoImage(const QImage &image);
    void setLogoRect(const QRect &rect);
    QRect logoRect() const;
    void setTitleRect(const QRect &rect);
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const;
    void setDlgTitle(const QString &title);
    QString getDlgTitle() const;

    // Event entry points, called by the window bases after Qt's own handler.
    void mousePressEvent(QMouseEvent *event);
    void mouseMoveEvent(QMouseEvent *event);
    void mouseReleaseEvent(QMouseEvent *event);
    void mouseDoubleClickEvent(QMouseEvent *event);
    void focusOutEvent(QFocusEvent *event);
    void paintEvent(QPaintEvent *event);

    // Centres the dialog on the owner, kept on the owner's screen.
    void CenterDlg(QDialog &dialog);

    // The window edges a resize state grabs (for the window system's resize).
    static Qt::Edges edgesOfState(int state);

    // A see-through top-level window without a compositing manager paints
    // every pixel opaque, its margins in the colour of its middle.
    bool drawsOpaque() const;
    QColor opaqueColour() const;

    virtual void resetControlLocation() {}
    virtual void OnBtnMax();
    virtual void setCursorType(CursorAndState state);
    virtual void setCursorAndState(QMouseEvent *event);
    virtual void setFrameGeomtry(QMouseEvent *event);
    virtual void DrawLogo(QPainter &painter);
    virtual void DrawWgtText(QPainter &painter);

private:
    struct Private;
    void repaintOwner();
    void startSystemMoveOrResize();
    std::unique_ptr<Private> d;
};
