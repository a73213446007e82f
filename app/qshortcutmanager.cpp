#include "app/qshortcutmanager.h"

#include <QPointer>
#include <QSet>

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
    // A held key repeats: as presses alone (detectable auto-repeat) or as a
    // release and a press with one time stamp. Only the first press counts,
    // so holding a hot key doesn't fire its command again and again.
    static QSet<xcb_keycode_t> held;
    static xcb_keycode_t lastReleased = 0;
    static xcb_timestamp_t lastReleaseTime = 0;
    if (type == XCB_KEY_RELEASE) {
        held.remove(key->detail);
        lastReleased = key->detail;
        lastReleaseTime = key->time;
    }
    QGlobalShortCut *grabbed = QGlobalShortCut::shortcutForKeyPress(key->detail, key->state);
    if (!grabbed)
        return false;
    if (type == XCB_KEY_PRESS) {
        const bool repeat = held.contains(key->detail)
            || (key->detail == lastReleased && key->time == lastReleaseTime);
        held.insert(key->detail);
        // As the hot key's identifier, the type finds the item that answers it.
        QGlobalShortCut *item = s_manager && !repeat
            ? s_manager->GetItemForType(grabbed->getShortcutType()) : nullptr;
        if (item)
            item->activateShortcut();
    }
    return true;
}
