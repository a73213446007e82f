#include "app/qaboutdlg.h"

#include "app/qproductlinks.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "commonutils/rzcomutils.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>

namespace {
const int kFrench = 3;

QLabel *makeLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFont(QFont(QStringLiteral("Tahoma")));
    return label;
}
} // namespace

QAboutDlg::QAboutDlg(QWidget *parent)
    : QJXDialogEx(parent)
{
    setObjectName(QStringLiteral("QAboutDlg"));
    m_labProject = makeLabel(this);
    m_labVersion = makeLabel(this);
    m_labCopyright = makeLabel(this);
    m_labHome = makeLabel(this);
    m_labVisit = makeLabel(this);
    m_labProjectVersion = makeLabel(this);

    QInitCtrlStyle::InitBg2(this);
    setDlgTitle(QObject::tr("About"));
    setMinimumSize(0, 0);
    setFixedSize(400, 250);
    InitCtrl();
    setStretchPolicy(StretchNone);
}

void QAboutDlg::InitCtrl()
{
    const QString res = QIAnyUtil::getResourcePath();
    addCloseBtn(res + QStringLiteral("/image/btn_close.png"), true);
    connect(m_btnClose, &QJXBaseButton::clicked, this, &QDialog::close);
    addMinBtn(res + QStringLiteral("/image/btn_min.png"), true);
    addMaxBtn(res + QStringLiteral("/image/btn_max.png"), true);

    m_labVersion->setText(QStringLiteral("%1 %2").arg(QObject::tr("Version"), JxCommonInterface::getAppVersion()));
    m_labProject->setText(QIAnyUtil::displayName());
    m_labProjectVersion->setText(QString());
    m_labCopyright->setText(RZComUtils::appCopyright());
    m_labVisit->setText(QObject::tr("Visit:"));
    m_labVisit->adjustSize();
    m_labVisit->resize(m_labVisit->width(), 21);

    const QString home = QProductLinks::homePage().toString();
    m_labHome->setText(QStringLiteral("<style> a {text-decoration: 1} </style> <a style='color: %1;' href = %2> %3</a>")
                           .arg(QInitCtrlStyle::lightText().name(), home, home));

    QFont font = m_labProject->font();
    font.setFamily(QStringLiteral("helvetica neue"));
    // Sizes as the desktop it was drawn for shows them: one point a pixel.
    font.setPixelSize(15);
    m_labProject->setFont(font);
    m_labProject->adjustSize();
    font.setPixelSize(13);
    m_labVersion->setFont(font);
    m_labVisit->setFont(font);
    m_labHome->setFont(font);
    if (QConverterOperate::getLanguageType() == kFrench) {
        font.setPixelSize(10);
        m_labCopyright->setFont(font);
    }
    m_labCopyright->adjustSize();
    m_labHome->adjustSize();

    for (QLabel *label : {m_labProject, m_labVersion, m_labVisit, m_labHome, m_labCopyright})
        setLabelStyle(*label);
    connect(m_labHome, &QLabel::linkActivated, this, &QAboutDlg::OnClickHome);
    placeLabels();
}

void QAboutDlg::setLabelStyle(QLabel &label)
{
    QPalette palette = label.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, QInitCtrlStyle::lightText());
    label.setPalette(palette);
}

void QAboutDlg::OnClickHome(const QString &)
{
    QDesktopServices::openUrl(QProductLinks::homePage());
}

void QAboutDlg::paintEvent(QPaintEvent *event)
{
    QJXDialogEx::paintEvent(event);
    QPainter painter(this);
    const QPixmap logo(QIAnyUtil::getResourcePath() + QStringLiteral("/image/common/no_title_logo.png"));
    if (!logo.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize size = logo.size().scaled(80, 80, Qt::KeepAspectRatio);
        painter.drawPixmap(QRect(QPoint(50, 50), size), logo);
    }
    placeLabels();
}

void QAboutDlg::placeLabels()
{
    m_labProject->move(140, 80);
    m_labProjectVersion->move(m_labProject->geometry().right() + 1 + 5, 78);
    m_labVersion->setGeometry(140, 100, 300, 20);
    m_labVisit->move(50, 150);
    m_labVisit->adjustSize();
    m_labVisit->resize(m_labVisit->width(), 21);
    m_labHome->move(m_labVisit->geometry().right() + 1 + 4, 150);
    m_labCopyright->move(50, 180);
}
