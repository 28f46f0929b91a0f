#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QTest>

#include "model/DataFiles.h"
#include "support/ModalCatcher.h"
#include "xml/XmlDocument.h"

// Answers the folder chooser: chooses `folder`, or cancels when it is empty. Records the
// chooser's title, starting folder and whether its new-folder button was shown.
struct FolderChooserScript
{
    QString folder;
    QString seenTitle;
    QString seenDirectory;
    bool newFolderButtonVisible = true;
    int runs = 0;
    QString screenshot; // where to save a picture of the chooser, when set

    ModalCatcher catcher()
    {
        return ModalCatcher([this](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog)
                return;
            ++runs;
            seenTitle = dialog->windowTitle();
            seenDirectory = dialog->directory().absolutePath();
            auto* button = dialog->findChild<QAbstractButton*>(QStringLiteral("newFolderButton"));
            newFolderButtonVisible = button && button->isVisibleTo(dialog);
            if (!screenshot.isEmpty())
                dialog->grab().save(screenshot);
            if (folder.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(folder);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }
};

// The text of one element below "Preferences" of "preference.xml"; a null string when the
// file or the element is missing.
inline QString preferenceElement(const QString& name)
{
    XmlDocument doc;
    if (!doc.LoadFile(preferencesPath()) || !doc.FindElement(QStringLiteral("Preferences")) ||
        !doc.EnterElement() || !doc.FindElement(name))
        return QString();
    const QString text = doc.GetElementData();
    return text.isNull() ? QStringLiteral("") : text;
}

// Writes a small photo (gradient, so that encoders have something to do).
inline bool writeTestPhoto(const QString& path, const QSize& size = QSize(320, 240))
{
    QDir().mkpath(QFileInfo(path).path());
    QImage photo(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 120));
    return photo.save(path);
}

// Clicks a radio button or check box on its indicator, where a click always lands (the
// middle of a wide box may lie beyond its text).
inline void clickOption(QAbstractButton* option)
{
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}
