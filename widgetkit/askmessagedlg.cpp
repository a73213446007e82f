#include "widgetkit/askmessagedlg.h"
#include "ui_askmessagedlg.h"

#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "widgetkit/qinitctrlstyle.h"

namespace {

// Interface languages whose button texts need wider buttons.
bool hasLongButtonTexts(int language)
{
    return language == 2 || language == 3 || language == 4;
}

} // namespace

AskMessageDlg::AskMessageDlg(QWidget *parent)
    : QJXDialogEx(parent)
    , m_ui(new Ui::AskMessageDlg)
{
    m_ui->setupUi(this);
    QInitCtrlStyle::InitBg3(this);
    setDlgTitle(QStringLiteral("Velmora Audio Recorder"));
    setFixedSize(390, 175);

    const QString resources = QIAnyUtil::getResourcePath();
    addCloseBtn(resources + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(resources + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(resources + QStringLiteral("/image/btn_max.png"), true);
    connect(m_btnClose, &QPushButton::clicked, this, &QWidget::close);

    m_ui->m_labMsg->setText(m_message);
    m_ui->m_labMsg->move(40, 60);

    QInitCtrlStyle::InitJXButton(m_ui->m_btnCancel, 81, 24);
    QInitCtrlStyle::InitJXButton(m_ui->m_btnMove, 80, 24);
    QInitCtrlStyle::InitJXButton(m_ui->m_btnDelete, 80, 24);
    m_ui->m_btnCancel->setText(tr("Cancel"));
    m_ui->m_btnMove->setText(tr("Remove"));
    m_ui->m_btnDelete->setText(tr("Delete"));

    const bool wide = hasLongButtonTexts(QConverterOperate::getLanguageType());
    for (QWidget *button : { static_cast<QWidget *>(m_ui->m_btnDelete),
                             static_cast<QWidget *>(m_ui->m_btnMove) }) {
        button->resize(wide ? 110 : 80, 24);
        QInitCtrlStyle::InitFont(button, wide ? 10 : 12);
    }

    QPalette palette;
    palette.setBrush(QPalette::Active, QPalette::WindowText, QColor(250, 237, 237));
    palette.setBrush(QPalette::Inactive, QPalette::WindowText, QColor(250, 237, 237));
    palette.setBrush(QPalette::Disabled, QPalette::WindowText, QColor(250, 237, 237));
    m_ui->m_labMsg->setPalette(palette);
    QInitCtrlStyle::InitFont(m_ui->m_labMsg, 12);

    connect(m_ui->m_btnCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->m_btnMove, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->m_btnDelete, &QPushButton::clicked, this, &AskMessageDlg::OnBtnDeleted);
}

AskMessageDlg::~AskMessageDlg() = default;

void AskMessageDlg::setMsgText(const QString &text)
{
    m_message = text;
    m_ui->m_labMsg->setText(text);
    m_ui->m_labMsg->adjustSize();
}

void AskMessageDlg::OnBtnDeleted()
{
    done(Delete);
}

void AskMessageDlg::placeControls()
{
    const int W = width(), H = height();
    QLabel *label = m_ui->m_labMsg;
    label->move((W - label->width()) / 2, 60);
    QWidget *cancel = m_ui->m_btnCancel, *move = m_ui->m_btnMove, *remove = m_ui->m_btnDelete;
    cancel->move(23, H - 58 + (50 - cancel->height()) / 2);
    move->move(W - 23 - move->width(), H - 58 + (50 - move->height()) / 2);
    remove->move(move->x() - 13 - remove->width(), H - 58 + (50 - remove->height()) / 2);
}

void AskMessageDlg::paintEvent(QPaintEvent *event)
{
    QJXDialogEx::paintEvent(event);
    placeControls();
}
