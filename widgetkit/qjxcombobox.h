#pragma once
// Drop-down list whose field is drawn from an image strip, with an image
// arrow button and drawn pop-up rows. Without a background image it is a
// plain QComboBox.

#include "widgetkit/qjxbaserectimagedraw.h"
#include "widgetkit/qjxcomboboxitem.h"

#include <QComboBox>

class QJXBaseButton;
class QListWidget;

class QJXComboBox : public QComboBox, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    explicit QJXComboBox(QWidget *parent = nullptr);
    ~QJXComboBox() override;

    void InitMacStyle();

    // Field and arrow.
    void setBackgroundImage(QString path);
    void setButtonImage(QString path, bool keepSize);
    QJXBaseButton *arrowButton() const;
    void setButtonKeepSize(bool keep);
    bool buttonKeepSize() const;
    void setBtnMargins(int left, int top, int right, int bottom);
    void setBtnMargins(const QMargins &margins);
    void resetBtnLocation();
    void setTextColor(QColor color);
    void setTextColor(QColor normal, QColor hover, QColor pressed, QColor disabled);
    void setFont(const QFont &font);
    void setEditable(bool editable);

    // Items.
    void addItem(const QString &text, const QVariant &userData = QVariant());
    void addItem(const QImage *image, const QString &text, const QVariant &userData = QVariant());
    void insertItem(int index, const QString &text, const QVariant &userData = QVariant());
    void insertItem(int index, const QImage *image, const QString &text,
                    const QVariant &userData = QVariant());
    void addItems(const QStringList &texts);
    void insertItems(int index, const QStringList &texts);
    void removeItem(int index);
    void setItemText(int index, const QString &text);
    QWidget *getItemWidgt(int index) const;
    QJXComboBoxItem *itemRow(int index) const;
    bool IsValid(int index) const;
    QListWidget *popupList() const;

    // Rows.
    void setItemFont(const QFont &font);
    void resetItemFont();
    void setItemTextColor(QColor color);
    void setItemTextColor(QColor normal, QColor hover, QColor pressed, QColor disabled);
    void resetItemTextColor();
    void setItemTextMargins(int left, int top, int right, int bottom);
    void resetItemTextMargins();
    void setItemIconRect(QRect rect);
    void setItemHeight(int height);
    int itemHeight() const;
    void setItemWidth(int width);
    int itemWidth() const;
    void setItemBgColor(QColor color);
    void setItemHoverColor(QColor color);
    QColor itemHoverColor() const;
    void setItemSelectedColor(QColor color);
    void setItemBorder(int px, QColor color);
    void setItemSpacing(int px, QColor color);
    void setItemAlignment(Qt::Alignment alignment);
    void setSeparatorColor(QColor color);
    void addSeparator();
    void setItemSeparator(int index, bool on);
    void setItemWidgtPos(QPoint pos);
    QPoint itemWidgtPos() const;
    void setPopupOffestPoint(QPoint offset);
    void resetItemAttribute();
    void resetItemWidgtPos();

    // Removes the first rule that starts with begin (through end) from sheet.
    static bool cutStyleString(QString &sheet, QString begin, QString end);
    int calcItemMaxWidth() const;
    void resetItemSize();

signals:
    void emitShowPopup();
    void emitClicked();

public slots:
    void showPopup() override;
    void hidePopup() override;
    void changeEditColor(QString text);
    void drawTextChange(QString text);
    virtual void currentIndexChangeSlot(int index);

protected:
    virtual void AddItemWidget(QJXComboBoxItem *row, int index);
    virtual void removeItemWidgt(QJXComboBoxItem *row);
    virtual void setShowText(QString text);

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ensurePopupList();
    void replaceStyleRule(const QString &begin, const QString &end, const QString &rule);
    void applyLineEditStyle(QWidget *edit);
    void afterPopupRuleChange();
    QList<QJXComboBoxItem *> rows() const;

    struct Data;
    Data *d;
};
