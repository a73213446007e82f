#pragma once
// Line edit whose frame is drawn from an image; the text itself stays
// QLineEdit's, painted over the drawn frame.

#include "widgetkit/qjxbaserectimagedraw.h"

#include <QLineEdit>

class QJXLineEdit : public QLineEdit, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    explicit QJXLineEdit(QWidget *parent = nullptr);
    ~QJXLineEdit() override;

    void setBackgroundImage(QString path);
    // Digits only, with at least one non-zero digit.
    void onlyInputNumber();
    void setAlignment(Qt::Alignment alignment);
    void setPalette(const QPalette &palette);
    void setPlaceholderText(const QString &text);
    // While on, an empty unfocused edit shows its placeholder in this colour.
    void setPlaceholderTextColor(QColor color, bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setTextRoleColor(const QColor &color);

    struct Data;
    Data *d;
};

// A line edit with a fixed symbol text drawn over it.
class QJXLineEditEx : public QJXLineEdit
{
    Q_OBJECT
public:
    explicit QJXLineEditEx(QWidget *parent = nullptr);

    void setSymbol(QString symbol);
    void setSymbolColor(QColor color);
    void setSymbolFont(QFont font);
    void setSymbolAlignment(Qt::Alignment alignment);
    void setSymbolDrawTextMargins(int left, int top, int right, int bottom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QString m_symbol;
    QColor m_symbolColor = QColor(255, 0, 0);
    QFont m_symbolFont;
    int m_symbolAlignment = Qt::AlignRight | Qt::AlignVCenter;
    QRect m_symbolRect;
    qint16 m_symbolMargins[4] = {1, 1, 1, 1};
};
