#include "app/qshortcutmanager.h"

#include <QPointer>

#include <xcb/xcb.h>

namespace {
QPointer<QShortCutManager> s_manager;
}

QShortCutManager *QShortCutManager::getShortCutManagerObject(QObject *parent)
{
    if (!s_manager)
        s_manager = new QShortCutManager(parent);
    return s_manager;
}

QShortCutManager::~QShortCutManager()
{
    ClearItems();
}

void QShortCutManager::addConverItem(QGlobalShortCut *item, int position)
{
    if (!item)
        return;
    // A shortcut deleted with its parent widget leaves the list, so the list
    // never deletes it a second time.
    connect(item, &QObject::destroyed, this, [this, item] {
        const int index = m_items.indexOf(item);
        if (index >= 0) {
            m_items.removeAt(index);
            renumberFrom(index);
        }
    });
    if (IsValid(position)) {
        m_items.insert(position, item);
        renumberFrom(position);
    } else {
        item->setIndex(m_items.size());
        m_items.append(item);
    }
}

QGlobalShortCut *QShortCutManager::GetItem(int index) const
{
    return IsValid(index) ? m_items.at(index) : nullptr;
}

QGlobalShortCut *QShortCutManager::GetItemForType(ShortCutType type) const
{
    for (QGlobalShortCut *item : m_items) {
        if (item->getShortcutType() == type)
            return item;
    }
    return nullptr;
}

void QShortCutManager::DeleteItemAt(int index)
{
    if (!IsValid(index))
        return;
    delete m_items.takeAt(index);
    renumberFrom(index);
}

void QShortCutManager::RemoveOne(QGlobalShortCut *item)
{
    if (m_items.removeOne(item))
        disconnect(item, &QObject::destroyed, this, nullptr);
}

void QShortCutManager::ClearItems()
{
    const QList<QGlobalShortCut *> items = m_items;
    m_items.clear();
    qDeleteAll(items);
}

void QShortCutManager::swapItem(int first, int second)
{
    if (IsValid(first) && IsValid(second))
        m_items.swapItemsAt(first, second);
}

void QShortCutManager::renumberFrom(int index)
{
    for (int i = index; i < m_items.size(); ++i)
        m_items.at(i)->setIndex(i);
}

bool QShortCutManager::dispatchNativeEvent(const QByteArray &eventType, void *message)
{
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    QGlobalShortCut *grabbed = QGlobalShortCut::shortcutForKeyPress(key->detail, key->state);
    if (!grabbed)
        return false;
    // As the hot key's identifier, the type finds the item that answers it.
    if (type == XCB_KEY_PRESS && s_manager) {
        if (QGlobalShortCut *item = s_manager->GetItemForType(grabbed->getShortcutType()))
            item->activateShortcut();
    }
    return true;
}
