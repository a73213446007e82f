#include "editor/qvideoedittag.h"

#include "editor/qveinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"

#include <QBoxLayout>
#include <QPainter>
#include <QSpacerItem>

namespace {
const QColor kSelectedText(255, 132, 65);
const QColor kNormalText(250, 237, 237);
const QColor kDisabledText(109, 104, 104);

// Hidden by the owner; a tab of a bar not shown yet is not hidden.
bool hiddenTab(const QWidget *button)
{
    return button->testAttribute(Qt::WA_WState_ExplicitShowHide) && button->isHidden();
}
} // namespace

QVideoEditTag::QVideoEditTag(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Form"));
    resize(1035, 24);
    // Buttons side by side, centred at the top of the bar.
    m_verticalLayout = new QVBoxLayout(this);
    m_verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_verticalLayout->setSpacing(0);
    auto *row = new QHBoxLayout;
    row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_horizontalLayout = new QHBoxLayout;
    m_horizontalLayout->setSpacing(0);
    row->addLayout(m_horizontalLayout);
    row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_verticalLayout->addLayout(row);
    m_verticalLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
}

QVideoEditTag::~QVideoEditTag()
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
}

QJXBaseButton *QVideoEditTag::initButton(const QString &title)
{
    auto *button = new QJXBaseButton(this);
    button->setButtonImage(QVEInitCtrlStyle::image("tab_btn_bg_image.png"), true);
    button->setTextColor(kNormalText, kNormalText, kNormalText, kDisabledText);
    QVEInitCtrlStyle::SetFont(button, 12);
    button->setText(title);
    button->setCheckable(true);
    connect(button, &QAbstractButton::clicked, this, &QVideoEditTag::onButton);
    return button;
}

void QVideoEditTag::createTag(const QStringList &titles)
{
    if (titles.isEmpty())
        return;
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_selected = nullptr;
    m_titles = titles;
    for (const QString &title : titles) {
        QJXBaseButton *button = initButton(title);
        button->setFixedHeight(40);
        QFont font = button->font();
        font.setFamily(QStringLiteral("Tahoma"));
        font.setPixelSize(15);
        button->setFont(font);
        m_buttons.append(button);
        m_horizontalLayout->addWidget(button);
    }
}

void QVideoEditTag::onButton()
{
    auto *clicked = qobject_cast<QJXBaseButton *>(sender());
    if (!clicked)
        return;
    if (m_selected) {
        m_selected->setChecked(false);
        m_selected->setEnabled(true);
    }
    m_selected = clicked;
    // A tab hidden later re-selects from here: a click moves it too.
    m_currentIndex = m_buttons.indexOf(clicked);
    m_selected->setChecked(true);
    m_selected->setEnabled(false);
    emit emitSelectedTag(m_buttons.indexOf(clicked));
    for (QJXBaseButton *button : qAsConst(m_buttons)) {
        button->setTextColor(button == m_selected ? kSelectedText : kNormalText);
        button->update();
    }
}

void QVideoEditTag::selectFrom(int index)
{
    for (int i = index; i < m_buttons.size(); ++i) {
        if (!hiddenTab(m_buttons.at(i))) {
            m_buttons.at(i)->click();
            m_currentIndex = i;
            return;
        }
    }
    m_currentIndex = m_buttons.size();
}

void QVideoEditTag::setSelectedTag(int index)
{
    if (index < 0 || index >= m_buttons.size())
        return;
    selectFrom(index);
}

void QVideoEditTag::setHiddenTag(int index)
{
    if (index < 0 || index >= m_buttons.size())
        return;
    m_buttons.at(index)->hide();
    m_buttons.at(index)->setEnabled(false);
    if (m_currentIndex >= 0 && m_currentIndex < m_buttons.size())
        selectFrom(m_currentIndex);
}

void QVideoEditTag::setDisableTag(int index, bool disable)
{
    if (index < 0 || index >= m_buttons.size())
        return;
    m_buttons.at(index)->setEnabled(!disable);
}

void QVideoEditTag::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), m_backgroundColor);
    QPen pen(QColor(13, 13, 13), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, height() - 1), QPointF(width(), height() - 1));
}
