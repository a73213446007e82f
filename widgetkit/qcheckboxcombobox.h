#pragma once
// Combo box whose pop-up rows carry check boxes: in multi-check mode they
// toggle independently and the field lists the checked texts; in
// single-check mode they act as radio marks of the current row.

#include "widgetkit/qjxcombobox.h"

class QComboboxCheckbox;

class QCheckboxCombobox : public QJXComboBox
{
    Q_OBJECT
public:
    explicit QCheckboxCombobox(QWidget *parent = nullptr);
    ~QCheckboxCombobox() override;

    void setCheckImage(QString checked, QString unchecked);
    void setItemCheckboxable(bool on);
    void setCheckMode(bool multi);
    bool isMultiCheck() const;
    void setCheckboxPos(QPoint pos);
    bool itemCheckState(int index) const;
    void setCheckState(int index, bool checked);
    void setCheckAll(bool checked);
    void deleteAllItem();
    void clearItemWidgt();
    QString getSelectItemText() const;
    QComboboxCheckbox *itemCheckbox(int index) const;

signals:
    void emitClickCheckbox(int index);
    void emitStateChange(int index, int state);

public slots:
    void clickCheckbox();
    void clickRadio();
    void slotStateChanged(int state);
    void selectChange(int index);
    void hidePopup() override;

protected:
    void AddItemWidget(QJXComboBoxItem *row, int index) override;
    void removeItemWidgt(QJXComboBoxItem *row) override;
    void setShowText(QString text) override;

private:
    int rowOfBox(QObject *box) const;
    void checkOnly(int index);

    struct Data;
    Data *d;
};
