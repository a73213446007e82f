#pragma once
// The segment list under the trim panel: one item per segment file cut from
// the open recording (name, start, end and duration in the recording), its
// model, sort model and delegate. The trim panel owns the items; the model
// reads the panel's list by pointer.

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxcontrolstyledelegate.h"

#include <string>

class QTrimItemChunk : public IBaseChunk
{
public:
    QTrimItemChunk();

    void SetFileName(std::string name) { m_fileName = std::move(name); }
    std::string GetFileName() const { return m_fileName; }
    void SetFilePath(std::string path) { m_filePath = std::move(path); }
    std::string GetFilePath() const { return m_filePath; }
    void SetStartTime(std::string time) { m_startTime = std::move(time); }
    std::string GetStartTime() const { return m_startTime; }
    void SetEndTime(std::string time) { m_endTime = std::move(time); }
    std::string GetEndTime() const { return m_endTime; }
    void SetDuartion(std::string time) { m_duration = std::move(time); }
    std::string GetDuration() const { return m_duration; }

private:
    std::string m_fileName;
    std::string m_filePath;
    std::string m_startTime;
    std::string m_endTime;
    std::string m_duration;
};

// Columns: name without extension, start, end, duration, delete button.
class QTrimItemModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, StartColumn, EndColumn, DurationColumn, DeleteColumn };
    explicit QTrimItemModel(QObject *parent = nullptr);
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

class QTrimItemSortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    explicit QTrimItemSortModel(QObject *parent = nullptr);
};

class QTrimItemDelegate : public QJXControlStyleDelegate
{
    Q_OBJECT
public:
    explicit QTrimItemDelegate(QObject *parent = nullptr);
};
