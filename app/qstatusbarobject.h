#pragma once
// The status item: an icon in the desktop's tray with the running
// recording's time as its tool tip. A click on it asks for the recorder view
// under it (and shows the view given to it as a popup there); when the
// program loses the focus to another one, the view is asked to hide. Where the desktop has no tray the item waits unseen (Qt
// shows it once a tray appears) and the log says so once.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QSystemTrayIcon;

class QStatusbarObject : public QObject
{
    Q_OBJECT
public:
    explicit QStatusbarObject(QObject *parent = nullptr);
    ~QStatusbarObject() override;

    // Shown as a popup where the view is asked for; not owned.
    void setRecorderView(QWidget *view);
    // The tray icon while the item is shown, else null.
    QSystemTrayIcon *trayIcon() const { return m_icon; }
    // "hh:mm:ss" of microseconds; hours are not wrapped.
    static QString timeText(quint64 microseconds);

public slots:
    void showStatusBar();   // a second call keeps the one item
    void hideStatusBar();
    void setStatusBarIcon(const QString &path);
    // Shown while the recorder view is up.
    void setStatusBarAlternateIcon(const QString &path);
    void setRecorderTime(quint64 microseconds);
    void showRecorderView(const QPointF &point);
    void globalMouseListener();

signals:
    // Where the recorder view goes, in global screen coordinates.
    void emitShowRecorderView(int x, int y);
    void emitHideRecorderView();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onActivated(int reason);
    void updateIcon();

    QSystemTrayIcon *m_icon = nullptr;
    QPointer<QWidget> m_view;
    QString m_iconPath;
    QString m_alternateIconPath;
    QString m_time;
    bool m_viewShown = false;
};
