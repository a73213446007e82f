#include "editor/qeffectform.h"

#include "editor/editorlog.h"

#include "common/qianyutil.h"
#include "editor/qaudioeffectmanager.h"
#include "editor/qframechunk.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxlistview.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QString res(const char *relative)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(relative);
}

const QColor kPanel(44, 44, 44);
const QColor kLight(250, 237, 237);
const char *const kBandNames[QEffectForm::kBandCount] = {"60", "170", "310", "600", "1k",
                                                         "3k", "6k", "12k", "14k", "16k"};
constexpr double kSliderMax = 20.0;

void lightLabel(QLabel *label, const QString &text)
{
    QInitCtrlStyle::InitFont(label, 10);
    QPalette p = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::WindowText, kLight);
    label->setPalette(p);
    label->setText(text);
    label->adjustSize();
}

QEffectChunk *chunkOf(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    auto *item = static_cast<IBaseChunk *>(index.data(QJXItemRole::ItemPointer).value<void *>());
    return dynamic_cast<QEffectChunk *>(item);
}

} // namespace

// ------------------------------------------------------------------ model and delegate

QEffectModel::QEffectModel(QObject *parent)
    : QBaseDetailsModel(parent)
{
}

int QEffectModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant QEffectModel::data(const QModelIndex &index, int role) const
{
    auto *item = index.isValid() ? dynamic_cast<QEffectChunk *>(static_cast<IBaseChunk *>(index.internalPointer()))
                                 : nullptr;
    if (!item)
        return QBaseDetailsModel::data(index, role);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(item->GetTitle());
    case Qt::DecorationRole:
        return QString::fromStdString(item->GetImage());
    case QJXItemRole::MemoryImage:
        return item->thumbnail();
    case Qt::ToolTipRole:
        return QString::fromStdString(item->getToolTipText());
    case Qt::CheckStateRole:
        return QVariant();
    case Qt::SizeHintRole:
        return itemSize();
    default:
        return QBaseDetailsModel::data(index, role);
    }
}

QEffectDelegate::QEffectDelegate(QObject *parent)
    : QBaseIconListDelegate(parent)
    , m_mask(QJXPictureCache::picture(res("/image/EditDlg/mask.png"), 1))
{
}

void QEffectDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QBaseIconListDelegate::paint(painter, option, index);
    if (!index.data(QJXItemRole::ItemPointer).value<void *>() || m_mask.isNull())
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hover = option.state & QStyle::State_MouseOver;
    const int frame = selected ? 2 : (hover ? 1 : 0);
    const int w = m_mask.width() / 4;
    const QRect r = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(QRect(r.x() + 6, r.y(), r.width() - 12, r.height() - 12), m_mask,
                       QRect(frame * w, 0, w, m_mask.height()));
    painter->restore();
}

// ------------------------------------------------------------------ form

QEffectForm::QEffectForm(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Form"));
    resize(651, 417);
    InitCtrl();
    InitEffectView();
    InitEffectData();
}

QEffectForm::~QEffectForm()
{
    delete m_catalogue;
    // The view goes first, with its scroll bar, before what it shows.
    delete m_listViewEffect;
    m_listViewEffect = nullptr;
    delete m_sortModel;
    delete m_model;
    delete m_delegate;
    qDeleteAll(m_bandSliders);
    qDeleteAll(m_bandLabels);
    ReleaseDatas();
}

void QEffectForm::InitCtrl()
{
    for (int i = 0; i < kBandCount; ++i) {
        auto *slider = new QJXBaseSlider(this);
        slider->setBottomImage(res("/image/EditDlg/slider_bottom.png"));
        slider->setTopImage(res("/image/EditDlg/slider_top.png"));
        slider->setBtnImage(res("/image/EditDlg/slider_btn.png"));
        slider->setProgressPolicy(QJXBaseProgress::VerticalBar);
        slider->setRange(0.0, kSliderMax);
        slider->setValue(kSliderMax / 2);
        slider->setFormat(QString());
        slider->setOffset(0, 6);
        connect(slider, &QJXBaseSlider::sendPressEvent, this, &QEffectForm::OnChangeToCustomedEffect);
        connect(slider, &QJXBaseSlider::sendReleseEvent, this, &QEffectForm::OnSetEqualizerValue);
        m_bandSliders.append(slider);
        auto *label = new QLabel(this);
        lightLabel(label, QString::fromLatin1(kBandNames[i]));
        m_bandLabels.append(label);
    }

    m_btnReset = new QJXBaseButton(this);
    m_btnReset->setButtonImage(res("/image/common/btn_common.png"), true);
    m_btnReset->setText(tr("Reset"));
    const QColor accent(255, 132, 65);
    m_btnReset->setTextColor(accent, accent, accent, QColor(119, 115, 115));
    m_btnReset->setEnabled(false);
    connect(m_btnReset, &QAbstractButton::clicked, this, &QEffectForm::OnBtnReset);

    auto button = [this](const char *image, const QString &tip) {
        auto *b = new QJXBaseButton(this);
        b->setButtonImage(res(image), true);
        b->setToolTip(tip);
        return b;
    };
    m_btnPrevPage = button("/image/EditDlg/btn_left.png", tr("Previous Page"));
    m_btnNextPage = button("/image/EditDlg/btn_right.png", tr("Next Page"));
    m_btnPause = button("/image/EditDlg/btn_Pause.png", tr("Pause"));
    m_btnPlay = button("/image/EditDlg/btn_play.png", tr("Play"));
    m_btnPlay->hide();
    connect(m_btnPrevPage, &QAbstractButton::clicked, this, &QEffectForm::OnBtnPrevNext);
    connect(m_btnNextPage, &QAbstractButton::clicked, this, &QEffectForm::OnBtnPrevNext);
    connect(m_btnPlay, &QAbstractButton::clicked, this, &QEffectForm::OnBtnPlay);
    connect(m_btnPause, &QAbstractButton::clicked, this, &QEffectForm::OnBtnPause);

    m_sliderPro = new QJXBaseSlider(this);
    m_sliderPro->setFormat(QString());
    m_sliderPro->setBottomImage(res("/image/EditDlg/slider_background_bottom.png"));
    m_sliderPro->setTopImage(res("/image/EditDlg/slider_background_up.png"));
    m_sliderPro->setBtnImage(res("/image/EditDlg/slider_btn.png"));
    m_sliderPro->setOffset(6, 0);
    connect(m_sliderPro, &QJXBaseSlider::sendProgressValue, this, &QEffectForm::emitSeekPlayProgress);

    m_lblTime = new QLabel(this);
    m_lblEqualizer = new QLabel(this);
    m_lblSoundEff = new QLabel(this);
    lightLabel(m_lblTime, QStringLiteral("00:00:00 / 00:00:00"));
    lightLabel(m_lblEqualizer, tr("Equalizer:"));
    lightLabel(m_lblSoundEff, tr("Sound Effects:"));
    m_listViewEffect = new QJXListView(this);
}

void QEffectForm::InitEffectView()
{
    m_model = new QEffectModel(nullptr);
    m_model->setDatas(&m_items);
    m_model->setItemSize(QSize(52, 52));
    m_sortModel = new QJXBaseSortModel(nullptr);
    m_sortModel->setSourceModel(m_model);
    m_sortModel->setItemBgColor(kPanel, kPanel);

    m_delegate = new QEffectDelegate(nullptr);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(10);
    m_delegate->setFont(font);
    m_delegate->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_delegate->setTextElideMode(Qt::ElideRight);
    m_delegate->setImageBgColor(kPanel);
    m_delegate->setSelectedBackgroundColor(kPanel);
    m_delegate->setDrawTextMargins(1, 40, 1, 0);
    m_delegate->setImageMargins(6, 0, 6, 12);
    m_scrollBar = new QJXScrollBar(Qt::Horizontal, nullptr);

    QJXListView *v = m_listViewEffect;
    v->setStyleSheet(QStringLiteral("QListView{border:none;background:%1;}").arg(kPanel.name()));
    v->setModel(m_sortModel);
    v->setSortModel(m_sortModel);
    v->setStyleDelegate(m_delegate);
    v->setItemDelegate(m_delegate);
    v->SetToolTip(true);
    v->setViewMode(QListView::IconMode);
    v->setFlow(QListView::TopToBottom);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setResizeMode(QListView::Adjust);
    v->setMovement(QListView::Static);
    v->setGridSize(QSize(78, 52));
    v->setHorizontalScrollBar(m_scrollBar);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(v, &QJXListView::emitCurrentChanged, this, &QEffectForm::OnChangeEffect);
}

void QEffectForm::InitEffectData()
{
    ReleaseDatas();
    delete m_catalogue;
    m_catalogue = new QAudioEffectManager;
    const QList<QFrameChunk *> presets = m_catalogue->getFrameChunklist();
    for (int i = 0; i < presets.size(); ++i) {
        const QFrameChunk *preset = presets.at(i);
        auto *chunk = new QEffectChunk;
        chunk->setThumbnail(QJXPictureCache::picture(preset->getThumbnailImage(), 1));
        chunk->setImage(preset->getThumbnailImage().toStdString());
        chunk->SetTitle(preset->name.toStdString());
        chunk->setToolTipText(preset->name.toStdString());
        if (preset->name == QLatin1String("Customed")) {
            chunk->SetIsCustomed(true);
            m_customedIndex = i;
        }
        m_items.push_back(chunk);
    }
    m_model->refresh();
    if (m_customedIndex == -1)
        m_customedIndex = 0;
}

void QEffectForm::ReleaseDatas()
{
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        delete *it;
    m_items.clear();
}

// ------------------------------------------------------------------ selection

int QEffectForm::currentRow() const
{
    const QModelIndex current = m_listViewEffect->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void QEffectForm::scrollToRow(int row)
{
    m_listViewEffect->scrollTo(m_sortModel->index(row, 0), QAbstractItemView::EnsureVisible);
}

void QEffectForm::SetCurrentIndex(int row)
{
    const QModelIndex index = m_sortModel->index(row, 0);
    if (!index.isValid())
        return;
    if (m_listViewEffect->currentIndex() == index)
        OnChangeEffect(index); // already current: apply it all the same
    else
        m_listViewEffect->setCurrentIndex(index);
    m_page = row / kPageSize;
    scrollToRow(m_page * kPageSize);
}

void QEffectForm::SetEditSettings(QVideoEditingSettings *settings)
{
    m_settings = settings;
    if (!m_settings)
        return;
    VEAudioSettings audio;
    m_settings->getAudioSettings(audio);
    if (audio.effectIndex >= 0 && audio.effectIndex < m_sortModel->rowCount())
        SetCurrentIndex(audio.effectIndex);
}

void QEffectForm::InitSelect()
{
    SetCurrentIndex(0);
}

void QEffectForm::SetEqualizerVal(const double *gains)
{
    for (int i = 0; i < kBandCount; ++i)
        m_bandSliders.at(i)->setValue(kSliderMax / 2 + (gains ? gains[i] : 0.0));
}

double QEffectForm::bandGain(int band) const
{
    const QJXBaseSlider *slider = m_bandSliders.value(band);
    return slider ? slider->value() - kSliderMax / 2 : 0.0;
}

void QEffectForm::OnChangeEffect(const QModelIndex &index)
{
    QEffectChunk *item = chunkOf(index);
    if (!item || !m_settings)
        return;
    const int row = index.row();
    VEAudioSettings audio;
    m_settings->getAudioSettings(audio);
    audio.effectIndex = row;
    const QFrameChunk *preset = m_catalogue->getFrameChunk(row);
    const int n = preset ? preset->equalizer.size() : 0;
    if (n < 1) {
        SetEqualizerVal(nullptr);
        audio.VEEqualizeSettings::clear();
        // Its own rate, never the one of the preset chosen before.
        if (preset)
            audio.rate = uint32_t(preset->rate);
    } else {
        std::vector<double> bands, gains;
        for (auto it = preset->equalizer.cbegin(); it != preset->equalizer.cend(); ++it) {
            bands.push_back(it.key());
            gains.push_back(it.value());
            qCDebug(lcEditor) << it.key() << ":" << it.value();
        }
        uint32_t rate = uint32_t(preset->rate);
        if (item->GetIsCustomed()) {
            // The user's own gains carry over into the adjustable preset; a
            // stored count of 0 is a flat equaliser, so it starts flat.
            std::fill(gains.begin(), gains.end(), 0.0);
            std::copy_n(audio.gains, std::min<int>(audio.count, n), gains.begin());
            rate = audio.rate;
        }
        // Bands the preset does not carry show 0 dB.
        std::vector<double> shown(kBandCount, 0.0);
        std::copy_n(gains.begin(), std::min<int>(n, kBandCount), shown.begin());
        SetEqualizerVal(shown.data());
        audio.set(bands.data(), gains.data(), n);
        audio.rate = rate;
    }
    m_settings->setAudioSettings(audio);
    emit emitSetAudioEffect(row > 0);
}

void QEffectForm::OnChangeToCustomedEffect(QMouseEvent *)
{
    if (m_customedIndex < 0 || !m_settings)
        return;
    VEAudioSettings audio;
    m_settings->getAudioSettings(audio);
    if (audio.effectIndex != m_customedIndex) {
        m_previousIndex = audio.effectIndex;
        SetCurrentIndex(m_customedIndex);
        m_btnReset->setEnabled(true);
    }
    m_page = m_customedIndex / kPageSize;
}

void QEffectForm::OnSetEqualizerValue(QMouseEvent *)
{
    if (m_customedIndex < 0 || !m_settings)
        return;
    VEAudioSettings audio;
    m_settings->getAudioSettings(audio);
    if (!audio.bands || !audio.gains)
        return;
    int band = -1;
    for (int i = m_bandSliders.size() - 1; i >= 0; --i) {
        if (m_bandSliders.at(i) == sender()) {
            band = i;
            break;
        }
    }
    // Only bands the stored equaliser holds.
    if (band < 0 || band >= audio.count || !m_catalogue->getFrameChunk(audio.effectIndex))
        return;
    audio.gains[band] = m_bandSliders.at(band)->value() - kSliderMax / 2;
    m_settings->setAudioSettings(audio);
}

void QEffectForm::OnBtnReset()
{
    if (!m_settings || m_previousIndex < 0)
        return;
    SetCurrentIndex(m_previousIndex);
    m_btnReset->setEnabled(false);
}

void QEffectForm::OnBtnPrevNext()
{
    const int rows = m_sortModel->rowCount();
    if (sender() == m_btnPrevPage) {
        m_page = std::max(m_page - 1, 0);
        scrollToRow(m_page * kPageSize);
    } else if (sender() == m_btnNextPage && rows > 0) {
        m_page = std::min(m_page + 1, (rows - 1) / kPageSize);
        scrollToRow(std::min(m_page * kPageSize + kPageSize - 1, rows - 1));
    }
}

// ------------------------------------------------------------------ preview bar

void QEffectForm::OnBtnPlay()
{
    m_btnPlay->hide();
    m_btnPause->show();
    emit emitPlay();
    emit emitPlayState(true);
}

void QEffectForm::OnBtnPause()
{
    m_btnPlay->show();
    m_btnPause->hide();
    emit emitPause();
    emit emitPlayState(false);
}

void QEffectForm::OnSetPlayState(bool play)
{
    if (play)
        emit emitPlay();
    else
        emit emitPause();
    m_btnPlay->setHidden(play);
    m_btnPause->setHidden(!play);
}

void QEffectForm::OnSetPlayPro(double fraction)
{
    m_sliderPro->setValue((m_sliderPro->maximum() - m_sliderPro->minimum()) * fraction);
}

void QEffectForm::OnSetPlayTime(const QString &text)
{
    m_lblTime->setText(text);
    m_lblTime->adjustSize();
    // The times grow their milliseconds once the file is read, after the
    // page was laid out: the label keeps its right edge at the slider's.
    placeTimeLabel();
}

void QEffectForm::placeTimeLabel()
{
    m_lblTime->move(m_sliderPro->geometry().right() - m_lblTime->width(), m_sliderPro->geometry().bottom() - 2);
}

// ------------------------------------------------------------------ layout

void QEffectForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resetControlPosition();
}

void QEffectForm::resetControlPosition()
{
    const int w = width();
    m_btnPlay->move(15, 15);
    m_btnPause->move(15, 15);
    const int sliderLeft = m_btnPlay->geometry().right() + 15;
    m_sliderPro->setGeometry(QRect(QPoint(sliderLeft, 13), QPoint(w - 27, 32)));
    placeTimeLabel();

    m_lblEqualizer->move(10, 54);
    m_btnReset->resize(75, 23);
    m_btnReset->move(w - 11 - m_btnReset->width(), 54);
    const int gap = (m_btnReset->x() - 120 - m_lblEqualizer->geometry().right()) / kBandCount;
    int x = m_lblEqualizer->geometry().right() + 1 + gap;
    const int bottom = 167 - m_bandLabels.first()->height();
    for (int i = 0; i < kBandCount; ++i) {
        QJXBaseSlider *slider = m_bandSliders.at(i);
        slider->setGeometry(x, 54, 12, bottom - 54 + 1);
        QLabel *label = m_bandLabels.at(i);
        label->move(x + (12 - label->width()) / 2, slider->geometry().bottom() + 2);
        x = slider->geometry().right() + 1 + gap;
    }

    m_lblSoundEff->move(10, 179);
    m_btnPrevPage->move(82, 175 + (70 - m_btnPrevPage->height()) / 2);
    m_btnNextPage->move(w - 82 - m_btnNextPage->width(), m_btnPrevPage->y());
    const int listLeft = m_btnPrevPage->geometry().right() + 5;
    m_listViewEffect->setGeometry(QRect(QPoint(listLeft, 179), QPoint(m_btnNextPage->x() - 6, 238)));
    const int h = m_listViewEffect->height();
    m_model->setItemSize(QSize(h, h));
    m_listViewEffect->setGridSize(QSize(h + (m_listViewEffect->width() - 5 * h) / 4, h));
}

void QEffectForm::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    const int w = width();
    painter.fillRect(rect(), QColor(31, 31, 31));
    painter.fillRect(QRect(QPoint(0, 0), QPoint(w - 1, 43)), kPanel);
    painter.fillRect(QRect(QPoint(6, 50), QPoint(w - 7, 173)), kPanel);
    painter.fillRect(QRect(QPoint(6, 175), QPoint(w - 7, 244)), kPanel);
}
