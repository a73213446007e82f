#pragma once
// The row of tab buttons at the top of the edit dialog: exactly one tab is
// selected (checked and disabled, so it cannot be clicked again); single tabs
// can be disabled or hidden by the owner.

#include <QColor>
#include <QList>
#include <QStringList>
#include <QWidget>

class QHBoxLayout;
class QJXBaseButton;
class QVBoxLayout;

class QVideoEditTag : public QWidget
{
    Q_OBJECT
public:
    explicit QVideoEditTag(QWidget *parent = nullptr);
    ~QVideoEditTag() override;

    // Replaces the buttons with one per title; an empty list keeps the old ones.
    void createTag(const QStringList &titles);
    void setSelectedTag(int index);
    void setHiddenTag(int index);
    void setDisableTag(int index, bool disable);
    void setBackgroundColor(const QColor &color) { m_backgroundColor = color; }

    int currentIndex() const { return m_currentIndex; }
    int count() const { return m_buttons.size(); }
    QJXBaseButton *button(int index) const { return m_buttons.value(index); }

signals:
    void emitSelectedTag(int index);

public slots:
    void onButton();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QJXBaseButton *initButton(const QString &title);
    // Clicks the first visible tab from index on; the count when there is none.
    void selectFrom(int index);

    int m_currentIndex = 0;
    QStringList m_titles;
    QList<QJXBaseButton *> m_buttons;
    QJXBaseButton *m_selected = nullptr;
    QColor m_backgroundColor = QColor(255, 0, 0);
    QVBoxLayout *m_verticalLayout = nullptr;
    QHBoxLayout *m_horizontalLayout = nullptr;
};
