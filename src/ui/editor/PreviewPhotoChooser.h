#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QToolButton;

// The row above the editor's preview that chooses what the template is shown on: the built-in
// sample first (the choice the editor opens on), then the photos of the main window's list,
// with ‹ and › buttons for the previous and next entry.
class PreviewPhotoChooser : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPhotoChooser(QWidget* parent = nullptr);

    // The photos after the sample; the sample is chosen again.
    void setPhotos(const QStringList& paths);
    // The chosen photo, empty for the sample.
    QString chosenPhoto() const;
    int currentIndex() const;
    int count() const;
    // Moves the choice by `steps` entries, stopping at the ends.
    void step(int steps);

    QComboBox* list() const { return m_list; }

signals:
    void chosen(const QString& photo);

private:
    void onIndexChanged(int index);

    QComboBox* m_list;
    QToolButton* m_previous;
    QToolButton* m_next;
    QStringList m_paths;
};
