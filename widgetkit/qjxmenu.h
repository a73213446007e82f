#pragma once
// Pop-up menu painted entirely by its own proxy style; every setter writes
// into that style's attribute.

#include "widgetkit/qjxmenustyle.h"

#include <QMenu>

class QJXMenu : public QMenu
{
    Q_OBJECT
public:
    explicit QJXMenu(QWidget *parent = nullptr);
    QJXMenu(const QString &title, QWidget *parent = nullptr);
    ~QJXMenu() override;

    void InitMenu();
    QAction *addMenu(QJXMenu *menu);
    QJXMenu *addMenu(const QString &title);
    QJXMenu *addMenu(const QIcon &icon, const QString &title);

    void setStyleAttribute(QJXMenuStyleAttribute *attribute);
    QJXMenuStyleAttribute *styleAttribute();

    void setBackgroundImage(QString path, bool grid);
    void setRadioImage(QString path);
    void setCheckStateImage(QString checkedPath, QString uncheckedPath);
    void setFrameWidth(int width);
    void setFrameColor(QColor color);
    void setAreaColor(QColor color);
    void setSeparatorColor(QColor color);
    void setItemColor(QColor color);
    void setItemTextColor(QColor color);
    void setItemSelectColor(QColor color);
    void setItemTextSelectColor(QColor color);
    void setItemEabledColor(QColor color);
    void setItemTextEabledColor(QColor color);
    void setItemWidth(int width);
    void setItemHeight(int height);

protected:
    bool event(QEvent *event) override;

private:
    static QImage loadImage(const QString &path);

    QJXMenuStyle *m_style = nullptr;
};
