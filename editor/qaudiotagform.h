#pragma once
// The Tag page of the edit dialog: the recording's tags in eleven one-line
// fields, a comment box, an editable genre list and a cover picture. Every
// edit goes at once into the edit record of the dialog's settings hub; the
// dialog asks whether the tags changed since they were loaded.

#include "media/jxtagfileaccess.h"
#include "media/veaudiotaginfo.h"

#include <QString>
#include <QWidget>

class QJXBaseButton;
class QJXButtonExtend;
class QJXComboBox;
class QJXLineEdit;
class QJXTextEdit;
class QLabel;
class QVideoEditingSettings;

class QAudioTagForm : public QWidget
{
    Q_OBJECT
public:
    // Folder in which the cover dialog opens: the folder of the last image chosen.
    static QString g_path;

    explicit QAudioTagForm(QWidget *parent = nullptr);

    void setEditSettings(QVideoEditingSettings *settings) { m_settings = settings; }
    // Shows the hub's tags; what is shown then is the unchanged state.
    void loadingSetting();
    // Shows a record (recognised tags); the shown values go into the hub.
    void RefreshTagInfo(VEAudioTagInfo info);
    // Whether the hub's tags differ from those loaded.
    bool audioTagInfoChange() const;
    QString getThumbnailPath() const { return m_imagePath; }
    // The loaded record had a cover and the user deleted it.
    bool coverRemoved() const;
    // The page's texts that the loaded record had and the user emptied.
    JXTagFileAccess::RemovedTexts removedTexts() const;

    // "3/12" into "3" and "12"; "0" for what is missing.
    static void analysisTrackValue(const QString &text, QString &first, QString &second);
    // "3" and "12" into "3/12"; "" when the first is not a number from 1.
    static QString getDiscAndTrackStr(const QString &first, const QString &second);
    static QString getYearForDate(const QString &date) { return date.left(4); }
    static QString charToQString(const std::string &bytes) { return QString::fromStdString(bytes); }

    // Sets the cover from picture bytes; false (and no cover shown, the hub
    // untouched) when they are no picture.
    bool setTagImg(const std::string &bytes, int length);

public slots:
    void onTextChanged(const QString &text);
    void genreTextChanged(const QString &text);
    void onCommentsTextChanged();
    void setTagImage();
    void onDeleteImage();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    friend class TestTagForm;
    void setupUi();
    void showRecord(const VEAudioTagInfo &info);
    // Replaces one field of the hub's record.
    void writeField(std::string VEAudioTagInfo::*field, const QString &text);

    QVideoEditingSettings *m_settings = nullptr;
    bool m_loaded = false;
    bool m_showingLoad = false; // loading shows the tags without writing them back
    QString m_imagePath;
    VEAudioTagInfo m_loadedInfo;

    QLabel *m_labTrackOf = nullptr;
    QJXComboBox *m_editGenre = nullptr;
    QJXLineEdit *m_editTrack1 = nullptr;
    QJXBaseButton *m_btnDelete = nullptr;
    QLabel *m_labAlbum = nullptr;
    QJXLineEdit *m_editYear = nullptr;
    QLabel *m_labCover = nullptr;
    QLabel *m_labDiscOf = nullptr;
    QJXLineEdit *m_editTitle = nullptr;
    QJXLineEdit *m_editArtist = nullptr;
    QJXLineEdit *m_editAlbum = nullptr;
    QJXLineEdit *m_editTrack2 = nullptr;
    QLabel *m_labArtist = nullptr;
    QLabel *m_labComments = nullptr;
    QJXLineEdit *m_editCopyright = nullptr;
    QJXLineEdit *m_editGrouping = nullptr;
    QLabel *m_labTitle = nullptr;
    QLabel *m_labTrack = nullptr;
    QLabel *m_labDisc = nullptr;
    QJXLineEdit *m_editDisc1 = nullptr;
    QJXTextEdit *m_editComments = nullptr;
    QLabel *m_labGrouping = nullptr;
    QLabel *m_labYear = nullptr;
    QLabel *m_labGenre = nullptr;
    QJXButtonExtend *m_btnTagImg = nullptr;
    QLabel *m_labCopyright = nullptr;
    QLabel *m_labComposer = nullptr;
    QJXLineEdit *m_editComposer = nullptr;
    QJXLineEdit *m_editDisc2 = nullptr;
};
