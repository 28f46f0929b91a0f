#include "ui/editor/SpinEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/DataFiles.h"

SpinEdit::SpinEdit(QWidget* parent) : QWidget(parent), m_edit(new QLineEdit(this))
{
    m_validator = new QRegularExpressionValidator(m_edit);
    m_edit->setValidator(m_validator);
    updateValidator();
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, &SpinEdit::textChanged);
    connect(m_edit, &QLineEdit::editingFinished, this, &SpinEdit::finishEditing);

    auto makeArrow = [this](Qt::ArrowType type, int step) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid #b8bec8; background: #f2f4f7; }"
                                        "QToolButton:pressed { background: #d5dbe5; }"));
        connect(b, &QToolButton::clicked, this, [this, step] { stepBy(step); });
        return b;
    };
    m_up = makeArrow(Qt::UpArrow, 1);
    m_down = makeArrow(Qt::DownArrow, -1);

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_edit);
    row->addLayout(arrows);
    m_edit->setFixedHeight(22);
}

void SpinEdit::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    updateValidator();
}

void SpinEdit::updateValidator()
{
    // A field whose range holds negative values takes a minus sign in front, typed or pasted.
    m_validator->setRegularExpression(
        QRegularExpression(m_min < 0 ? QStringLiteral("-?[0-9]*") : QStringLiteral("[0-9]*")));
}

void SpinEdit::setText(const QString& text)
{
    m_edit->setText(text);
}

void SpinEdit::stepBy(int steps)
{
    const qint64 value = qint64(readXmlInt(m_edit->text())) + steps;
    setValue(static_cast<int>(qBound(qint64(m_min), value, qint64(m_max))));
}

void SpinEdit::finishEditing()
{
    if (!m_keepInRange)
        return;
    const int typed = readXmlInt(m_edit->text());
    const int bounded = qBound(m_min, typed, m_max);
    if (bounded != typed)
        setValue(bounded);
}

void SpinEdit::repaintArrows()
{
    m_up->update();
    m_down->update();
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            finishEditing();
    }
    return QWidget::eventFilter(watched, event);
}

void SpinEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        repaintArrows();
    QWidget::changeEvent(event);
}
