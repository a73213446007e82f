#pragma once
// Per-item state of the in-cell controls that the delegates draw. One control
// widget serves every row of a list; its record here holds what differs for
// this item.

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
    QChunkControl() = default;
    ~QChunkControl();
    QChunkControl(const QChunkControl &) = delete;
    QChunkControl &operator=(const QChunkControl &) = delete;

    // Registers the widget with a fresh record; a registered widget gets its
    // defaults back. A null widget is ignored.
    void addControl(QWidget *widget, controlType type);
    // The widget's record for reading and writing, null when never
    // registered; valid until the next addControl.
    ControlAttribute *getControlAttribute(QWidget *widget) const;
    int count() const { return static_cast<int>(m_controls.size()); }

private:
    // An item has a control or two, and a large list has many items: the
    // records sit in one short block, looked through in order.
    mutable std::vector<std::pair<QWidget *, ControlAttribute>> m_controls;
};
