#include "editor/qaudiotagform.h"

#include "editor/qveinitctrlstyle.h"
#include "media/qvideoeditingsettings.h"
#include "rzcodec/tagfile.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxtextedit.h"
#include "widgetkit/views/qjxbuttonextend.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

QString QAudioTagForm::g_path = QStringLiteral(".");

namespace {
const QColor kLabelText(250, 237, 237);
const QColor kEditText(251, 251, 251);
const QRect kCoverRect(0, 0, 125, 125);

void setTextColour(QWidget *w, QPalette::ColorRole role, const QColor &colour)
{
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, role, colour);
    w->setPalette(p);
}

QFont tahoma(QFont font, int pixelSize)
{
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

QAudioTagForm::QAudioTagForm(QWidget *parent)
    : QWidget(parent)
{
    setupUi();
    m_loadedInfo.reset();
}

void QAudioTagForm::setupUi()
{
    setObjectName(QStringLiteral("QAudioTagForm"));
    setWindowTitle(QStringLiteral("Form"));
    resize(702, 545);
    auto label = [this](QLabel *&l, const char *name, int w, const QString &text) {
        l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->resize(w, 25);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setText(text);
    };
    auto edit = [this](QJXLineEdit *&e, const char *name, int w) {
        e = new QJXLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->resize(w, 25);
    };
    label(m_labTrackOf, "m_labTrackOf", 21, tr("of"));
    m_editGenre = new QJXComboBox(this);
    m_editGenre->setObjectName(QStringLiteral("m_editGenre"));
    m_editGenre->resize(125, 25);
    edit(m_editTrack1, "m_editTrack1", 49);
    label(m_labAlbum, "m_labAlbum", 70, tr("Album:"));
    edit(m_editYear, "m_editYear", 125);
    label(m_labCover, "m_labCover", 70, tr("Cover:"));
    label(m_labDiscOf, "m_labDiscOf", 21, tr("of"));
    edit(m_editTitle, "m_editTitle", 125);
    edit(m_editArtist, "m_editArtist", 125);
    edit(m_editAlbum, "m_editAlbum", 125);
    edit(m_editTrack2, "m_editTrack2", 49);
    label(m_labArtist, "m_labArtist", 70, tr("Artist:"));
    label(m_labComments, "m_labComments", 70, tr("Comments:"));
    edit(m_editCopyright, "m_editCopyright", 125);
    edit(m_editGrouping, "m_editGrouping", 125);
    label(m_labTitle, "m_labTitle", 70, tr("Title:"));
    label(m_labTrack, "m_labTrack", 70, tr("Track:"));
    label(m_labDisc, "m_labDisc", 70, tr("Disc Num:"));
    edit(m_editDisc1, "m_editDisc1", 49);
    m_editComments = new QJXTextEdit(this);
    m_editComments->setObjectName(QStringLiteral("m_editComments"));
    m_editComments->resize(233, 56);
    label(m_labGrouping, "m_labGrouping", 70, tr("Grouping:"));
    label(m_labYear, "m_labYear", 70, tr("Year:"));
    label(m_labGenre, "m_labGenre", 70, tr("Genre:"));
    m_btnTagImg = new QJXButtonExtend(this);
    m_btnTagImg->setObjectName(QStringLiteral("m_btnTagImg"));
    label(m_labCopyright, "m_labCopyright", 70, tr("Copyright:"));
    label(m_labComposer, "m_labComposer", 70, tr("Composer:"));
    edit(m_editComposer, "m_editComposer", 125);
    edit(m_editDisc2, "m_editDisc2", 49);
    m_btnDelete = new QJXBaseButton(this);
    m_btnDelete->setObjectName(QStringLiteral("m_btnDelete"));
    m_btnDelete->raise(); // lies on the cover button

    const QList<QJXLineEdit *> edits{m_editTitle, m_editAlbum, m_editArtist, m_editGrouping,
                                      m_editComposer, m_editCopyright, m_editDisc2, m_editDisc1,
                                      m_editTrack2, m_editTrack1, m_editYear};
    m_editComments->setBackgroundImage(QVEInitCtrlStyle::image("edit_background.png"));
    for (QJXLineEdit *e : edits)
        e->setBackgroundImage(QVEInitCtrlStyle::image("edit_background.png"));

    QVEInitCtrlStyle::SetQJXComboBox(m_editGenre);
    m_editGenre->setBtnMargins(113, 10, 0, 0);
    m_editGenre->setDrawTextMargins(0, 0, 12, 0);
    m_editGenre->setMaxVisibleItems(22);

    m_btnTagImg->setButtonImage(QVEInitCtrlStyle::image("add_watermark_image.png"), true);
    m_btnTagImg->setToolTip(tr("Add Image"));
    m_btnTagImg->setBackgroundColor(QColor(44, 44, 44));
    m_btnDelete->setButtonImage(QVEInitCtrlStyle::image("delete_watermark_image.png"), true);
    m_btnDelete->setToolTip(tr("Delete"));
    m_btnDelete->hide();
    connect(m_btnTagImg, &QAbstractButton::clicked, this, &QAudioTagForm::setTagImage);
    connect(m_btnDelete, &QAbstractButton::clicked, this, &QAudioTagForm::onDeleteImage);

    for (QJXLineEdit *e : {m_editYear, m_editDisc1, m_editDisc2, m_editTrack1, m_editTrack2})
        e->onlyInputNumber();
    for (QJXLineEdit *e : edits)
        connect(e, &QLineEdit::textChanged, this, &QAudioTagForm::onTextChanged);
    connect(m_editComments->textEdit(), &QTextEdit::textChanged, this, &QAudioTagForm::onCommentsTextChanged);

    m_editGenre->addItems({"Altemative", "Blues", "Books&Spoken", "Children's Music", "Classical",
                           "Comedy", "Dance", "Electronic", "Folk", "Hip Hop/Rap", "Holiday", "House",
                           "Industrial", "Jazz", "Metal", "Pop", "Podcast", "R&B", "Religious", "Rock",
                           "Trance"});
    m_editGenre->setEditable(true);
    connect(m_editGenre, &QComboBox::editTextChanged, this, &QAudioTagForm::genreTextChanged);

    const QList<QLabel *> labels{m_labTitle, m_labAlbum, m_labArtist, m_labComposer, m_labGrouping,
                                 m_labCopyright, m_labComments, m_labDisc, m_labDiscOf, m_labTrack,
                                 m_labTrackOf, m_labYear, m_labGenre, m_labCover};
    for (QLabel *l : labels) {
        setTextColour(l, QPalette::WindowText, kLabelText);
        l->setFont(tahoma(font(), 12));
    }
    for (QJXLineEdit *e : edits) {
        QPalette p = e->palette();
        p.setColor(QPalette::Text, kEditText);
        e->setPalette(p);
        e->setFont(tahoma(font(), 10));
    }
    setTextColour(m_editComments->textEdit(), QPalette::Text, kEditText);
    m_editComments->textEdit()->setFont(tahoma(font(), 10));
    m_editGenre->setFont(tahoma(font(), 10));
    m_editGenre->setItemFont(tahoma(font(), 10));
    m_editComments->textEdit()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editComments->setEditMargins(2, 2, 2, 2);
}

// ------------------------------------------------------------------ showing

void QAudioTagForm::analysisTrackValue(const QString &text, QString &first, QString &second)
{
    first = second = QStringLiteral("0");
    if (text.isEmpty())
        return;
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int slash = t.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        first = t;
        return;
    }
    first = t.left(slash);
    second = t.mid(slash + 1);
    if (first.isEmpty())
        first = QStringLiteral("0");
    if (second.isEmpty())
        second = QStringLiteral("0");
}

QString QAudioTagForm::getDiscAndTrackStr(const QString &first, const QString &second)
{
    const int a = first.toInt();
    const int b = second.toInt();
    if (a < 1)
        return QString();
    return b >= 1 ? QStringLiteral("%1/%2").arg(a).arg(b) : QString::number(a);
}

void QAudioTagForm::showRecord(const VEAudioTagInfo &info)
{
    m_editTitle->setText(charToQString(info.title));
    m_editAlbum->setText(charToQString(info.album));
    m_editArtist->setText(charToQString(info.artist));
    m_editGrouping->setText(charToQString(info.grouping));
    m_editComposer->setText(charToQString(info.composer));
    m_editCopyright->setText(charToQString(info.copyright));
    m_editComments->textEdit()->setText(charToQString(info.comment));
    QString first, second;
    analysisTrackValue(charToQString(info.disc), first, second);
    m_editDisc1->setText(first);
    m_editDisc2->setText(second);
    analysisTrackValue(charToQString(info.track), first, second);
    m_editTrack1->setText(first);
    m_editTrack2->setText(second);
    const QString year = charToQString(info.year);
    m_editYear->setText(year.isEmpty() ? getYearForDate(charToQString(info.date)) : year);
    m_editGenre->setCurrentIndex(-1);
    m_editGenre->setEditText(charToQString(info.genre));
    setTagImg(info.cover_image, info.coverSize);
}

void QAudioTagForm::RefreshTagInfo(VEAudioTagInfo info)
{
    showRecord(info);
}

void QAudioTagForm::loadingSetting()
{
    if (!m_settings)
        return;
    VEAudioTagInfo info;
    m_settings->getAudioTagInfo(info);
    // Showing the file's tags is not an edit: the hub keeps them as read,
    // so a file nobody touched is never rewritten.
    m_showingLoad = true;
    showRecord(info);
    m_showingLoad = false;
    m_settings->setAudioTagInfo(info);
    m_loadedInfo = info;
}

bool QAudioTagForm::audioTagInfoChange() const
{
    if (!m_settings)
        return false;
    VEAudioTagInfo now;
    m_settings->getAudioTagInfo(now);
    const VEAudioTagInfo &was = m_loadedInfo;
    return now.title != was.title || now.artist != was.artist || now.album_artist != was.album_artist
           || now.composer != was.composer || now.album != was.album || now.genre != was.genre
           || now.track != was.track || now.year != was.year || now.date != was.date
           || now.grouping != was.grouping || now.comment != was.comment || now.disc != was.disc
           || now.copyright != was.copyright || now.cover_image != was.cover_image
           || now.coverSize != was.coverSize;
}

// ------------------------------------------------------------------ writing back

void QAudioTagForm::writeField(std::string VEAudioTagInfo::*field, const QString &text)
{
    if (!m_settings || m_showingLoad)
        return;
    VEAudioTagInfo info;
    m_settings->getAudioTagInfo(info);
    info.*field = text.toStdString();
    m_settings->setAudioTagInfo(info);
}

void QAudioTagForm::onTextChanged(const QString &text)
{
    QObject *s = sender();
    if (s == m_editTitle)
        writeField(&VEAudioTagInfo::title, text);
    else if (s == m_editAlbum)
        writeField(&VEAudioTagInfo::album, text);
    else if (s == m_editArtist)
        writeField(&VEAudioTagInfo::artist, text);
    else if (s == m_editComposer)
        writeField(&VEAudioTagInfo::composer, text);
    else if (s == m_editGrouping)
        writeField(&VEAudioTagInfo::grouping, text);
    else if (s == m_editCopyright)
        writeField(&VEAudioTagInfo::copyright, text);
    else if (s == m_editYear)
        writeField(&VEAudioTagInfo::year, text);
    else if (s == m_editDisc1 || s == m_editDisc2)
        writeField(&VEAudioTagInfo::disc, getDiscAndTrackStr(m_editDisc1->text(), m_editDisc2->text()));
    else if (s == m_editTrack1 || s == m_editTrack2)
        writeField(&VEAudioTagInfo::track, getDiscAndTrackStr(m_editTrack1->text(), m_editTrack2->text()));
}

void QAudioTagForm::genreTextChanged(const QString &text)
{
    writeField(&VEAudioTagInfo::genre, text);
}

void QAudioTagForm::onCommentsTextChanged()
{
    writeField(&VEAudioTagInfo::comment, m_editComments->textEdit()->toPlainText());
}

// ------------------------------------------------------------------ cover

bool QAudioTagForm::setTagImg(const std::string &bytes, int length)
{
    const std::string picture = bytes.substr(0, size_t(std::max(0, std::min<int>(length, int(bytes.size())))));
    if (!m_btnTagImg->setTagImg(kCoverRect, picture)) {
        m_btnDelete->hide();
        return false;
    }
    m_btnDelete->show();
    if (m_settings && !m_showingLoad) {
        VEAudioTagInfo info;
        m_settings->getAudioTagInfo(info);
        info.cover_image = picture;
        info.coverSize = int(picture.size());
        m_settings->setAudioTagInfo(info);
    }
    return true;
}

void QAudioTagForm::setTagImage()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), g_path, QCoreApplication::translate("QWidget", "Images (*.png *.xpm *.jpg)"));
    if (path.isEmpty())
        return;
    g_path = QFileInfo(path).absolutePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (setTagImg(bytes.toStdString(), bytes.size()))
        m_imagePath = path;
}

void QAudioTagForm::onDeleteImage()
{
    setTagImg(std::string(), 0);
    m_imagePath.clear();
    // The hub's cover goes too, or OK would write it back.
    if (m_settings) {
        VEAudioTagInfo info;
        m_settings->getAudioTagInfo(info);
        info.cover_image.clear();
        info.coverSize = 0;
        m_settings->setAudioTagInfo(info);
    }
}

bool QAudioTagForm::coverRemoved() const
{
    if (!m_settings || m_loadedInfo.coverBytes().empty())
        return false;
    VEAudioTagInfo now;
    m_settings->getAudioTagInfo(now);
    return now.coverBytes().empty();
}

JXTagFileAccess::RemovedTexts QAudioTagForm::removedTexts() const
{
    if (!m_settings)
        return JXTagFileAccess::NoRemovedTexts;
    VEAudioTagInfo now;
    m_settings->getAudioTagInfo(now);
    JXTagFileAccess::RemovedTexts removed = JXTagFileAccess::NoRemovedTexts;
    for (int index = RZ_TAG_TITLE; index <= RZ_TAG_DISC; ++index) {
        // Only what the page edits: the album artist has no field here, so
        // it cannot be emptied here.
        if (index == RZ_TAG_ALBUM_ARTIST)
            continue;
        const std::string *loaded = JXTagFileAccess::textField(m_loadedInfo, index);
        const std::string *shown = JXTagFileAccess::textField(now, index);
        if (loaded && shown && !loaded->empty() && shown->empty())
            removed |= 1u << index;
    }
    return removed;
}

// ------------------------------------------------------------------ show and layout

void QAudioTagForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        loadingSetting();
    }
}

void QAudioTagForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int W = width();
    // Left column: labels and fields stacked separately, 10 apart.
    int labelY = 25, fieldY = 25;
    const QList<QPair<QLabel *, QWidget *>> left{{m_labTitle, m_editTitle},     {m_labAlbum, m_editAlbum},
                                                 {m_labArtist, m_editArtist},   {m_labComposer, m_editComposer},
                                                 {m_labGrouping, m_editGrouping}, {m_labCopyright, m_editCopyright},
                                                 {m_labComments, m_editComments}};
    for (const auto &row : left) {
        row.first->move(5, labelY);
        row.second->move(5 + row.first->width() + 6, fieldY);
        labelY += row.first->height() + 10;
        fieldY += row.second->height() + 10;
    }
    // Right column, right edges at W - 25.
    auto pair = [W](QLabel *label, QJXLineEdit *first, QLabel *of, QJXLineEdit *second, int y) {
        second->move(W - 25 - second->width(), y);
        of->move(second->x() - 6 - of->width(), y);
        first->move(of->x() - first->width(), y);
        label->move(first->x() - 7 - label->width(), y);
    };
    pair(m_labDisc, m_editDisc1, m_labDiscOf, m_editDisc2, 25);
    pair(m_labTrack, m_editTrack1, m_labTrackOf, m_editTrack2, m_editDisc2->y() + m_editDisc2->height() + 10);
    const int yearY = m_labAlbum->y() + m_labAlbum->height() + 10;
    m_editYear->move(W - 25 - m_editYear->width(), yearY);
    m_labYear->move(m_editYear->x() - 6 - m_labYear->width(), yearY);
    const int genreY = m_labYear->y() + m_labYear->height() + 10;
    m_editGenre->move(m_editYear->x(), genreY);
    m_labGenre->move(m_editGenre->x() - 6 - m_labGenre->width(), genreY);
    const int coverY = m_labGenre->y() + m_labGenre->height() + 10;
    m_btnTagImg->resize(125, 125);
    m_btnTagImg->move(W - 25 - m_btnTagImg->width(), coverY);
    m_labCover->move(m_btnTagImg->x() - 6 - m_labCover->width(), coverY);
    m_btnDelete->move(m_btnTagImg->geometry().right() - m_btnDelete->width() + 1, coverY);
}
