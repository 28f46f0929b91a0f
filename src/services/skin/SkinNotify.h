#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

// One notification from a skinned control: "click" (a button or option was clicked),
// "itemclick" (a list row was clicked) or "itemactivate" (a list row was double-clicked).
struct SkinNotify
{
    QString type;
    QPointer<QWidget> sender;
    QPoint point; // mouse position in the skinned window's coordinates at the time of the event
};
