#pragma once
// The Effect page of the edit dialog: the sound-effect presets as a strip of
// thumbnails (five to a page), a ten-band equaliser, Reset, and a small
// preview bar. Choosing a preset writes its bands and rate into the edit
// record, which hands them to the preview player at once; moving a band
// switches to the "Customed" preset and keeps the user's gains.

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qbaseiconlistdelegate.h"

#include <QImage>
#include <QList>
#include <QWidget>

#include <vector>

class QAudioEffectManager;
class QJXBaseButton;
class QJXBaseSlider;
class QJXBaseSortModel;
class QJXListView;
class QJXScrollBar;
class QLabel;
class QMouseEvent;
class QVideoEditingSettings;

// One preset in the strip: its name and thumbnail.
class QEffectChunk : public IBaseChunk
{
public:
    QEffectChunk() : IBaseChunk(false) {}
    void SetIsCustomed(bool customed) { m_customed = customed; }
    bool GetIsCustomed() const { return m_customed; }
    void setThumbnail(const QImage &image) { m_thumbnail = image; }
    QImage thumbnail() const { return m_thumbnail; }

private:
    bool m_customed = false;
    QImage m_thumbnail;
};

class QEffectModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    explicit QEffectModel(QObject *parent = nullptr);
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

// Draws the thumbnail, then the hover or selection mask over it.
class QEffectDelegate : public QBaseIconListDelegate
{
    Q_OBJECT
public:
    explicit QEffectDelegate(QObject *parent = nullptr);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    QImage m_mask;
};

class QEffectForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBandCount = 10;
    static constexpr int kPageSize = 5;

    explicit QEffectForm(QWidget *parent = nullptr);
    ~QEffectForm() override;

    void SetEditSettings(QVideoEditingSettings *settings);
    void InitSelect();
    void SetCurrentIndex(int row);
    // Gains in dB of the ten bands; null puts every band at 0 dB.
    void SetEqualizerVal(const double *gains);
    void ReleaseDatas();

    int currentRow() const;
    int customedIndex() const { return m_customedIndex; }
    int page() const { return m_page; }
    // The band slider's gain in dB.
    double bandGain(int band) const;
    QJXBaseSlider *bandSlider(int band) const { return m_bandSliders.value(band); }
    QJXListView *presetView() const { return m_listViewEffect; }

public slots:
    void OnChangeEffect(const QModelIndex &index);
    void OnChangeToCustomedEffect(QMouseEvent *event);
    void OnSetEqualizerValue(QMouseEvent *event);
    void OnBtnPrevNext();
    void OnBtnReset();
    void OnBtnPlay();
    void OnBtnPause();
    void OnSetPlayState(bool play);
    void OnSetPlayPro(double fraction);
    void OnSetPlayTime(const QString &text);

signals:
    void emitSetAudioEffect(bool effect);
    void emitPlay();
    void emitPause();
    void emitSeekPlayProgress(double fraction);
    void emitPlayState(bool play);

protected:
    virtual void resetControlPosition();
    void placeTimeLabel();
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    friend class TestEffectForm;
    void InitCtrl();
    void InitEffectView();
    void InitEffectData();
    void scrollToRow(int row);

    QList<QJXBaseSlider *> m_bandSliders;
    QList<QLabel *> m_bandLabels;
    QVideoEditingSettings *m_settings = nullptr;
    QAudioEffectManager *m_catalogue = nullptr;
    std::vector<IBaseChunk *> m_items;
    QEffectModel *m_model = nullptr;
    QJXBaseSortModel *m_sortModel = nullptr;
    QEffectDelegate *m_delegate = nullptr;
    QJXScrollBar *m_scrollBar = nullptr;
    int m_customedIndex = -1;
    int m_previousIndex = -1;
    int m_page = 0;

    QJXBaseButton *m_btnReset = nullptr;
    QLabel *m_lblEqualizer = nullptr;
    QLabel *m_lblSoundEff = nullptr;
    QJXBaseButton *m_btnPrevPage = nullptr;
    QJXBaseButton *m_btnNextPage = nullptr;
    QJXListView *m_listViewEffect = nullptr;
    QJXBaseButton *m_btnPlay = nullptr;
    QLabel *m_lblTime = nullptr;
    QJXBaseButton *m_btnPause = nullptr;
    QJXBaseSlider *m_sliderPro = nullptr;
};
