#include "qchunkcontrol.h"

QChunkControl::~QChunkControl() = default;

void QChunkControl::share(std::shared_ptr<Records> records)
{
    m_records = std::move(records);
}

QChunkControl::Records &QChunkControl::own()
{
    // Items of one list live on one thread: no other holder appears meanwhile.
    if (!m_records)
        m_records = std::make_shared<Records>();
    else if (m_records.use_count() > 1)
        m_records = std::make_shared<Records>(*m_records);
    return *m_records;
}

void QChunkControl::addControl(QWidget *widget, controlType type)
{
    if (!widget)
        return;
    ControlAttribute record;
    record.type = type;
    Records &records = own();
    for (auto &entry : records) {
        if (entry.first == widget) {
            entry.second = record;
            return;
        }
    }
    records.emplace_back(widget, record);
}

ControlAttribute *QChunkControl::getControlAttribute(QWidget *widget)
{
    if (!attributeOf(widget))
        return nullptr;
    for (auto &entry : own())
        if (entry.first == widget)
            return &entry.second;
    return nullptr;
}

const ControlAttribute *QChunkControl::attributeOf(QWidget *widget) const
{
    if (!m_records)
        return nullptr;
    for (const auto &entry : *m_records)
        if (entry.first == widget)
            return &entry.second;
    return nullptr;
}
