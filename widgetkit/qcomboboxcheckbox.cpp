#include "widgetkit/qcomboboxcheckbox.h"

QComboboxCheckbox::QComboboxCheckbox(QWidget *parent)
    : QJXCheckBox(parent)
{
}

void QComboboxCheckbox::setIgnoreClick(bool ignore)
{
    m_ignoreClick = ignore;
}

bool QComboboxCheckbox::ignoreClick() const
{
    return m_ignoreClick;
}

void QComboboxCheckbox::mousePressEvent(QMouseEvent *event)
{
    if (m_ignoreClick) {
        emit emitClick();
        return;
    }
    QJXCheckBox::mousePressEvent(event);
}
