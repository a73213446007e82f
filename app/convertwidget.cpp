#include "app/convertwidget.h"

#include "app/preferencegroupstyle.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxtextedit.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QTextEdit>

namespace {

const QString kYes = QStringLiteral("Y");
const QString kDelete = QStringLiteral("Delete_Recorded_File");
const QString kSplit = QStringLiteral("Split_Recording");
const int kFrench = 3;

QString askForFolder(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Save to"), QStringLiteral("."),
                                             QFileDialog::ShowDirsOnly);
}

ConvertWidget::FolderChooser &folderChooser()
{
    static ConvertWidget::FolderChooser chooser = askForFolder;
    return chooser;
}

QString read(const QString &group, const QString &key, const QString &fallback)
{
    const QString value = QVideoSettingXml::GetItemValue(group, key, fallback);
    return value.isEmpty() ? fallback : value;
}

void write(const QString &group, const QString &key, const QString &value)
{
    QVideoSettingXml::SetItemValue(group, key, value);
}

QString yesNo(bool on)
{
    return on ? kYes : QStringLiteral("N");
}

// A folder under the documents folder. Back-slashes are ordinary characters
// of a name here, so the path is taken as it is.
QString documentsFolder(const char *name)
{
    return QIAnyUtil::getDocumentPath() + QLatin1Char('/') + QLatin1String(name) + QLatin1Char('/');
}

void refill(QJXComboBox *combo, const QStringList &texts)
{
    const int index = combo->currentIndex();
    combo->clear();
    combo->addItems(texts);
    combo->setCurrentIndex(index);
}

void styleText(QLabel *label)
{
    QInitCtrlStyle::InitFont(label, 12);
    QInitCtrlStyle::InitPalette(label, QPalette::WindowText, QInitCtrlStyle::lightText());
}

} // namespace

ConvertWidget::ConvertWidget(QWidget *parent)
    : QWidget(parent)
{
    resize(397, 597);
    m_GroupFinish = new QGroupBox(this);
    m_cmbFinished = new QJXComboBox(m_GroupFinish);
    m_GroupArchive = new QGroupBox(this);
    m_GroupArchive->setGeometry(10, 515, 310, 56);
    m_cmbOutput = new QJXComboBox(m_GroupArchive);
    m_groupSplit = new QGroupBox(this);
    m_cmbSplit = new QJXComboBox(m_groupSplit);
    m_chkSplitSilence = new QJXCheckBox(m_groupSplit);
    m_leSplitSilence = new QJXLineEdit(m_groupSplit);
    m_lblSplitSilence = new QLabel(m_groupSplit);
    m_lblSplitSilence->resize(71, 16);
    m_groupDelete = new QGroupBox(this);
    m_chkDelDuration = new QJXCheckBox(m_groupDelete);
    m_leDelDuration = new QJXLineEdit(m_groupDelete);
    m_lblDelDuration = new QLabel(m_groupDelete);
    m_lblDelDuration->resize(54, 16);
    m_chkDeleteSilence = new QJXCheckBox(m_groupDelete);
    m_groupOutput = new QGroupBox(this);
    m_btnChange = new QJXBaseButton(m_groupOutput);
    m_btnReset = new QJXBaseButton(m_groupOutput);
    m_btnChange->setCursor(Qt::PointingHandCursor);
    m_btnReset->setCursor(Qt::PointingHandCursor);
    m_pathTextEdit = new QJXTextEdit(m_groupOutput);

    InitCtrl();
    InitBtn();
    InitSetting();
}

void ConvertWidget::setFolderChooser(FolderChooser chooser)
{
    folderChooser() = chooser ? std::move(chooser) : FolderChooser(askForFolder);
}

void ConvertWidget::InitCtrl()
{
    m_groupOutput->setTitle(tr("Location of Output Files"));
    m_groupDelete->setTitle(tr("Delete Recordings Automatically"));
    m_groupSplit->setTitle(tr("Split Recordings Individually"));
    m_GroupArchive->setTitle(tr("Archive output tracks by"));

    m_chkDelDuration->setText(tr("The duration is less than"));
    m_chkDelDuration->adjustSize();
    m_chkDelDuration->move(20, 30);
    m_lblDelDuration->setText(tr("seconds"));
    m_chkDeleteSilence->setText(tr("The recording is silent"));
    m_chkDeleteSilence->adjustSize();
    m_chkDeleteSilence->move(20, 60);
    m_chkSplitSilence->setText(tr("The silence is more than"));
    m_chkSplitSilence->adjustSize();
    m_lblSplitSilence->setText(tr("milliseconds"));
    for (QJXLineEdit *edit : {m_leDelDuration, m_leSplitSilence}) {
        edit->onlyInputNumber();
        QInitCtrlStyle::InitLineEdit(edit, 48, 24);
    }
    for (QJXCheckBox *check : {m_chkDelDuration, m_chkDeleteSilence, m_chkSplitSilence})
        QInitCtrlStyle::InitCheckBox(check);
    styleText(m_lblDelDuration);
    styleText(m_lblSplitSilence);
    // The units after the fields are as wide as their words in that font.
    m_lblDelDuration->adjustSize();
    m_lblSplitSilence->adjustSize();

    QInitCtrlStyle::InitJXCombox1(m_cmbOutput, 140, 20);
    m_cmbOutput->clear();
    m_cmbOutput->addItems({tr("Artist"), tr("Artist/Album"), tr("None")});
    QInitCtrlStyle::InitJXCombox1(m_cmbSplit, 140, 20);
    m_cmbSplit->clear();
    m_cmbSplit->addItems({tr("When a new track begins"), tr("When a new track begins or replays")});
    m_cmbSplit->move(20, 30);
    m_cmbSplit->hide();
    m_GroupFinish->hide();
    m_GroupArchive->hide();
    QInitCtrlStyle::InitJXCombox1(m_cmbFinished, 140, 20);
    m_cmbFinished->clear();
    m_cmbFinished->addItems({tr("Do Nothing"), tr("Put Computer to Sleep"), tr("Shut Down My Computer")});
    m_cmbFinished->setCurrentIndex(read(QStringLiteral("SHOWDOWN_ITEM"), QStringLiteral("Finished_All_Job"),
                                        QStringLiteral("0")).toInt());

    QInitCtrlStyle::InitTextEdit(m_pathTextEdit);
    m_pathTextEdit->textEdit()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pathTextEdit->textEdit()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pathTextEdit->textEdit()->setReadOnly(true);

    PreferenceGroupStyle::apply({m_GroupFinish, m_groupOutput, m_groupDelete, m_groupSplit, m_GroupArchive});
    retranslateUi();
}

void ConvertWidget::InitBtn()
{
    QInitCtrlStyle::InitJXButton(m_btnReset, 67, 24);
    QInitCtrlStyle::InitJXButton(m_btnChange, 67, 24);
    m_btnReset->setText(tr("Reset"));
    m_btnChange->setText(tr("Change"));
    QInitCtrlStyle::InitFont(m_btnReset, 11);
    QInitCtrlStyle::InitFont(m_btnChange, 11);
    connect(m_btnChange, &QAbstractButton::clicked, this, &ConvertWidget::OnChangePath);
    connect(m_btnReset, &QAbstractButton::clicked, this, &ConvertWidget::OnResetPath);
}

void ConvertWidget::InitSetting()
{
    m_chkDelDuration->setChecked(read(kDelete, QStringLiteral("Delete_According_To_Duration"), kYes) == kYes);
    m_leDelDuration->setText(read(kDelete, QStringLiteral("Duration_Less_Than"), QStringLiteral("1")));
    m_chkDeleteSilence->setChecked(read(kDelete, QStringLiteral("Delete_According_To_Silence"), QStringLiteral("N")) == kYes);
    m_cmbSplit->setCurrentIndex(read(kSplit, QStringLiteral("Split_According_To_Track"), QStringLiteral("0")).toInt());
    m_chkSplitSilence->setChecked(read(kSplit, QStringLiteral("Split_According_To_Silence"), QString()) == kYes);
    m_leSplitSilence->setText(read(kSplit, QStringLiteral("Silence_More_Than"), QStringLiteral("0")));
    InitOutPath();
    saveSetting();
}

void ConvertWidget::InitOutPath()
{
    SetOutPath(read(QStringLiteral("OutPut_path"), QStringLiteral("path_value"), documentsFolder("Converted")));
    m_screenshotPath = read(QStringLiteral("Screenshot_path"), QStringLiteral("Screenshot_path_value"),
                            documentsFolder("Screenshots"));
}

void ConvertWidget::SetOutPath(const QString &path)
{
    m_outPath = path;
    m_pathTextEdit->textEdit()->setPlainText(path);
}

void ConvertWidget::SetScreenshotOutPath(const QString &path)
{
    m_screenshotPath = path;
}

QString ConvertWidget::shownFolder() const
{
    return m_pathTextEdit->textEdit()->toPlainText();
}

void ConvertWidget::saveSetting()
{
    QConverterOperate::setConverterPath(m_outPath);
    QConverterOperate::setScreenshotsPath(m_screenshotPath);
    write(QStringLiteral("SHOWDOWN_ITEM"), QStringLiteral("Finished_All_Job"), QString::number(m_cmbFinished->currentIndex()));
    QConverterOperate::setKeepClassify(m_cmbOutput->currentIndex());
    write(QStringLiteral("OutPut_path"), QStringLiteral("path_value"), m_outPath);
    write(kDelete, QStringLiteral("Delete_According_To_Duration"), yesNo(m_chkDelDuration->isChecked()));
    write(kDelete, QStringLiteral("Delete_According_To_Silence"), yesNo(m_chkDeleteSilence->isChecked()));
    write(kDelete, QStringLiteral("Duration_Less_Than"), m_leDelDuration->text());
    write(kSplit, QStringLiteral("Split_According_To_Track"), QString::number(m_cmbSplit->currentIndex()));
    write(kSplit, QStringLiteral("Split_According_To_Silence"), yesNo(m_chkSplitSilence->isChecked()));
    write(kSplit, QStringLiteral("Silence_More_Than"), m_leSplitSilence->text());
}

void ConvertWidget::OnChangePath()
{
    const QString chosen = folderChooser()(this);
    if (chosen.isEmpty())
        return;
    QString folder = chosen;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (!JxCommonInterface::isWritableDir(folder))
        return;
    SetOutPath(folder);
}

void ConvertWidget::OnResetPath()
{
    SetOutPath(documentsFolder("Converted"));
}

void ConvertWidget::retranslateUi()
{
    m_GroupFinish->setTitle(tr("When all job finished"));
    m_GroupArchive->setTitle(tr("Archive output tracks by"));
    m_groupOutput->setTitle(tr("Location of Output Files"));
    m_groupDelete->setTitle(tr("Delete Recordings Automatically"));
    m_groupSplit->setTitle(tr("Split Recordings Individually"));
    m_chkDelDuration->setText(tr("The duration is less than"));
    m_lblDelDuration->setText(tr("seconds"));
    m_lblDelDuration->adjustSize();
    m_chkDeleteSilence->setText(tr("The recording is silent"));
    m_chkSplitSilence->setText(tr("The silence is more than"));
    m_lblSplitSilence->setText(tr("milliseconds"));
    m_lblSplitSilence->adjustSize();
    m_btnChange->setText(tr("Change"));
    m_btnReset->setText(tr("Reset"));
    QInitCtrlStyle::InitFont(m_btnChange, QConverterOperate::getLanguageType() == kFrench ? 10 : 11);
    refill(m_cmbOutput, {tr("Artist"), tr("Artist/Album"), tr("None")});
    refill(m_cmbFinished, {tr("Do Nothing"), tr("Put Computer to Sleep"), tr("Shut Down My Computer")});
}

void ConvertWidget::placeRow(QJXCheckBox *check, QJXLineEdit *edit, QLabel *label)
{
    const QRect c = check->geometry();
    edit->move(c.right() + 3, c.top() + (c.height() - edit->height()) / 2);
    label->move(edit->geometry().right() + 8, c.top());
}

void ConvertWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QInitCtrlStyle::darkBackground());
    m_cmbOutput->move(20, 23);
    m_cmbFinished->move(20, 23);
    m_groupOutput->setGeometry(QRect(QPoint(38, 5), QPoint(width() - 39, 104)));
    PreferenceGroupStyle::placeBelow(m_groupDelete, m_groupOutput);
    PreferenceGroupStyle::placeBelow(m_groupSplit, m_groupDelete);
    PreferenceGroupStyle::placeBelow(m_GroupFinish, m_groupSplit);
    m_chkSplitSilence->move(20, (m_groupSplit->height() - m_chkSplitSilence->height()) / 2 + 5);
    placeRow(m_chkDelDuration, m_leDelDuration, m_lblDelDuration);
    placeRow(m_chkSplitSilence, m_leSplitSilence, m_lblSplitSilence);
    const int x = m_groupOutput->width() - 15 - m_btnReset->width();
    m_btnReset->move(x, 20);
    m_btnChange->move(x, m_groupOutput->height() - 15 - m_btnChange->height());
    m_pathTextEdit->setGeometry(QRect(QPoint(15, 20), QPoint(x - 11, m_groupOutput->height() - 16)));
}
