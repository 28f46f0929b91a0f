#pragma once

#include "services/skin/SkinContainer.h"

// A container that places its children from left to right.
class SkinHorizontalLayout : public SkinContainer
{
    Q_OBJECT
public:
    explicit SkinHorizontalLayout(QWidget* parent = nullptr);
};
