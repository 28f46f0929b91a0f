#pragma once

#include <QLineEdit>
#include <QWidget>

class QToolButton;

// A number field with spin arrows. Typing accepts digits only and is reported as typed (the
// page decides what the text means); the arrows, and the Up and Down keys, step the shown
// value by 1 within the range and write it into the field.
class SpinEdit : public QWidget
{
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }

    QLineEdit* edit() const { return m_edit; }
    QString text() const { return m_edit->text(); }
    // Sets the field's text; reported through textChanged like typing.
    void setText(const QString& text);
    void setValue(int value) { setText(QString::number(value)); }
    void stepBy(int steps);
    // Repaints the arrows (after a range change).
    void repaintArrows();

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void textChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QLineEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
};
