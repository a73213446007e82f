#pragma once
// Finds the program's controls from outside, as assistive technology does:
// through the accessibility bus (AT-SPI), by role and by accessible name (or,
// for a drawn button that shows only a picture, its tool tip), with their
// places on the screen.

#include <QDBusConnection>
#include <QRect>
#include <QString>
#include <QVector>

struct AccessibleNode
{
    QString service;
    QString path;
    QString role;        // AT-SPI role name: "push button", "menu item", "cell", ...
    QString name;
    QString description; // the tool tip where no description was set
    QRect rect;          // screen coordinates
    bool showing = false;
    int depth = 0;
    bool isNamed(const QString &text) const { return name == text || description == text; }
};

class AtspiClient
{
public:
    // Tells the desktop that assistive technology is on (as a screen reader
    // does), so that programs started afterwards publish their controls.
    static bool enableAccessibility();

    AtspiClient();
    bool isConnected() const;
    // Every showing node of the application of this name (all its windows,
    // menus and dialogs); empty when the application is not there.
    QVector<AccessibleNode> snapshot(const QString &application) const;
    // The first showing node of the role named so (name or tool tip).
    static const AccessibleNode *find(const QVector<AccessibleNode> &nodes, const QString &role,
                                      const QString &name);
    // Every showing node of the role, in tree order.
    static QVector<AccessibleNode> all(const QVector<AccessibleNode> &nodes, const QString &role);
    // A readable list of the nodes, for failure messages.
    static QString describe(const QVector<AccessibleNode> &nodes);

private:
    void walk(const QString &service, const QString &path, int depth,
              QVector<AccessibleNode> &out) const;
    QDBusConnection m_bus;
};
