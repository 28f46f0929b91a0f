#include "ui/editor/NamingDialogBase.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>

#include "services/language/BuiltinPictureIds.h"
#include "ui/controls/CBmpButton.h"

namespace {

const QColor kBackground(75, 75, 75);
constexpr int kWidth = 320;
constexpr int kHeight = 112;

} // namespace

NamingDialogBase::NamingDialogBase(const QString& title, const QString& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_edit(new QLineEdit(this)), m_ok(new CBmpButton(tr("确定"), this))
{
    setWindowTitle(title);
    setFixedSize(kWidth, kHeight);
    m_edit->setGeometry(16, 38, kWidth - 32, 24);
    m_ok->loadBitmaps(BuiltinPictureIds::PushButtonNormal, BuiltinPictureIds::PushButtonHot,
                      BuiltinPictureIds::PushButtonPressed, BuiltinPictureIds::PushButtonDisabled);
    m_ok->setTextFont(16);
    m_ok->move(kWidth - 16 - m_ok->width(), kHeight - 16 - m_ok->height());
    connect(m_ok, &CBmpButton::clicked, this, [this] { onOk(); });
    m_edit->setFocus();
}

QString NamingDialogBase::typedName() const
{
    return m_edit->text();
}

void NamingDialogBase::inform(const QString& text, bool warning)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                    QStringLiteral("Lumora Plenum"), text, QMessageBox::Ok, this);
    box.exec();
}

void NamingDialogBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(QRect(16, 10, width() - 32, 24), Qt::AlignLeft | Qt::AlignVCenter, m_prompt);
}

void NamingDialogBase::keyPressEvent(QKeyEvent* event)
{
    // Enter works the OK button; Escape closes without a result.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        onOk();
        return;
    }
    QDialog::keyPressEvent(event);
}
