#include "convert/qformattype.h"

#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
const char kAudioCategory[] = "General Audio";
}

QFormatType::QFormatType(QWidget *parent)
    : QJXWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    m_btnHLayout = new QHBoxLayout;
    m_btnHLayout->setSpacing(12);
    row->addLayout(m_btnHLayout);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    setBackgrounColor(QColor(62, 60, 60));
}

QFormatType::~QFormatType()
{
    releaseBtn();
}

void QFormatType::createTypeBtn(const std::vector<std::string> &names)
{
    releaseBtn();
    for (const std::string &name : names) {
        auto *button = new QJXBaseButton(this);
        QInitCtrlStyle::InitTabBtn(button);
        button->setFixedSize(95, 25);
        button->setText(QString::fromStdString(name));
        m_buttons.append(button);
        connect(button, &QJXBaseButton::clicked, this, &QFormatType::OnTypeBtn);
        m_btnHLayout->addWidget(button);
    }
}

void QFormatType::OnTypeBtn()
{
    auto *button = qobject_cast<QJXBaseButton *>(sender());
    if (!button || button == m_current)
        return;
    if (m_current) {
        m_current->setChecked(false);
        m_current->setEnabled(true);
    }
    m_current = button;
    button->setChecked(true);
    button->setEnabled(false);
    emit emitTypeChange(button->text());
}

void QFormatType::RefreshBtn(bool video)
{
    for (QJXBaseButton *button : m_buttons)
        button->setVisible((button->text() == QLatin1String(kAudioCategory)) != video);
}

void QFormatType::setCheckType(const QString &name)
{
    for (QJXBaseButton *button : m_buttons) {
        if (button->text() == name) {
            button->seedClick();
            return;
        }
    }
}

void QFormatType::releaseBtn()
{
    m_current = nullptr;
    qDeleteAll(m_buttons);
    m_buttons.clear();
}
