#pragma once
// The small check box on a row of the check-box combo box. With clicks
// ignored it only reports the press, so the combo box can act as a radio list.

#include "widgetkit/qjxcheckbox.h"

class QComboboxCheckbox : public QJXCheckBox
{
    Q_OBJECT
public:
    explicit QComboboxCheckbox(QWidget *parent = nullptr);

    void setIgnoreClick(bool ignore);
    bool ignoreClick() const;

signals:
    void emitClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_ignoreClick = false;
};
