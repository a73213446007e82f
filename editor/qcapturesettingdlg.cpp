#include "editor/qcapturesettingdlg.h"

#include "editor/qvedioeditsettingxml.h"
#include "editor/qveinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>

QCaptureSettingDlg::QCaptureSettingDlg(QWidget *parent)
    : QJXDialog(parent)
{
    m_labPath = new QLabel(this);
    m_editPath = new QJXLineEdit(this);
    m_btnCancel = new QJXBaseButton(this);
    m_btnClose = new QJXBaseButton(this);
    m_labFormat = new QLabel(this);
    m_btnOk = new QJXBaseButton(this);
    m_cmbFormat = new QJXComboBox(this);
    m_btnOpen = new QJXBaseButton(this);
    m_btnMax = new QJXBaseButton(this);
    m_btnMin = new QJXBaseButton(this);
    m_labFormat->setGeometry(58, 78, 61, 22);
    m_cmbFormat->setGeometry(138, 78, 100, 22);
    m_labPath->setGeometry(58, 118, 61, 22);
    m_editPath->setGeometry(138, 118, 200, 22);
    m_btnOpen->setGeometry(428, 118, 31, 21);

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(tr("Snapshot Setting"));
    setDlgTitle(tr("Snapshot Setting"));
    setTitleRect(QRect(0, 8, 0, 0));
    setAlignment(Qt::AlignCenter);
    QVEInitCtrlStyle::SetPalette(this, QPalette::WindowText, QVEInitCtrlStyle::lightText());
    setMoveTopHeight(30);
    setStretchWidth(6);
    setBackgroundImage(QVEInitCtrlStyle::image("bg_3.png"), false);
    setAttribute(Qt::WA_TranslucentBackground);
    QVEInitCtrlStyle::SetFont(this, 12);
    setFixedSize(360, 230);
    setGridViewInfo({50, 50}, {50, 50}, {50, 50}, {50, 50});

    initControls();
    initCbbSuffix();
    setSavePath();
}

void QCaptureSettingDlg::initControls()
{
    m_btnClose->setButtonImage(QVEInitCtrlStyle::image("btn_close.png"), true);
    m_btnMin->setButtonImage(QVEInitCtrlStyle::image("btn_min.png"), true);
    m_btnMax->setButtonImage(QVEInitCtrlStyle::image("btn_max.png"), true);
    m_btnMin->setEnabled(false);
    m_btnMax->setEnabled(false);
    m_btnOpen->setButtonImage(QVEInitCtrlStyle::image("btn_family.png"), true);
    m_btnOpen->setToolTip(tr("Please choose destination folder"));
    QVEInitCtrlStyle::SetQJXLineEdit(m_editPath);
    m_editPath->setAlignment(Qt::AlignLeft | Qt::AlignHCenter);
    m_editPath->setReadOnly(true);
    QVEInitCtrlStyle::SetLabel2(m_labFormat, tr("Format:"), 12);
    QVEInitCtrlStyle::SetLabel2(m_labPath, tr("Save to:"), 12);
    QVEInitCtrlStyle::SetJXButton(m_btnOk, 64, 28);
    QVEInitCtrlStyle::SetJXButton(m_btnCancel, 64, 28);
    m_btnOk->setText(tr("OK"));
    m_btnCancel->setText(tr("Cancel"));
    QVEInitCtrlStyle::SetQJXComboBox(m_cmbFormat);
    m_cmbFormat->setBtnMargins(83, 8, 0, 0);
    m_cmbFormat->addItems({QStringLiteral("JPG"), QStringLiteral("PNG")});
    m_cmbFormat->setCurrentIndex(0);
    connect(m_btnClose, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_btnCancel, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_btnOpen, &QAbstractButton::clicked, this, &QCaptureSettingDlg::onOpenPath);
    connect(m_btnOk, &QAbstractButton::clicked, this, &QCaptureSettingDlg::onOk);
}

void QCaptureSettingDlg::initCbbSuffix()
{
    const QString stored = QVedioEditSettingXml::getCaptureImgSuffix();
    for (int i = 0; i < m_cmbFormat->count(); ++i) {
        if (m_cmbFormat->itemText(i) == stored) {
            m_cmbFormat->setCurrentIndex(i);
            return;
        }
    }
}

void QCaptureSettingDlg::setFolder(const QString &folder)
{
    m_folder = folder;
    m_editPath->setText(folder);
}

void QCaptureSettingDlg::setSavePath()
{
    QString folder = QVedioEditSettingXml::getCaptrueImaSavePath();
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    setFolder(folder);
}

void QCaptureSettingDlg::onOpenPath()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Save to"), QStringLiteral("."),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty())
        setFolder(folder);
}

void QCaptureSettingDlg::onOk()
{
    QVedioEditSettingXml::setCaptureImgSuffix(m_cmbFormat->currentText());
    QVedioEditSettingXml::setCaptrueImaPath(m_folder);
    accept();
}

void QCaptureSettingDlg::closeEvent(QCloseEvent *event)
{
    emit emitDlgClose();
    QJXDialog::closeEvent(event);
}

void QCaptureSettingDlg::resetControlLocation()
{
    const int W = width();
    const int H = height();
    m_btnClose->move(13, 13);
    m_btnMin->move(m_btnClose->x() + m_btnClose->width() + 8, 13);
    m_btnMax->move(m_btnMin->x() + m_btnMin->width() + 8, 13);
    m_labFormat->move(28, 63);
    m_cmbFormat->move(m_labFormat->x() + m_labFormat->width() + 5, m_labFormat->y());
    m_labPath->move(28, m_labFormat->y() + m_labFormat->height() + 19);
    m_editPath->move(m_labPath->x() + m_labPath->width() + 5, m_labPath->y());
    m_btnOpen->move(m_editPath->x() + m_editPath->width() - 1, m_labPath->y());
    m_btnOk->move(W - 28 - m_btnOk->width(), H - 28 - m_btnOk->height());
    m_btnCancel->move(m_btnOk->x() - 20 - m_btnCancel->width(), H - 28 - m_btnCancel->height());
}
