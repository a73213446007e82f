#include "widgetkit/qjxdialogex.h"

#include "widgetkit/qjxbasebutton.h"

QJXDialogEx::QJXDialogEx(QWidget *parent)
    : QJXDialog(parent, DlgDialog)
{
    setStretchPolicy(StretchNone);
}

QJXDialogEx::~QJXDialogEx()
{
    delete m_btnClose;
    delete m_btnMin;
    delete m_btnMax;
    delete m_btnRestore;
}

QJXBaseButton *QJXDialogEx::replaceButton(QJXBaseButton *&slot, const QString &image, bool show,
                                          QPoint at)
{
    delete slot;
    slot = new QJXBaseButton(this);
    // A missing picture still gives a placed button, drawn as a plain one.
    slot->setButtonImage(image, true);
    slot->setVisible(show);
    slot->move(at);
    return slot;
}

void QJXDialogEx::addCloseBtn(const QString &image, bool show)
{
    replaceButton(m_btnClose, image, show, QPoint(16, 13))->setToolTip(QObject::tr("Close"));
}

void QJXDialogEx::addMinBtn(const QString &image, bool show)
{
    replaceButton(m_btnMin, image, show, QPoint(36, 13))->setEnabled(false);
}

void QJXDialogEx::addMaxBtn(const QString &image, bool show)
{
    replaceButton(m_btnMax, image, show, QPoint(56, 13))->setEnabled(false);
}

void QJXDialogEx::addRestoreBtn(const QString &, bool)
{
    // Dialogs of this kind never restore: they cannot be maximised.
}
