#pragma once

#include <QDialog>
#include <QHash>
#include <QMargins>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QSet>
#include <functional>

#include "ui/preview/PreviewRendering.h"

class CHoverButton;
class QCheckBox;
class QLabel;
class QThread;
class QTimer;

// The output preview "输出预览": one photo of the file list at a time, rendered with the
// current template and settings at the output size, exactly as the run stamps it, fitted into
// the window. It pages like a viewer: the previous and next buttons, Left/Right,
// PageUp/PageDown, Home/End and the mouse wheel; a counter says "3 / 28 — IMG_0003.jpg", and
// the buttons are disabled at the ends. Rendering runs on one worker thread, so the window
// stays responsive and shows a busy indicator meanwhile; requests made meanwhile replace each
// other and the latest is rendered next. Once the photo on show is there, the next one is
// rendered ahead in the background, so that paging to it shows it at once. The cache files
// are written after the pictures are shown, on a second thread.
class COutputPreviewDlg : public QDialog
{
    Q_OBJECT
public:
    // The file list the preview steps through.
    struct PhotoList
    {
        // The selected photo (the first is selected when none is); empty for an empty list.
        std::function<QString()> currentPhotoPath;
        // Select the next or previous photo and return its path; empty (selection kept)
        // at the end of the list.
        std::function<QString()> selectNextPhoto;
        std::function<QString()> selectPreviousPhoto;
        // Optional, for the counter, Home/End and rendering ahead: the number of photos, the
        // selected row (-1: none), selecting a row (returns its path), a row's path (empty
        // outside the list) without selecting it.
        std::function<int()> photoCount{};
        std::function<int()> currentIndex{};
        std::function<QString(int row)> selectPhotoAt{};
        std::function<QString(int row)> photoAt{};
    };

    static constexpr int kPreviousButtonId = 1141;
    static constexpr int kNextButtonId = 1140;

    // `settings`: the main window's values as the preview opens (the template, the resize
    // values and switch); the output settings and choices are read again before each render.
    COutputPreviewDlg(PhotoList photos, RenderSettings settings, QWidget* parent = nullptr);
    ~COutputPreviewDlg() override;

    CHoverButton* previousButton() const { return m_previousButton; }
    CHoverButton* nextButton() const { return m_nextButton; }
    QLabel* pathLabel() const { return m_pathLabel; }
    // "3 / 28 — IMG_0003.jpg" (the place and the name of the photo on show).
    QLabel* counterLabel() const { return m_counterLabel; }
    // "按写出的样子显示": the picture as the output will be written (encoded and decoded again).
    QCheckBox* asWrittenBox() const { return m_asWrittenBox; }
    // The picture area in window coordinates.
    QRect pictureArea() const { return m_pictureArea; }
    // What is shown: cache path, rendered size, the picture at the output size. While the
    // photo asked for is rendered, the picture is empty and the busy indicator shows.
    const PreviewPicture& picture() const { return m_picture; }
    // The line drawn along the picture's bottom edge when layers lie partly outside the photo
    // (empty when none do).
    QString outsideNotice() const;
    // Where the picture is drawn; empty when nothing is drawn.
    QRect displayRect() const;
    // The photo asked for is not shown yet.
    bool isRendering() const { return !m_wanted.isEmpty() && m_picture.photoPath != m_wanted; }
    // The worker is rendering (the photo asked for, or the next one ahead).
    bool isWorking() const { return m_worker != nullptr; }
    // Cache files of shown pictures are still being written (after the pictures are shown).
    bool isWritingCache() const { return m_writer != nullptr || !m_unwritten.isEmpty(); }
    // The photos whose pictures are kept ready (the one on show and its neighbours).
    QStringList readyPhotos() const;

    void onPrevious();
    void onNext();
    void showFirst();
    void showLast();

signals:
    // A photo has been rendered (or found ready) and is now shown.
    void previewShown(const QString& photoPath);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    // Sizes the window so that its frame (title bar and borders included) covers the work
    // area of its screen, and makes that client size the smallest. Does nothing once fitted
    // for the window manager's present frame.
    void fitFrameToWorkArea();
    void showPhoto(const QString& photoPath);
    // Shows the photo the main window selected next or before, or says `atEnd` when none is.
    void showSelected(const std::function<QString()>& select, const QString& atEnd);
    void showRow(int row);
    void RenderPreview(const QString& photoPath);
    void updateCounter();
    // Starts the worker on what is wanted next: the photo asked for, else the one after it.
    void startNextJob();
    void startWorker(const QString& photoPath, int photoNumber);
    void onWorkerFinished(const PreviewPicture& picture);
    void present(const PreviewPicture& picture);
    void forgetFarPictures();
    // Writes the cache files of rendered pictures one at a time on a thread of their own.
    void startWriter();
    void setBusy(bool busy);
    int photoCount() const;
    int rowOf(const QString& photoPath) const;

    PhotoList m_photos;
    RenderSettings m_settings;
    CHoverButton* m_previousButton = nullptr;
    CHoverButton* m_nextButton = nullptr;
    QLabel* m_pathLabel = nullptr;
    QLabel* m_counterLabel = nullptr;
    QCheckBox* m_asWrittenBox = nullptr;
    QRect m_pictureArea;

    PreviewPicture m_picture;
    QString m_wanted;     // the photo asked for
    int m_wantedRow = -1; // its row (-1 when the list does not say)
    QHash<QString, PreviewPicture> m_ready;
    QSet<QString> m_failedAhead; // photos whose render ahead failed (not tried again ahead)
    QThread* m_worker = nullptr;
    QString m_working; // the photo the worker renders
    QThread* m_writer = nullptr;
    QList<PreviewPicture> m_unwritten; // rendered pictures whose cache files are still to be written
    bool m_busy = false;
    QTimer* m_spinner = nullptr;
    int m_spinnerStep = 0;
    int m_wheelDelta = 0;

    // The picture scaled for the rectangle it was last drawn into.
    QPixmap m_scaled;
    QRect m_scaledRect;

    bool m_dragging = false;
    // The frame margins the window was last fitted for; the window manager reports them only
    // some time after the window is shown, so they are looked at again for a short while.
    QMargins m_fittedFrame;
    QSize m_fittedMinimum; // the smallest size this window gave itself
    bool m_fitted = false;
    int m_frameChecks = 0;
};
