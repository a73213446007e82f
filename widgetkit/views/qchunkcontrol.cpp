#include "qchunkcontrol.h"

QChunkControl::~QChunkControl()
{
    for (auto &entry : m_controls)
        delete entry.second;
}

void QChunkControl::addControl(QWidget *widget, controlType type)
{
    if (!widget)
        return;
    auto *record = new ControlAttribute;
    record->type = type;
    ControlAttribute *&slot = m_controls[widget];
    delete slot;
    slot = record;
}

ControlAttribute *QChunkControl::getControlAttribute(QWidget *widget) const
{
    const auto it = m_controls.find(widget);
    return it == m_controls.end() ? nullptr : it->second;
}
