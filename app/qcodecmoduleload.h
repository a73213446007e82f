#pragma once
// Loads the codec layer on a worker thread soon after a widget's first paint
// (the program's: the library's rows), so that neither the start nor the first play, recording or edit waits
// on loading FFmpeg and TagLib on the GUI thread. A codec call the GUI makes
// while the worker is still loading waits for that load.

#include <QObject>
#include <QPointer>

class QThread;
class QWidget;

class QCodecModuleLoad : public QObject
{
    Q_OBJECT
public:
    explicit QCodecModuleLoad(QObject *parent = nullptr);
    // Waits for a load still running: the process must not end inside it.
    ~QCodecModuleLoad() override;

    // Starts the load once the widget has been painted for the first time,
    // or after kUnpaintedStartMs if it never is.
    void startAfterFirstPaint(QWidget *window);
    static constexpr int kUnpaintedStartMs = 3000;
    void start();

signals:
    void loaded(qint64 milliseconds);
    // The module's path and why it could not be loaded.
    void failed(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    QThread *m_thread = nullptr;
};

// Tells the user that the codec layer could not be loaded (and the log), then
// ends the program: it cannot record, play or convert without it.
void reportCodecModuleFailure(QWidget *window, const QString &reason);
