#include "ui/preview/COutputPreviewDlg.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "model/OutputSettings.h"
#include "services/language/BuiltinPictureIds.h"
#include "ui/controls/CHoverButton.h"
#include "ui/controls/DialogKeyFilter.h"
#include "ui/preview/PreviewFitting.h"

namespace {

const QColor kBandColour(81, 81, 81);
const QColor kPathColour(255, 255, 0);

// Fixed places of the controls in the window (client coordinates).
constexpr int kButtonTop = 10;
constexpr int kNextFromRight = 100;
constexpr int kButtonGap = 10;
constexpr int kLabelLeft = 4;
constexpr int kLabelFromBottom = 20;
constexpr int kPictureTop = 39;
constexpr int kBandsHeight = 65; // top band plus bottom band

} // namespace

COutputPreviewDlg::COutputPreviewDlg(PhotoList photos, QWidget* parent)
    : QDialog(parent), m_photos(std::move(photos))
{
    setObjectName(QStringLiteral("COutputPreviewDlg"));
    setWindowTitle(tr("输出预览"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    DialogKeyFilter::Install(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(9);
    setFont(font);
    setMouseTracking(true);

    buildControls();

    // The window covers the work area of its screen; that size is also its smallest. With a
    // window manager the frame is taken off once it is known (FitFrameToWorkArea).
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->availableGeometry());
    setMinimumSize(size());
    m_fittedMinimum = size();
    layoutControls();

    showPhoto(m_photos.currentPhotoPath ? m_photos.currentPhotoPath() : QString());
}

COutputPreviewDlg::~COutputPreviewDlg()
{
    // The worker writes into the cache and hands its result to this window: let it end.
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    setBusy(false);
}

void COutputPreviewDlg::buildControls()
{
    m_previousButton = new CHoverButton(this);
    m_previousButton->setObjectName(QStringLiteral("previous_button"));
    m_previousButton->loadBitmap(BuiltinPictureIds::PreviousPhotoButton);
    m_previousButton->setToolTipText(tr("上一张"));
    m_previousButton->setAccessibleName(QStringLiteral("<<"));

    m_nextButton = new CHoverButton(this);
    m_nextButton->setObjectName(QStringLiteral("next_button"));
    m_nextButton->loadBitmap(BuiltinPictureIds::NextPhotoButton);
    m_nextButton->setText(QStringLiteral(">>"));
    m_nextButton->setToolTipText(tr("下一张"));

    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("path_label"));
    m_pathLabel->setAttribute(Qt::WA_TranslucentBackground);
    m_pathLabel->setAutoFillBackground(false);
    QPalette yellow = m_pathLabel->palette();
    yellow.setColor(QPalette::WindowText, kPathColour);
    m_pathLabel->setPalette(yellow);
    // Over the main window the skin's style sheet colours texts; the label's own sheet comes first.
    m_pathLabel->setStyleSheet(QStringLiteral("color: rgb(255, 255, 0); background: transparent;"));
    m_pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_asWrittenBox = new QCheckBox(tr("按写出的样子显示"), this);
    m_asWrittenBox->setObjectName(QStringLiteral("as_written_box"));
    m_asWrittenBox->setToolTip(tr("按输出格式和输出质量编码后再解码显示，可在处理前判断质量。"));
    // White text on the dark band; the indicator keeps the style's own colours.
    m_asWrittenBox->setStyleSheet(QStringLiteral("QCheckBox { color: white; }"));
    connect(m_asWrittenBox, &QCheckBox::toggled, this, [this]() {
        if (!m_picture.photoPath.isEmpty())
            RenderPreview(m_picture.photoPath);
    });

    connect(m_previousButton, &CHoverButton::clicked, this, &COutputPreviewDlg::onPrevious);
    connect(m_nextButton, &CHoverButton::clicked, this, &COutputPreviewDlg::onNext);
}

void COutputPreviewDlg::layoutControls()
{
    const int cw = width();
    const int ch = height();
    const QSize buttonSize = m_nextButton->frameSize();
    m_nextButton->setGeometry(cw - kNextFromRight, kButtonTop, buttonSize.width(), buttonSize.height());
    m_previousButton->setGeometry(cw - kNextFromRight - kButtonGap - m_previousButton->frameSize().width(),
                                  kButtonTop, m_previousButton->frameSize().width(),
                                  m_previousButton->frameSize().height());
    const QSize boxSize = m_asWrittenBox->sizeHint();
    m_asWrittenBox->setGeometry(kLabelLeft + 6, kButtonTop + (buttonSize.height() - boxSize.height()) / 2,
                                boxSize.width(), boxSize.height());
    const int labelHeight = m_pathLabel->fontMetrics().height() + 2;
    m_pathLabel->setGeometry(kLabelLeft, ch - kLabelFromBottom, cw - 2 * kLabelLeft, labelHeight);
    m_pictureArea = QRect(0, kPictureTop, cw, qMax(0, ch - kBandsHeight));
}

void COutputPreviewDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void COutputPreviewDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fitFrameToWorkArea();
    // The window manager adds its frame after mapping the window: look again for a short while.
    m_frameChecks = 0;
    auto* checks = new QTimer(this);
    checks->setInterval(25);
    connect(checks, &QTimer::timeout, this, [this, checks]() {
        fitFrameToWorkArea();
        if (++m_frameChecks >= 40 || !m_fittedFrame.isNull())
            checks->deleteLater();
    });
    checks->start();
}

void COutputPreviewDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (isVisible())
        fitFrameToWorkArea();
}

void COutputPreviewDlg::fitFrameToWorkArea()
{
    QScreen* where = screen();
    QWindow* window = windowHandle();
    if (!where || !window || isMaximized() || isFullScreen())
        return;
    const QMargins frame = window->frameMargins();
    if (m_fitted && frame == m_fittedFrame)
        return;
    m_fitted = true;
    m_fittedFrame = frame;
    const QRect client = where->availableGeometry().marginsRemoved(frame);
    // The smallest size follows, unless the window's owner has set one of its own.
    if (minimumSize() == m_fittedMinimum)
        setMinimumSize(client.size());
    m_fittedMinimum = client.size();
    setGeometry(client);
}

void COutputPreviewDlg::showPhoto(const QString& photoPath)
{
    m_pathLabel->setText(photoPath);
    if (photoPath.isEmpty())
        return;
    RenderPreview(photoPath);
}

void COutputPreviewDlg::onPrevious()
{
    const QString path = m_photos.selectPreviousPhoto ? m_photos.selectPreviousPhoto() : QString();
    if (path.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("Lumora Plenum"), tr("This is the first one."));
        return;
    }
    showPhoto(path);
}

void COutputPreviewDlg::onNext()
{
    const QString path = m_photos.selectNextPhoto ? m_photos.selectNextPhoto() : QString();
    if (path.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("Lumora Plenum"), tr("This is the last one."));
        return;
    }
    showPhoto(path);
}

void COutputPreviewDlg::RenderPreview(const QString& photoPath)
{
    // Output preferences may have changed since the last render.
    LoadPreferences();
    if (m_worker) {
        // One render at a time; the latest request is rendered when this one ends.
        m_pendingPhoto = photoPath;
        return;
    }
    startWorker(photoPath);
}

void COutputPreviewDlg::startWorker(const QString& photoPath)
{
    setBusy(true);
    auto result = std::make_shared<PreviewPicture>();
    const bool asWritten = m_asWrittenBox->isChecked();
    m_worker = QThread::create(
        [result, photoPath, asWritten]() { *result = renderPreviewPicture(photoPath, asWritten); });
    connect(m_worker, &QThread::finished, this, [this, result]() {
        m_worker->deleteLater();
        m_worker = nullptr;
        onWorkerFinished(*result);
    });
    m_worker->start();
}

void COutputPreviewDlg::onWorkerFinished(const PreviewPicture& picture)
{
    if (!m_pendingPhoto.isEmpty()) {
        const QString next = m_pendingPhoto;
        m_pendingPhoto.clear();
        if (next != picture.photoPath || picture.asWritten != m_asWrittenBox->isChecked()) {
            startWorker(next);
            return;
        }
    }
    m_picture = picture;
    m_scaled = QPixmap();
    m_scaledRect = QRect();
    setBusy(false);
    update();
    emit previewShown(picture.photoPath);
}

void COutputPreviewDlg::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

QRect COutputPreviewDlg::displayRect() const
{
    if (m_picture.display.isNull())
        return QRect();
    return fitPreviewRect(m_picture.display.size(), m_pictureArea);
}

void COutputPreviewDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    painter.fillRect(client, Qt::white);
    painter.fillRect(QRect(QPoint(0, 0), QPoint(client.right(), m_pictureArea.top() - 1)), kBandColour);
    painter.fillRect(QRect(QPoint(0, m_pictureArea.bottom() + 1), client.bottomRight()), kBandColour);

    const QRect target = displayRect();
    if (target.isValid()) {
        if (target.size() == m_picture.display.size()) {
            painter.drawImage(target.topLeft(), m_picture.display);
        } else {
            if (m_scaledRect != target || m_scaled.isNull()) {
                m_scaled = QPixmap::fromImage(
                    m_picture.display.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                m_scaledRect = target;
            }
            painter.drawPixmap(target.topLeft(), m_scaled);
        }
    } else if (!m_picture.error.isEmpty() && !isRendering()) {
        painter.setPen(QColor(150, 150, 150));
        painter.drawText(m_pictureArea.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         tr("无法预览这张照片：%1").arg(m_picture.error));
    }
}

void COutputPreviewDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        setCursor(Qt::ClosedHandCursor);
    }
    QDialog::mousePressEvent(event);
}

void COutputPreviewDlg::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    QDialog::mouseMoveEvent(event);
}

void COutputPreviewDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        setCursor(Qt::OpenHandCursor);
    }
    QDialog::mouseReleaseEvent(event);
}
