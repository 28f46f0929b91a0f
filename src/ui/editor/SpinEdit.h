#pragma once

#include <QLineEdit>
#include <QWidget>

class QRegularExpressionValidator;
class QToolButton;

// A number field with spin arrows. Typing accepts digits only, after a minus sign when the
// range holds negative values, and is reported as typed (the page decides what the text
// means); the arrows, and the Up and Down keys, step the shown
// value by 1 within the range and write it into the field. A field that keeps its text within
// the range rewrites a value outside it to the nearer bound when the edit is finished (Enter,
// leaving the field): a person can type 120 into a field of 100 to 255 digit by digit.
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
    // Whether finishing an edit rewrites a value outside the range to the bound (off at first).
    void setKeepInRange(bool keep) { m_keepInRange = keep; }
    bool keepsInRange() const { return m_keepInRange; }
    // Ends an edit: in a field that keeps its range, a value outside it becomes the bound
    // (reported through textChanged). Called on Enter, when the field loses the focus, and by
    // pages that swallow the Enter key themselves.
    void finishEditing();
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
    void updateValidator();

    QLineEdit* m_edit;
    QRegularExpressionValidator* m_validator = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    bool m_keepInRange = false;
};
