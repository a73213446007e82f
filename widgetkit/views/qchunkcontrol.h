#pragma once
// Per-item state of the in-cell controls that the delegates draw. One control
// widget serves every row of a list; its record here holds what differs for
// this item.

#include <memory>
#include <utility>
#include <vector>

class QWidget;

enum controlType {
    controlTypeButton = 0,   // QJXStyleButton
    controlTypeProgress = 1, // QJXStyleProgress
};

struct ControlAttribute
{
    double progressValue = 0.0; // shown when the control is a progress bar
    controlType type = controlTypeButton;
    bool hidden = false;        // not drawn for this item, takes no clicks
    bool hoverOnly = false;     // drawn only on the hover row
    bool enabled = true;        // drawn disabled and never clicked when false
};

class QChunkControl
{
public:
    // An item has a control or two, and a large list has many items: the
    // records sit in one short block, looked through in order.
    using Records = std::vector<std::pair<QWidget *, ControlAttribute>>;

    QChunkControl() = default;
    ~QChunkControl();
    QChunkControl(const QChunkControl &) = delete;
    QChunkControl &operator=(const QChunkControl &) = delete;

    // The item's records become a set other items share: the rows of a
    // large list carry none of their own until one of theirs is written.
    void share(std::shared_ptr<Records> records);
    // Registers the widget with a fresh record; a registered widget gets its
    // defaults back. A null widget is ignored.
    void addControl(QWidget *widget, controlType type);
    // The widget's record for writing (the item's own from then on), null
    // when never registered; valid until the next addControl.
    ControlAttribute *getControlAttribute(QWidget *widget);
    // The widget's record for reading, null when never registered.
    const ControlAttribute *attributeOf(QWidget *widget) const;
    int count() const { return m_records ? static_cast<int>(m_records->size()) : 0; }

private:
    // The records, the item's own: copied first when others share them.
    Records &own();

    // Null until a control is added.
    std::shared_ptr<Records> m_records;
};
