#pragma once

#include <QSize>
#include <QString>

class QComboBox;
class QGridLayout;
class QLabel;
class QWidget;
class CCoolButtonBar;
class LayerComboBox;
class SpinEdit;

// Pieces that both layer pages build the same way.
namespace PageWidgets {

// The design size of a page; the editor window lays itself out around it.
inline constexpr int kPageWidth = 340;
inline constexpr int kPageHeight = 590;

// The size of both pages: the design size, or the room the controls of either page need when
// that is larger (the texts of some languages are longer). `other` may be null.
QSize pageSize(const QWidget* page, const QWidget* other);

// A label whose text is drawn over the page's white background.
QLabel* makeLabel(const QString& text, QWidget* parent);
// The "图层：" label, in blue.
QLabel* layerLabel(QWidget* parent);
// The 32 x 24 layer menu button; clicking it posts `message` (command 21) to `page`.
CCoolButtonBar* LayerMenuButton(QWidget* page, int message);

// The grid a page lays its controls out in, with the pages' margins and spacing (`rowSpacing`
// between rows).
QGridLayout* pageGrid(QWidget* page, int rowSpacing);

// The first row of a page: the layer label, the layer list ("layer_list") and the layer menu
// button posting `message` to the page.
struct LayerRow
{
    LayerComboBox* list = nullptr;
    CCoolButtonBar* button = nullptr;
};
LayerRow addLayerRow(QGridLayout* grid, int row, QWidget* page, int message);

// The rows a layer page places its part by: "位置：" with the nine cells ("location_list"),
// "偏移:" with the horizontal and vertical offsets ("offset_h", "offset_v") and "旋转："
// ("rotation"), added to `grid` from `row` on (which ends below them).
struct PlacementRows
{
    QComboBox* location = nullptr;
    SpinEdit* offsetH = nullptr;
    SpinEdit* offsetV = nullptr;
    SpinEdit* rotation = nullptr;
};
PlacementRows addPlacementRows(QGridLayout* grid, int& row, QWidget* page);

// A 70 pixel wide number field named `name`.
SpinEdit* numberField(const char* name, int minimum, int maximum, QWidget* parent);
// Puts the value into the field and reports its text as changed even when it stays the same,
// so that a shown value is handled like a typed one.
void showAsTyped(SpinEdit* field, int value);
// Grey text, for the read-only fields that show a chosen font or file.
void greyText(QWidget* field);

// White background for a page.
void paintWhite(QWidget* page);
// Enter typed into a text or number field of the page ends there (the field has finished its
// input) instead of closing the editor window; on the page's other controls Enter closes the
// editor as OK would, and Escape closes it everywhere, both storing the layer as closing does.
void keepEnterInFields(QWidget* page);

} // namespace PageWidgets
