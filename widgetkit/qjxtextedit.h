#pragma once
// A QTextEdit inside a frame drawn from an image.

#include "widgetkit/qjxbaserectimagedraw.h"

#include <QWidget>

class QTextEdit;

class QJXTextEdit : public QWidget, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    explicit QJXTextEdit(QWidget *parent = nullptr);
    ~QJXTextEdit() override;

    QTextEdit *textEdit() const;
    void setBackgroundImage(QString path);
    void setEditMargins(int left, int top, int right, int bottom);
    void setEditMargins(const QMargins &margins);
    QMargins editMargins() const;

signals:
    void textChanged(QString text);

public slots:
    void textEditChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeEdit();

    qint16 m_margins[4] = {0, 0, 0, 0};
    QTextEdit *m_edit = nullptr;
};
