#pragma once
// The application's message box: a drawn dialog with a title, an optional
// status icon, a message wrapped to at most 500 pixels a line, a close button
// and one of three sets of result buttons. ShowMessage runs one modally and
// returns the code of the button that ended it.

#include "widgetkit/qjxdialog.h"
#include "widgetkit/qjxmessageboxoption.h"

#include <QList>

class QFontMetrics;
class QJXBaseButton;

class QJXMessageBox : public QJXDialog
{
    Q_OBJECT

public:
    enum Icon { NoIcon = 0, Warning = 1, Information = 2, Success = 3, Error = 4, Help = 5 };
    enum ButtonStyle { NoButton = 0, OkButton = 1, CancelButton = 2, YesNoButton = 4 };
    // Result codes: the values of QMessageBox::StandardButton.
    enum Result { ResultOk = 0x400, ResultCancel = 0x400000, ResultYes = 0x4000,
                  ResultNo = 0x10000, ResultClose = 0x200000 };
    using OptionCallback = void (*)(QJXMessageBoxOption *);

    explicit QJXMessageBox(QWidget *parent = nullptr);
    ~QJXMessageBox() override;

    static int ShowMessage(QWidget *parent, const QString &message, const QString &title,
                           int icon, int buttonStyle);
    static void setOptionCallback(OptionCallback callback);

    void setTitle(const QString &title);
    QString getTitle() const;
    void setMessage(const QString &message);
    QString getMessage() const;
    void setMessageIcon(int icon);
    int getMessageIcon() const;
    void setButtonStyle(int style);
    QJXBaseButton *addButton(const QString &text, int result);
    void releaseBtnList();
    QList<QJXBaseButton *> buttons() const { return m_buttons; }
    QJXBaseButton *closeButton() const { return m_btnClose; }

    void setButtonColor(const QColor &normal, const QColor &hover, const QColor &pressed,
                        const QColor &disabled);
    void setTitleFont(const QFont &font);
    void setMessageFont(const QFont &font);
    QFont messageFont() const;
    void setPalette(const QPalette &palette);
    void setMessageBoxOption(QJXMessageBoxOption option);
    QJXMessageBoxOption getMessageBoxOption() const;

    QRect getIconRect() const { return m_iconRect; }
    QRect getTextRect() const { return m_textRect; }
    QRect getBtnRect() const;
    QSize minimumBoxSize() const { return m_minSize; }
    QSize textSize() const { return m_textSize; }
    QString displayText() const { return m_displayText; }

    // One paragraph wrapped so that no line is wider than maxWidth, save a
    // line of a single character.
    static QString wrapParagraph(const QString &paragraph, const QFontMetrics &metrics, int maxWidth);

    void resetControlLocation() override;

public slots:
    void OnBtnClose();
    void OnBtnDone();

protected slots:
    virtual void drawIcon(QPainter *painter);
    virtual void drawMessage(QPainter *painter);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void initMinSize();
    void initIcon();
    void calcTextSize();
    void calcBoxRect();
    void placeOnFirstShow();

    static OptionCallback s_pMessageBoxOptionCallback;

    QImage *m_iconImage = nullptr;
    QString m_message;
    int m_icon = NoIcon;
    QRect m_iconRect;
    QJXBaseButton *m_btnClose = nullptr;
    QList<QJXBaseButton *> m_buttons;
    int m_buttonStyle = OkButton;
    QJXMessageBoxOption m_option;
    int m_minButtonWidth = 80;
    QSize m_minSize;
    bool m_shownOnce = false;
    QSize m_textSize { -1, -1 };
    QString m_displayText;
    QRect m_textRect;
    int m_maxTextWidth = 500;
    int m_textInset = 0;
};
