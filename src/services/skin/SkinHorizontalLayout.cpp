#include "services/skin/SkinHorizontalLayout.h"

SkinHorizontalLayout::SkinHorizontalLayout(QWidget* parent) : SkinContainer(Qt::Horizontal, parent) {}
