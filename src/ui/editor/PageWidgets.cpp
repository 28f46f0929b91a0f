#include "ui/editor/PageWidgets.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "services/language/BuiltinPictureIds.h"
#include "services/language/CLanguageManager.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/editor/LayerComboBox.h"
#include "ui/editor/SpinEdit.h"

namespace PageWidgets {

namespace {

class EnterInFieldFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    // Sees the keys that reach the page, that is the keys its focused control did not take.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
                isTextField(static_cast<QWidget*>(watched)->window()->focusWidget()))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static bool isTextField(const QWidget* widget)
    {
        return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
               qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
    }
};

} // namespace

QSize pageSize(const QWidget* page, const QWidget* other)
{
    QSize size = QSize(kPageWidth, kPageHeight).expandedTo(page->minimumSizeHint());
    return other ? size.expandedTo(other->minimumSizeHint()) : size;
}

QLabel* makeLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

QGridLayout* pageGrid(QWidget* page, int rowSpacing)
{
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(rowSpacing);
    return grid;
}

PlacementRows addPlacementRows(QGridLayout* grid, int& row, QWidget* page)
{
    PlacementRows rows;
    rows.location = new QComboBox(page);
    rows.location->setObjectName(QStringLiteral("location_list"));
    for (int i = 0; i < 9; ++i)
        rows.location->addItem(CLanguageManager::LoadLanguageString(BuiltinStringIds::FirstLocationName + i));
    grid->addWidget(makeLabel(QCoreApplication::translate("PageWidgets", "位置："), page), row, 0);
    grid->addWidget(rows.location, row++, 1, 1, 4);

    rows.offsetH = numberField("offset_h", -32767, 32767, page);
    rows.offsetV = numberField("offset_v", -32767, 32767, page);
    grid->addWidget(makeLabel(QCoreApplication::translate("PageWidgets", "偏移:"), page), row, 0);
    grid->addWidget(makeLabel(QCoreApplication::translate("PageWidgets", "水平"), page), row, 1,
                    Qt::AlignRight);
    grid->addWidget(rows.offsetH, row, 2);
    grid->addWidget(makeLabel(QCoreApplication::translate("PageWidgets", "垂直"), page), row, 3,
                    Qt::AlignRight);
    grid->addWidget(rows.offsetV, row++, 4);

    rows.rotation = numberField("rotation", -360, 360, page);
    grid->addWidget(makeLabel(QCoreApplication::translate("PageWidgets", "旋转："), page), row, 0);
    grid->addWidget(rows.rotation, row++, 2);
    return rows;
}

QLabel* layerLabel(QWidget* parent)
{
    QLabel* label = makeLabel(QCoreApplication::translate("PageWidgets", "图层："), parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(pal);
    // The skin's style sheet colours every text of the windows over the main window; the
    // label's own sheet comes first.
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    return label;
}

CCoolButtonBar* LayerMenuButton(QWidget* page, int message)
{
    auto* bar = new CCoolButtonBar(page);
    bar->setObjectName(QStringLiteral("layer_button"));
    bar->setFixedSize(32, 24);
    bar->SetButtons({CoolButton{1, 21, 0, 0, 32, 24, BuiltinStringIds::LayerButtonTip}},
                    {BuiltinPictureIds::LayerButtonNormal, BuiltinPictureIds::LayerButtonNormal,
                     BuiltinPictureIds::LayerButtonPressed, BuiltinPictureIds::LayerButtonNormal});
    bar->CreateTooltips();
    bar->SetTarget(page, message);
    return bar;
}

LayerRow addLayerRow(QGridLayout* grid, int row, QWidget* page, int message)
{
    LayerRow layer;
    layer.list = new LayerComboBox(page);
    layer.list->setObjectName(QStringLiteral("layer_list"));
    layer.button = LayerMenuButton(page, message);
    auto* box = new QHBoxLayout;
    box->addWidget(layer.list, 1);
    box->addWidget(layer.button);
    grid->addWidget(layerLabel(page), row, 0);
    grid->addLayout(box, row, 1, 1, 4);
    return layer;
}

SpinEdit* numberField(const char* name, int minimum, int maximum, QWidget* parent)
{
    auto* field = new SpinEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setRange(minimum, maximum);
    field->setFixedWidth(70);
    return field;
}

void showAsTyped(SpinEdit* field, int value)
{
    {
        const QSignalBlocker block(field);
        field->setValue(value);
    }
    emit field->textChanged(field->text());
    // A shown value outside a kept range is corrected like a finished edit.
    field->finishEditing();
}

void greyText(QWidget* field)
{
    QPalette grey = field->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    field->setPalette(grey);
    // The skin's style sheet colours the texts of the windows over the main window; the
    // field's own sheet comes first.
    field->setStyleSheet(field->styleSheet() + QStringLiteral(" QLineEdit { color: rgb(128, 128, 128); }"));
}

void paintWhite(QWidget* page)
{
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, Qt::white);
    page->setPalette(pal);
    page->setAutoFillBackground(true);
}

void keepEnterInFields(QWidget* page)
{
    page->installEventFilter(new EnterInFieldFilter(page));
}

} // namespace PageWidgets
