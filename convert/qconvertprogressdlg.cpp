#include "convert/qconvertprogressdlg.h"
#include "ui_qconvertprogressdlg.h"

#include "common/qianyutil.h"
#include "widgetkit/qinitctrlstyle.h"

QConvertProgressDlg::QConvertProgressDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    // Kept unset until the form is built: layout calls may come before.
    auto *ui = new Ui::QConvertProgressDlg;
    ui->setupUi(this);
    m_ui.reset(ui);
    initControls();
    setFixedSize(440, 180);
}

QConvertProgressDlg::~QConvertProgressDlg() = default;

void QConvertProgressDlg::initControls()
{
    QInitCtrlStyle::InitBg2(this);
    setDlgTitle(tr("Converting"));
    setWindowTitle(tr("Converting"));

    const QString resources = QIAnyUtil::getResourcePath();
    addCloseBtn(resources + QStringLiteral("/image/btn_close.png"), true);
    addMinBtn(resources + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(resources + QStringLiteral("/image/btn_max.png"), true);
    connect(m_btnClose, &QPushButton::clicked, this, &QConvertProgressDlg::onClose);

    QInitCtrlStyle::InitTKButton(m_ui->m_btnCancel, 100, 24);
    m_ui->m_btnCancel->setText(tr("Cancel"));
    connect(m_ui->m_btnCancel, &QPushButton::clicked, this, &QConvertProgressDlg::onClose);

    m_ui->m_bpConvert->setBottomImage(resources + QStringLiteral("/image/BottomWidget/slider_play_bottom.png"));
    m_ui->m_bpConvert->setTopImage(resources + QStringLiteral("/image/BottomWidget/slider_play_top.png"));
    m_ui->m_bpConvert->setCircle(true);
    m_ui->m_bpConvert->setCircleLenght(4);
    m_ui->m_bpConvert->setFormat(QString());
    m_ui->m_bpConvert->setValue(0.0);

    m_ui->m_lblConvert->setText(tr("Converting"));
    QInitCtrlStyle::InitFont(m_ui->m_lblConvert, 12);
    QInitCtrlStyle::InitPalette(m_ui->m_lblConvert, QPalette::WindowText, QColor(250, 237, 237));
}

void QConvertProgressDlg::setProgressValue(float percent)
{
    m_ui->m_bpConvert->setValue(double(percent));
}

void QConvertProgressDlg::onClose()
{
    close();
    emit emitCancel();
}

void QConvertProgressDlg::resetControlLocation()
{
    if (!m_ui)
        return;
    const int w = width();
    const int h = height();
    m_ui->m_lblConvert->move(28, 50);
    QWidget *ring = m_ui->m_bpConvert;
    ring->setGeometry(28, (h - 38 - ring->height()) / 2 + 30, w - 56, ring->height());
    QWidget *cancel = m_ui->m_btnCancel;
    cancel->move(w - 28 - cancel->width(), h - 28 - cancel->height());
}
