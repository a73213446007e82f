#pragma once
// The application object: a QApplication that knows the main window and owns
// the native event filter through which window-system events such as global
// hot keys reach the program. Any number of copies may run side by side.
// It connects the session bus on a worker as it is made (qsessionbusconnect.h).

#include "app/qsessionbusconnect.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>

class MainWindow;

// Sees every native event first; hands the presses of grabbed global hot
// keys to their shortcuts and consumes those, nothing else.
class KeyNativeEventFilter : public QAbstractNativeEventFilter
{
public:
    ~KeyNativeEventFilter() override = default;
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
};

class KeyApplication : public QApplication
{
    Q_OBJECT
public:
    KeyApplication(int &argc, char **argv);
    ~KeyApplication() override;

    void setWindowInstance(MainWindow *window) { m_window = window; }
    MainWindow *windowInstance() const { return m_window; }

    // Installs the filter and takes it over; a filter held before is removed
    // and deleted. Null removes the one held.
    void setNativeFilter(QAbstractNativeEventFilter *filter);
    QAbstractNativeEventFilter *nativeFilter() const { return m_filter; }

    bool notify(QObject *receiver, QEvent *event) override;

    QSessionBusConnect *sessionBusConnect() { return &m_sessionBus; }

private:
    QSessionBusConnect m_sessionBus;
    MainWindow *m_window = nullptr;
    QAbstractNativeEventFilter *m_filter = nullptr;
};
