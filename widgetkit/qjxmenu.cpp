#include "widgetkit/qjxmenu.h"

#include <QEvent>
#include <QFile>

QJXMenu::QJXMenu(QWidget *parent)
    : QMenu(parent)
{
    InitMenu();
}

QJXMenu::QJXMenu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
    InitMenu();
}

QJXMenu::~QJXMenu()
{
    // The widget must stop using the style before the style goes.
    setStyle(nullptr);
    delete m_style;
}

void QJXMenu::InitMenu()
{
    setWindowFlags(windowFlags() | Qt::Popup | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    QJXMenuStyle *old = m_style;
    m_style = new QJXMenuStyle(nullptr);
    if (old)
        *m_style->attribute() = *old->attribute();
    setStyle(m_style);
    delete old;
}

QAction *QJXMenu::addMenu(QJXMenu *menu)
{
    return QMenu::addMenu(menu);
}

QJXMenu *QJXMenu::addMenu(const QString &title)
{
    auto *menu = new QJXMenu(title, this);
    QMenu::addMenu(menu);
    return menu;
}

QJXMenu *QJXMenu::addMenu(const QIcon &icon, const QString &title)
{
    auto *menu = new QJXMenu(title, this);
    menu->setIcon(icon);
    QMenu::addMenu(menu);
    return menu;
}

void QJXMenu::setStyleAttribute(QJXMenuStyleAttribute *attribute)
{
    if (attribute)
        *m_style->attribute() = *attribute;
}

QJXMenuStyleAttribute *QJXMenu::styleAttribute()
{
    return m_style->attribute();
}

QImage QJXMenu::loadImage(const QString &path)
{
    if (!QFile::exists(path))
        return QImage();
    QImage image(path);
    if (!image.isNull())
        image.setDevicePixelRatio(2);
    return image;
}

void QJXMenu::setBackgroundImage(QString path, bool)
{
    m_style->attribute()->backgroundImage = loadImage(path);
    update();
}

void QJXMenu::setRadioImage(QString path)
{
    m_style->attribute()->radioImage = loadImage(path);
}

void QJXMenu::setCheckStateImage(QString checkedPath, QString uncheckedPath)
{
    m_style->attribute()->checkedImage = loadImage(checkedPath);
    m_style->attribute()->uncheckedImage = loadImage(uncheckedPath);
}

void QJXMenu::setFrameWidth(int width)
{
    m_style->attribute()->frameWidth = width;
}

void QJXMenu::setFrameColor(QColor color)
{
    m_style->attribute()->frameColor = color;
}

void QJXMenu::setAreaColor(QColor color)
{
    m_style->attribute()->areaColor = color;
}

void QJXMenu::setSeparatorColor(QColor color)
{
    m_style->attribute()->separatorColor = color;
}

void QJXMenu::setItemColor(QColor color)
{
    m_style->attribute()->itemColor = color;
}

void QJXMenu::setItemTextColor(QColor color)
{
    m_style->attribute()->itemTextColor = color;
}

void QJXMenu::setItemSelectColor(QColor color)
{
    m_style->attribute()->itemSelectColor = color;
}

void QJXMenu::setItemTextSelectColor(QColor color)
{
    m_style->attribute()->itemTextSelectColor = color;
}

void QJXMenu::setItemEabledColor(QColor color)
{
    m_style->attribute()->itemDisabledColor = color;
}

void QJXMenu::setItemTextEabledColor(QColor color)
{
    m_style->attribute()->itemTextDisabledColor = color;
}

void QJXMenu::setItemWidth(int width)
{
    m_style->attribute()->itemWidth = width;
}

void QJXMenu::setItemHeight(int height)
{
    m_style->attribute()->itemHeight = height;
}

bool QJXMenu::event(QEvent *event)
{
    return QMenu::event(event);
}
