#pragma once

class QWidget;

// Gives a control's text a thin white shadow one pixel below it (the engraved look of the
// toolbar on its light background), or removes it.
void EnableTextWhiteShadow(QWidget* control, bool enable);
