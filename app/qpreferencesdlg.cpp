#include "app/qpreferencesdlg.h"

#include "app/convertwidget.h"
#include "app/generalwidget.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxscrollbar.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

QPreferencesDlg::QPreferencesDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    Init();

    auto *mainLayout = new QVBoxLayout;
    auto *btnMainLayout = new QHBoxLayout;
    m_hBtnLayout = new QHBoxLayout;
    auto *scrollMainLayout = new QVBoxLayout;
    m_scrollArea = new QScrollArea(this);
    m_scrollAreaWidget = new QWidget;
    auto *convertLayout = new QVBoxLayout;
    m_vListLayout = new QVBoxLayout;

    setLayout(mainLayout);
    mainLayout->setSpacing(0);
    mainLayout->setContentsMargins(8, 30, 8, 58);
    btnMainLayout->addStretch();
    btnMainLayout->addLayout(m_hBtnLayout);
    btnMainLayout->addStretch();
    mainLayout->addLayout(btnMainLayout);
    mainLayout->addLayout(scrollMainLayout);
    scrollMainLayout->setContentsMargins(0, 0, 0, 0);
    scrollMainLayout->addWidget(m_scrollArea);

    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setMouseTracking(true);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    m_scrollBar = new QJXScrollBar;
    QInitCtrlStyle::InitJxScrollBar(m_scrollBar);
    // The scroll area takes the bar over; it stays ours to delete.
    m_scrollArea->setVerticalScrollBar(m_scrollBar);
    m_scrollArea->setWidget(m_scrollAreaWidget);
    convertLayout->setContentsMargins(0, 0, 0, 0);
    convertLayout->addLayout(m_vListLayout);
    convertLayout->addStretch();
    m_scrollAreaWidget->setLayout(convertLayout);
    m_vListLayout->setSpacing(0);
    m_vListLayout->setContentsMargins(0, 0, 0, 0);
    m_scrollArea->show();

    m_btnCancel = new QJXBaseButton(this);
    m_btnOk = new QJXBaseButton(this);
    InitBtn();
    InitDlg();
}

QPreferencesDlg::~QPreferencesDlg()
{
    delete m_generalWgt;
    m_generalWgt = nullptr;
    delete m_convertWgt;
    m_convertWgt = nullptr;
    // Taken back from the scroll area, which would otherwise delete it too.
    if (m_scrollArea->verticalScrollBar() == m_scrollBar)
        m_scrollBar->setParent(nullptr);
    delete m_scrollBar;
    m_scrollBar = nullptr;
    m_btnList.clear();
}

void QPreferencesDlg::Init()
{
    setWindowTitle(tr("Preferences"));
    QInitCtrlStyle::InitBg1(this);
    setDlgTitle(tr("Preferences"));
    setGridViewInfo(rectSize{80, 80}, rectSize{80, 80}, rectSize{80, 80}, rectSize{80, 80});
    setMinimumSize(0, 0);
    setFixedSize(441, 285);
    const QString res = QIAnyUtil::getResourcePath();
    addCloseBtn(res + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(res + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(res + QStringLiteral("/image/btn_max.png"), true);
}

void QPreferencesDlg::InitBtn()
{
    const QString image = QIAnyUtil::getResourcePath() + QStringLiteral("/image/common/btn_prefer.png");
    const QStringList texts{tr("General"), tr("Convert")};
    const QColor text = QInitCtrlStyle::lightText();
    for (int i = 0; i < texts.size(); ++i) {
        auto *button = new QJXBaseButton(this);
        button->setTag(i);
        button->setCheckable(true);
        button->setButtonImage(image, true);
        button->setText(texts.at(i));
        if (i == 0) {
            m_selectedBtn = button;
            button->setChecked(true);
            button->setEnabled(false);
        }
        m_hBtnLayout->setSpacing(12);
        QInitCtrlStyle::InitFont(button, 12);
        QInitCtrlStyle::InitPalette(button, QPalette::WindowText, text);
        button->setFixedSize(87, 21);
        button->setTextColor(text, text, text, text);
        connect(button, &QAbstractButton::clicked, this, &QPreferencesDlg::OnLeftBtn);
        m_btnList.append(button);
        m_hBtnLayout->addWidget(button);
    }

    QInitCtrlStyle::InitJXButton(m_btnCancel, 80, 24);
    QInitCtrlStyle::InitJXButton(m_btnOk, 80, 24);
    m_btnCancel->setText(tr("Cancel"));
    m_btnOk->setText(tr("OK"));
    connect(m_btnClose, &QAbstractButton::clicked, this, &QDialog::close);
    connect(m_btnCancel, &QAbstractButton::clicked, this, &QDialog::close);
    connect(m_btnOk, &QAbstractButton::clicked, this, &QPreferencesDlg::OnBtnOk);
}

void QPreferencesDlg::InitDlg()
{
    const int w = width();
    const int h = height();
    const int b = m_selectedBtn ? m_selectedBtn->height() : 0;
    m_generalWgt = new GeneralWidget(m_scrollAreaWidget);
    connect(m_generalWgt, &GeneralWidget::sendUpdate, this, &QPreferencesDlg::emitAutoUpdate);
    m_generalWgt->setMinimumSize(w - 17, h - 88);
    connect(m_generalWgt, &GeneralWidget::sendLanguageName, this, &QPreferencesDlg::setLanguge);
    m_convertWgt = new ConvertWidget(m_scrollAreaWidget);
    m_convertWgt->setMinimumSize(w - 17, h - 88 + 160 - b);
    m_vListLayout->addWidget(m_generalWgt);
    m_vListLayout->addWidget(m_convertWgt);
    showPreferencesWgt(ShowGeneral);
}

void QPreferencesDlg::showPreferencesWgt(int page)
{
    m_generalWgt->hide();
    m_convertWgt->hide();
    if (page == ShowGeneral)
        m_generalWgt->show();
    else if (page == ShowConvert)
        m_convertWgt->show();
}

void QPreferencesDlg::OnBtnOk()
{
    if (m_generalWgt)
        m_generalWgt->saveSetting();
    if (m_convertWgt)
        m_convertWgt->saveSetting();
    close();
}

void QPreferencesDlg::OnLeftBtn()
{
    auto *button = qobject_cast<QJXBaseButton *>(sender());
    if (!button || button == m_selectedBtn)
        return;
    if (m_selectedBtn) {
        m_selectedBtn->setChecked(false);
        m_selectedBtn->setEnabled(true);
    }
    m_selectedBtn = button;
    button->setChecked(true);
    button->setEnabled(false);
    if (button->getTag() == 1)
        showPreferencesWgt(ShowConvert);
    else if (button->getTag() == 0)
        showPreferencesWgt(ShowGeneral);
}

bool QPreferencesDlg::setLanguge(const QString &)
{
    return true;
}

void QPreferencesDlg::retranslateUi()
{
    const QStringList texts{tr("General"), tr("Convert")};
    for (int i = 0; i < m_btnList.size() && i < texts.size(); ++i)
        m_btnList.at(i)->setText(texts.at(i));
    m_btnCancel->setText(tr("Cancel"));
    m_btnOk->setText(tr("OK"));
    setDlgTitle(tr("Preferences"));
    m_btnCancel->resize(QConverterOperate::getLanguageType() == 0 ? 59 : 75, 23);
    m_convertWgt->retranslateUi();
    m_generalWgt->retranslateUi();
}

void QPreferencesDlg::closeEvent(QCloseEvent *)
{
    // OK, Cancel and the close button all end the run alike.
}

void QPreferencesDlg::paintEvent(QPaintEvent *event)
{
    QJXDialogEx::paintEvent(event);
    const int w = width();
    const int h = height();
    const int bh = m_selectedBtn ? m_selectedBtn->height() : 0;
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(8, 30), QPoint(w - 9, 29 + bh)), QColor(50, 50, 50));
    painter.setPen(QColor(14, 14, 14));
    painter.drawLine(8, 29 + bh, w - 9, 29 + bh);
    m_btnCancel->move(w - 23 - m_btnCancel->width(), h - 58 + (50 - m_btnCancel->height()) / 2);
    m_btnOk->move(m_btnCancel->x() - 16 - m_btnOk->width(), m_btnCancel->y());
}
