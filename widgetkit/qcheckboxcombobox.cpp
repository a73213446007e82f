#include "widgetkit/qcheckboxcombobox.h"

#include "widgetkit/qcomboboxcheckbox.h"

#include <QFile>
#include <QImage>
#include <QPointer>

struct QCheckboxCombobox::Data
{
    bool boxesVisible = true;
    // Boxes die with their rows, also when the rows go without us (clear()).
    QList<QPointer<QComboboxCheckbox>> boxes;
    QImage *checked = nullptr;
    QImage *unchecked = nullptr;
    bool multi = true;
};

QCheckboxCombobox::QCheckboxCombobox(QWidget *parent)
    : QJXComboBox(parent)
    , d(new Data)
{
    connect(this, SIGNAL(currentIndexChanged(int)), this, SLOT(selectChange(int)));
}

QCheckboxCombobox::~QCheckboxCombobox()
{
    // Rows (and their boxes) go with the list, after this part: make the
    // boxes forget the pictures that are freed here.
    for (const auto &box : qAsConst(d->boxes)) {
        if (box)
            box->setCheckImage(nullptr, nullptr, nullptr, false, false);
    }
    delete d->checked;
    delete d->unchecked;
    delete d;
}

void QCheckboxCombobox::setCheckImage(QString checked, QString unchecked)
{
    if (!QFile::exists(checked))
        return;
    delete d->checked;
    delete d->unchecked;
    d->checked = new QImage(checked);
    d->unchecked = new QImage(unchecked);
}

void QCheckboxCombobox::setItemCheckboxable(bool on)
{
    d->boxesVisible = on;
    for (const auto &box : qAsConst(d->boxes)) {
        if (box)
            box->setVisible(on);
    }
}

void QCheckboxCombobox::setCheckMode(bool multi)
{
    d->multi = multi;
    for (const auto &box : qAsConst(d->boxes)) {
        if (box)
            box->setIgnoreClick(!multi);
    }
    if (!multi)
        checkOnly(currentIndex());
    setShowText(currentText());
}

bool QCheckboxCombobox::isMultiCheck() const
{
    return d->multi;
}

void QCheckboxCombobox::setCheckboxPos(QPoint pos)
{
    setItemWidgtPos(pos);
}

QComboboxCheckbox *QCheckboxCombobox::itemCheckbox(int index) const
{
    return qobject_cast<QComboboxCheckbox *>(getItemWidgt(index));
}

bool QCheckboxCombobox::itemCheckState(int index) const
{
    QComboboxCheckbox *box = itemCheckbox(index);
    return box && box->isChecked();
}

void QCheckboxCombobox::setCheckState(int index, bool checked)
{
    if (QComboboxCheckbox *box = itemCheckbox(index))
        box->setChecked(checked);
}

void QCheckboxCombobox::setCheckAll(bool checked)
{
    for (const auto &box : qAsConst(d->boxes)) {
        if (box)
            box->setChecked(checked);
    }
}

void QCheckboxCombobox::checkOnly(int index)
{
    for (int i = 0; i < count(); ++i) {
        if (QComboboxCheckbox *box = itemCheckbox(i))
            box->setChecked(i == index);
    }
}

void QCheckboxCombobox::deleteAllItem()
{
    clearItemWidgt();
    QComboBox::clear();
}

void QCheckboxCombobox::clearItemWidgt()
{
    for (const auto &box : qAsConst(d->boxes))
        delete box.data();
    d->boxes.clear();
}

QString QCheckboxCombobox::getSelectItemText() const
{
    QStringList texts;
    for (int i = 0; i < count(); ++i) {
        if (itemCheckState(i))
            texts.append(itemText(i));
    }
    return texts.join(QLatin1Char(';'));
}

void QCheckboxCombobox::setShowText(QString text)
{
    QJXComboBox::setShowText(d->multi ? getSelectItemText() : text);
}

void QCheckboxCombobox::hidePopup()
{
    QJXComboBox::hidePopup();
}

void QCheckboxCombobox::AddItemWidget(QJXComboBoxItem *row, int index)
{
    d->boxes.removeAll(nullptr);
    auto *box = new QComboboxCheckbox(row);
    box->setCheckImage(d->checked, d->unchecked, nullptr, false, false);
    connect(box, &QAbstractButton::clicked, this, &QCheckboxCombobox::clickCheckbox);
    connect(box, &QComboboxCheckbox::emitClick, this, &QCheckboxCombobox::clickRadio);
    connect(box, &QCheckBox::stateChanged, this, &QCheckboxCombobox::slotStateChanged);
    d->boxes.insert(qBound(0, index, d->boxes.size()), box);
    row->setWidgt(box);
    box->setVisible(d->boxesVisible);
    box->setIgnoreClick(!d->multi);
    if (d->multi)
        setShowText(QString());
}

void QCheckboxCombobox::removeItemWidgt(QJXComboBoxItem *row)
{
    if (!row)
        return;
    d->boxes.removeAll(nullptr);
    for (int i = 0; i < d->boxes.size(); ++i) {
        if (d->boxes[i]->parent() == row) {
            delete d->boxes.takeAt(i).data();
            break;
        }
    }
    if (d->multi)
        setShowText(QString());
}

int QCheckboxCombobox::rowOfBox(QObject *box) const
{
    if (!box)
        return -1;
    if (auto *row = qobject_cast<QJXComboBoxItem *>(box->parent()))
        return row->index();
    return -1;
}

void QCheckboxCombobox::clickCheckbox()
{
    emit emitClickCheckbox(rowOfBox(sender()));
}

void QCheckboxCombobox::clickRadio()
{
    const int row = rowOfBox(sender());
    if (row >= 0)
        setCurrentIndex(row);
    hidePopup();
}

void QCheckboxCombobox::slotStateChanged(int state)
{
    const int row = rowOfBox(sender());
    if (d->multi)
        setShowText(QString());
    emit emitStateChange(row, state);
}

void QCheckboxCombobox::selectChange(int index)
{
    if (!d->multi)
        checkOnly(index);
}
