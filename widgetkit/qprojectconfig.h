#pragma once
// Process-wide names, shadow margins, dialog band heights and font of the
// application, filled once at start-up and read by the dialogs of the kit.

#include <QFont>
#include <QMargins>
#include <QString>

class QProjectConfig
{
public:
    static QProjectConfig *getProjectConfig();
    static void releaseProjectConfig();

    QString companyName() const { return m_companyName; }
    QString projectName() const { return m_projectName; }
    QString projectShortName() const { return m_projectShortName; }
    QString projectVersionName() const { return m_projectVersionName; }
    QMargins getTransparentMargins() const { return m_margins; }
    int dlgTop() const { return m_dlgTop; }
    int dlgBottom() const { return m_dlgBottom; }
    QFont font() const { return m_font; }

    void setCompanyName(const QString &name) { m_companyName = name; }
    void setProjectName(const QString &name) { m_projectName = name; }
    void setProjectShortName(const QString &name) { m_projectShortName = name; }
    void setProjectVersionName(const QString &name) { m_projectVersionName = name; }
    void setTransparentMargins(int all) { m_margins = QMargins(all, all, all, all); }
    void setTransparentMargins(int left, int top, int right, int bottom)
    {
        m_margins = QMargins(left, top, right, bottom);
    }
    void setTransparentMargins(QMargins &margins) { m_margins = margins; }
    void setDlgTopAndBottom(int top, int bottom)
    {
        m_dlgTop = top;
        m_dlgBottom = bottom;
    }
    void setFont(const QFont &font) { m_font = font; }

private:
    QProjectConfig() = default;

    QString m_companyName;
    QString m_projectName;
    QString m_projectShortName;
    QString m_projectVersionName;
    int m_dlgTop = 22;
    int m_dlgBottom = 50;
    QMargins m_margins;
    QFont m_font;
};
