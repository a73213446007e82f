// The main window's Help menu, its close button and the start-up steps for
// the log file and the information file.

#include "app/mainwindow.h"

#include "app/qaboutdlg.h"
#include "app/qinfofilewrite.h"
#include "app/qpreferencesdlg.h"
#include "app/qproductlinks.h"
#include "app/qshortcutmanager.h"
#include "app/qshowclosedlg.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/qlibraryplaylistwgt.h"
#include "widgetkit/qdialogcolseanimation.h"
#include "widgetkit/qinitctrlstyle.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>

namespace {

const QString kYes = QStringLiteral("Y");

bool storedYes(const QString &group, const QString &key)
{
    return QVideoSettingXml::GetItemValue(group, key, kYes) == kYes;
}

void store(const QString &group, const QString &key, bool yes)
{
    QVideoSettingXml::SetItemValue(group, key, yes ? kYes : QStringLiteral("N"));
}

} // namespace

void MainWindow::InitMenu()
{
    auto *home = new QAction(tr("Home"), this);
    auto *help = new QAction(tr("Help"), this);
    auto *about = new QAction(tr("About"), this);
    auto *preferences = new QAction(tr("Preferences"), this);
    auto *updates = new QAction(tr("Check for Updates"), this);

    // The window draws its own frame, so the menu stands in its title band
    // where the menu button of the form would be.
    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    m_menuBar->setStyleSheet(QStringLiteral("QMenuBar{background:transparent;color:%1;}"
                                            "QMenuBar::item:selected{background:%2;}")
                                 .arg(QInitCtrlStyle::lightText().name(), QInitCtrlStyle::accent().name()));
    QMenu *menu = m_menuBar->addMenu(tr("Help"));
    menu->addAction(preferences);
    menu->addAction(about);
    menu->addAction(help);
    menu->addAction(home);
    menu->addSeparator();
    menu->addAction(updates);
    m_menuBar->adjustSize();
    m_menuBar->move(88, 9);
    m_menuBar->show();

    connect(preferences, &QAction::triggered, this, &MainWindow::ActOnPreferDlg);
    connect(about, &QAction::triggered, this, &MainWindow::ActOnAbout);
    connect(help, &QAction::triggered, this, &MainWindow::ActOnHelp);
    connect(home, &QAction::triggered, this, &MainWindow::ActOnHome);
    connect(updates, &QAction::triggered, this, &MainWindow::ActOnUpdates);
}

void MainWindow::ActOnPreferDlg()
{
    QPreferencesDlg dialog(this);
    connect(&dialog, &QPreferencesDlg::emitAutoUpdate, this, &MainWindow::OnSetAutoUpdate);
    centreDialog(dialog);
    dialog.exec();
    SetOutPath(QConverterOperate::getConverterPath());
}

void MainWindow::OnSetAutoUpdate(bool bUpdate)
{
    JxCommonInterface::setAutoCheckUpdate(bUpdate);
}

void MainWindow::ActOnUpdates()
{
    JxCommonInterface::checkForUpdate();
}

void MainWindow::ActOnAbout()
{
    QAboutDlg dialog(this);
    centreDialog(dialog);
    dialog.exec();
}

void MainWindow::ActOnHelp()
{
    QDesktopServices::openUrl(QProductLinks::redirectPage(QStringLiteral("help")));
}

void MainWindow::ActOnHome()
{
    QDesktopServices::openUrl(QProductLinks::homePage());
}

void MainWindow::fadeOutAndClose()
{
    QDialogColseAnimation::ColseTransparentAnimation(*this);
    if (QShortCutManager *keys = QShortCutManager::getShortCutManagerObject(nullptr))
        keys->ClearItems();
}

// A running recording is kept on every road out: the close that ends the
// fade completes it (closeEvent), and an exit chosen in the prompt stops it
// at once the same way, so the file and its record are whole.
void MainWindow::OnClose()
{
    if (!storedYes(QStringLiteral("REMIND_ITEM"), QStringLiteral("isShowRemind"))) {
        if (storedYes(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg")))
            fadeOutAndClose();
        else
            OnShowMin();
        return;
    }

    QShowCloseDlg prompt(this);
    centreDialog(prompt);
    if (prompt.exec() != QDialog::Accepted)
        return;
    if (prompt.isNoShowThisDlg())
        store(QStringLiteral("REMIND_ITEM"), QStringLiteral("isShowRemind"), false);
    if (prompt.isCloseDlg()) {
        store(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"), true);
        fadeOutAndClose();
        if (isRecording())
            OnBtnStop(true);
        if (libraryPanel())
            libraryPanel()->SetTBViewCurrentIndex(1);
    } else {
        store(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"), false);
        OnShowMin();
    }
}

void MainWindow::InitLogInfo()
{
    QConverterOperate::setLogFilePath(QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt"));
}

void MainWindow::InitAppInfo()
{
    m_infoFileWrite = new QInfoFileWrite(this);
    m_infoFileWrite->start(JxCommonInterface::getAppInfoFile());
}
