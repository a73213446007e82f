#pragma once
// The row of category buttons above the format list: one checkable tab per
// category; clicking one announces its name.

#include "widgetkit/qjxwidget.h"

#include <QList>

#include <string>
#include <vector>

class QHBoxLayout;
class QJXBaseButton;

class QFormatType : public QJXWidget
{
    Q_OBJECT

public:
    explicit QFormatType(QWidget *parent = nullptr);
    ~QFormatType() override;

    void createTypeBtn(const std::vector<std::string> &names);
    // Video shows every category but "General Audio"; audio only that one.
    void RefreshBtn(bool video);
    // Clicks the first button of that name; none: nothing.
    void setCheckType(const QString &name);
    void releaseBtn();
    const QList<QJXBaseButton *> &buttons() const { return m_buttons; }

signals:
    void emitTypeChange(const QString &name);

public slots:
    void OnTypeBtn();

private:
    QHBoxLayout *m_btnHLayout = nullptr;
    QJXBaseButton *m_current = nullptr;
    QList<QJXBaseButton *> m_buttons;
};
