#pragma once

#include <QDialog>
#include <QMargins>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <functional>

#include "ui/preview/PreviewRendering.h"

class CHoverButton;
class QCheckBox;
class QLabel;
class QThread;

// The output preview "输出预览": one photo of the file list at a time, rendered with the
// current template and the resize settings, fitted into the window; the previous and next
// buttons step through the list. Rendering runs on a worker thread with a busy cursor, so
// the window stays responsive; requests made meanwhile replace each other and the latest is
// rendered next.
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
    };

    static constexpr int kPreviousButtonId = 1141;
    static constexpr int kNextButtonId = 1140;

    explicit COutputPreviewDlg(PhotoList photos, QWidget* parent = nullptr);
    ~COutputPreviewDlg() override;

    CHoverButton* previousButton() const { return m_previousButton; }
    CHoverButton* NextButton() const { return m_nextButton; }
    QLabel* pathLabel() const { return m_pathLabel; }
    // "按写出的样子显示": the picture as the output will be written (encoded and decoded again).
    QCheckBox* asWrittenBox() const { return m_asWrittenBox; }
    // The picture area in window coordinates.
    QRect pictureArea() const { return m_pictureArea; }
    // What is shown (or being replaced): cache path, rendered size, the display bitmap.
    const PreviewPicture& Picture() const { return m_picture; }
    // Where the display bitmap is drawn; empty when nothing is drawn.
    QRect displayRect() const;
    bool isRendering() const { return m_worker != nullptr; }

    void onPrevious();
    void onNext();

signals:
    // A photo has been rendered (or found in the cache) and is now shown.
    void previewShown(const QString& photoPath);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
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
    void RenderPreview(const QString& photoPath);
    void startWorker(const QString& photoPath);
    void onWorkerFinished(const PreviewPicture& picture);
    void setBusy(bool busy);

    PhotoList m_photos;
    CHoverButton* m_previousButton = nullptr;
    CHoverButton* m_nextButton = nullptr;
    QLabel* m_pathLabel = nullptr;
    QCheckBox* m_asWrittenBox = nullptr;
    QRect m_pictureArea;

    PreviewPicture m_picture;
    QThread* m_worker = nullptr;
    QString m_pendingPhoto;
    bool m_busy = false;

    // The display bitmap scaled for the rectangle it was last drawn into.
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
