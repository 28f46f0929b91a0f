#pragma once

#include <QString>

class QLabel;
class QWidget;
class CCoolButtonBar;

// Pieces that both layer pages build the same way.
namespace PageWidgets {

// A label whose text is drawn over the page's white background.
QLabel* Label(const QString& text, QWidget* parent);
// The "图层：" label, in blue.
QLabel* LayerLabel(QWidget* parent);
// The 32 x 24 layer menu button; clicking it posts `message` (command 21) to `page`.
CCoolButtonBar* LayerMenuButton(QWidget* page, int message);
// White background for a page.
void PaintWhite(QWidget* page);

} // namespace PageWidgets
