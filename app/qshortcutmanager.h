#pragma once
// The process-wide ordered list of global shortcuts, and the hand-off of a
// grabbed key press from the application's native event filter to the
// shortcut of that hot key.

#include "app/qglobalshortcut.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QShortCutManager : public QObject
{
    Q_OBJECT
public:
    // The one manager, created with this parent on first use.
    static QShortCutManager *getShortCutManagerObject(QObject *parent);

    // Inserts at the position when it is valid, else appends; indexes follow.
    void addConverItem(QGlobalShortCut *item, int position);
    QGlobalShortCut *GetItem(int index) const;
    bool IsValid(int index) const { return index >= 0 && index < m_items.size(); }
    int GetItemCount() const { return m_items.size(); }
    int GetItemIndex(QGlobalShortCut *item) const { return m_items.indexOf(item); }
    QGlobalShortCut *GetItemForType(ShortCutType type) const;
    void DeleteItemAt(int index);
    void RemoveOne(QGlobalShortCut *item);   // without deleting it
    void ClearItems();
    void swapItem(int first, int second);

    // For a native event of a grabbed key press: activates the shortcut of
    // that hot key's type and returns true; false for every other event.
    static bool dispatchNativeEvent(const QByteArray &eventType, void *message);

private:
    explicit QShortCutManager(QObject *parent) : QObject(parent) {}
    ~QShortCutManager() override;
    void renumberFrom(int index);

    QList<QGlobalShortCut *> m_items;
};
