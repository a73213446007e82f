#pragma once
// A self-contained message dialog driven by a word of style bits: it paints
// its own nine-piece background, title and word-wrapped message, sizes and
// centres itself from the message's length and is dragged by its top band.

#include <QDialog>
#include <QRect>
#include <memory>

#include "widgetkit/qbasedrawwidget.h"

namespace Ui {
class QJXMessageDlg;
}

class QJXMessageDlg : public QDialog
{
    Q_OBJECT

public:
    enum StyleBits : unsigned {
        StyleIcon = 0x2,
        StyleWarning = 0x10,
        StyleSuccess = 0x20,
        StyleOkCancel = 0x100,
        StyleRestart = 0x200,
        StyleYesNo = 0x400
    };

    explicit QJXMessageDlg(QWidget *parent = nullptr);
    ~QJXMessageDlg() override;

    void SetTitle(const QString &title);
    void SetMessage(const QString &message);
    void SetMessageStyle(unsigned int style);
    void SetCenterScreen(bool centre);
    void GetAppPath(QString &path) const;
    void setBackgroundImage(const QString &path);
    void setGridViewInfo(rectSize topLeft, rectSize topRight, rectSize bottomLeft, rectSize bottomRight);
    // Double-resolution picture stretched along one edge by DrawTop and its
    // siblings; the dialog's own painting draws none.
    void setEdgeImage(Qt::Edge edge, const QImage &image);
    void InitConnects();

    QRect messageRect() const { return m_messageRect; }
    QRect titleRect() const { return m_titleRect; }
    QRect windowRect() const { return m_windowRect; }

public slots:
    void OnBtnOk();
    void OnBtnCancel();
    void OnBtnClose();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    void DrawBackground(QPainter &painter);
    void DrawBorder(QPainter &painter);
    // Each draws its edge picture when one is set.
    void DrawTop(QPainter &painter);
    void DrawBottom(QPainter &painter);
    void DrawLeft(QPainter &painter);
    void DrawRight(QPainter &painter);
    void DrawTexts(QPainter &painter);

private:
    void LoadBorderImg();
    void InitMessageRect();
    void InitButton();
    void InitIcon();
    void SetButtonPos();
    QRect desktopRect() const;

    std::unique_ptr<Ui::QJXMessageDlg> m_ui;
    QRect m_dragRect;
    QString m_resourcePath;
    QString m_title;
    QString m_message;
    QRect m_titleRect;
    QRect m_messageRect;
    QFont m_titleFont;
    QFont m_messageFont;
    std::unique_ptr<QPixmap> m_icon;
    QRect m_windowRect;
    QImage m_background;
    QImage m_edgeTop;
    QImage m_edgeBottom;
    QImage m_edgeLeft;
    QImage m_edgeRight;
    rectSize m_corners[4];
    QRect m_baseRect { QPoint(0, 0), QPoint(260, 160) };
    unsigned int m_style = 0;
    bool m_dragging = false;
    bool m_centreOnScreen = true;
};

// Run a message dialog modally; the result is the code of the button that ended it.
int ShowMessage(const char *message, const char *title, unsigned int style, bool onTop);
int ShowMessage(const QString &message, const QString &title, unsigned int style, bool onTop);
