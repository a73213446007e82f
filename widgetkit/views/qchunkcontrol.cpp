#include "qchunkcontrol.h"

QChunkControl::~QChunkControl() = default;

void QChunkControl::addControl(QWidget *widget, controlType type)
{
    if (!widget)
        return;
    ControlAttribute record;
    record.type = type;
    for (auto &entry : m_controls) {
        if (entry.first == widget) {
            entry.second = record;
            return;
        }
    }
    m_controls.emplace_back(widget, record);
}

ControlAttribute *QChunkControl::getControlAttribute(QWidget *widget) const
{
    for (auto &entry : m_controls)
        if (entry.first == widget)
            return &entry.second;
    return nullptr;
}
