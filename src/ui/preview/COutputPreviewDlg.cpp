#include "ui/preview/COutputPreviewDlg.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include "model/OutputSettings.h"
#include "services/language/BuiltinPictureIds.h"
#include "ui/controls/CHoverButton.h"
#include "ui/controls/DialogFrame.h"
#include "ui/preview/PreviewFitting.h"

namespace {

const QColor kBandColour(81, 81, 81);
const QColor kPathColour(255, 255, 0);
const QColor kCounterColour(255, 255, 255);

// Fixed places of the controls in the window (client coordinates).
constexpr int kButtonTop = 10;
constexpr int kNextFromRight = 100;
constexpr int kButtonGap = 10;
constexpr int kLabelLeft = 4;
constexpr int kLabelFromBottom = 20;
constexpr int kPictureTop = 39;
constexpr int kBandsHeight = 65; // top band plus bottom band
constexpr int kCounterLeft = 12;
constexpr int kWheelStep = 120; // one notch of a common mouse wheel
constexpr int kSpinnerDots = 12;

} // namespace

COutputPreviewDlg::COutputPreviewDlg(PhotoList photos, RenderSettings settings, QWidget* parent)
    : QDialog(parent), m_photos(std::move(photos)), m_settings(std::move(settings))
{
    DialogFrame::setUp(this, QStringLiteral("COutputPreviewDlg"), tr("输出预览"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(9);
    setFont(font);
    setMouseTracking(true);
    // The window itself takes the paging keys; its controls never hold the focus.
    setFocusPolicy(Qt::StrongFocus);

    buildControls();
    m_spinner = new QTimer(this);
    m_spinner->setInterval(80);
    connect(m_spinner, &QTimer::timeout, this, [this]() {
        m_spinnerStep = (m_spinnerStep + 1) % kSpinnerDots;
        update(m_pictureArea);
    });

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

QStringList COutputPreviewDlg::readyPhotos() const
{
    QStringList photos = m_ready.keys();
    photos.sort();
    return photos;
}

COutputPreviewDlg::~COutputPreviewDlg()
{
    // The worker writes into the cache and hands its result to this window: let it end.
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    // The file being written is finished; the files not yet begun are left out.
    m_unwritten.clear();
    if (m_writer) {
        m_writer->wait();
        delete m_writer;
        m_writer = nullptr;
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
    m_pathLabel->setFocusPolicy(Qt::NoFocus);

    m_counterLabel = new QLabel(this);
    m_counterLabel->setObjectName(QStringLiteral("counter_label"));
    m_counterLabel->setAttribute(Qt::WA_TranslucentBackground);
    QPalette white = m_counterLabel->palette();
    white.setColor(QPalette::WindowText, kCounterColour);
    m_counterLabel->setPalette(white);
    m_counterLabel->setStyleSheet(
        QStringLiteral("color: rgb(255, 255, 255); background: transparent; font-weight: bold;"));
    m_counterLabel->setFocusPolicy(Qt::NoFocus);
    m_previousButton->setFocusPolicy(Qt::NoFocus);
    m_nextButton->setFocusPolicy(Qt::NoFocus);

    m_asWrittenBox = new QCheckBox(tr("按写出的样子显示"), this);
    m_asWrittenBox->setObjectName(QStringLiteral("as_written_box"));
    m_asWrittenBox->setToolTip(tr("按输出格式和输出质量编码后再解码显示，可在处理前判断质量。"));
    // White text on the dark band; the indicator keeps the style's own colours.
    m_asWrittenBox->setStyleSheet(QStringLiteral("QCheckBox { color: white; }"));
    connect(m_asWrittenBox, &QCheckBox::toggled, this, [this]() {
        // The pictures kept ready were made for the other choice.
        m_ready.clear();
        m_failedAhead.clear();
        if (!m_wanted.isEmpty())
            RenderPreview(m_wanted);
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
    // The counter takes the top band between the "show as written" box and the buttons.
    const int counterLeft = m_asWrittenBox->geometry().right() + kCounterLeft;
    m_counterLabel->setGeometry(counterLeft, 0, qMax(0, m_previousButton->x() - kCounterLeft - counterLeft),
                                kPictureTop);
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

int COutputPreviewDlg::photoCount() const
{
    return m_photos.photoCount ? m_photos.photoCount() : -1;
}

int COutputPreviewDlg::rowOf(const QString& photoPath) const
{
    if (photoPath.isEmpty() || !m_photos.currentIndex)
        return -1;
    const int row = m_photos.currentIndex();
    // The list's selection is the photo asked for; any other answer means the list cannot say.
    return m_photos.photoAt && m_photos.photoAt(row) == photoPath ? row : -1;
}

void COutputPreviewDlg::showPhoto(const QString& photoPath)
{
    m_wanted = photoPath;
    m_wantedRow = rowOf(photoPath);
    m_pathLabel->setText(photoPath);
    updateCounter();
    if (photoPath.isEmpty())
        return;
    RenderPreview(photoPath);
}

void COutputPreviewDlg::showRow(int row)
{
    if (!m_photos.selectPhotoAt || row < 0 || row == m_wantedRow)
        return;
    const QString path = m_photos.selectPhotoAt(row);
    if (!path.isEmpty())
        showPhoto(path);
}

void COutputPreviewDlg::updateCounter()
{
    const int count = photoCount();
    const int row = m_wantedRow;
    const bool placed = count > 0 && row >= 0;
    const QString name = QFileInfo(m_wanted).fileName();
    if (m_wanted.isEmpty())
        m_counterLabel->clear();
    else if (placed)
        m_counterLabel->setText(QStringLiteral("%1 / %2 — %3").arg(row + 1).arg(count).arg(name));
    else
        m_counterLabel->setText(name);
    // At the ends the buttons say so by being disabled; without a place both stay usable.
    m_previousButton->setEnabled(!placed || row > 0);
    m_nextButton->setEnabled(!placed || row + 1 < count);
    m_previousButton->setToolTipText(placed && row == 0 ? tr("这是第一张") : tr("上一张"));
    m_nextButton->setToolTipText(placed && row + 1 >= count ? tr("这是最后一张") : tr("下一张"));
}

void COutputPreviewDlg::onPrevious()
{
    if (m_wantedRow == 0 && photoCount() > 0)
        return; // the first photo: the disabled button says so
    showSelected(m_photos.selectPreviousPhoto, tr("This is the first one."));
}

void COutputPreviewDlg::onNext()
{
    const int count = photoCount();
    if (m_wantedRow >= 0 && count > 0 && m_wantedRow + 1 >= count)
        return; // the last photo: the disabled button says so
    showSelected(m_photos.selectNextPhoto, tr("This is the last one."));
}

void COutputPreviewDlg::showSelected(const std::function<QString()>& select, const QString& atEnd)
{
    const QString path = select ? select() : QString();
    if (path.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("Lumora Plenum"), atEnd);
        return;
    }
    showPhoto(path);
}

void COutputPreviewDlg::showFirst()
{
    showRow(0);
}

void COutputPreviewDlg::showLast()
{
    const int count = photoCount();
    if (count > 0)
        showRow(count - 1);
}

void COutputPreviewDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        onPrevious();
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        onNext();
        break;
    case Qt::Key_Home:
        showFirst();
        break;
    case Qt::Key_End:
        showLast();
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

void COutputPreviewDlg::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QDialog::wheelEvent(event);
        return;
    }
    // A turn the other way starts afresh; a touchpad's small steps add up to whole notches.
    if ((delta > 0) != (m_wheelDelta > 0))
        m_wheelDelta = 0;
    m_wheelDelta += delta;
    while (m_wheelDelta >= kWheelStep) {
        m_wheelDelta -= kWheelStep;
        onPrevious();
    }
    while (m_wheelDelta <= -kWheelStep) {
        m_wheelDelta += kWheelStep;
        onNext();
    }
    event->accept();
}

void COutputPreviewDlg::RenderPreview(const QString& photoPath)
{
    // Output preferences may have changed since the last render; a file that cannot be read
    // leaves the values the last render had.
    m_settings.reloadOutputChoices();
    const auto ready = m_ready.constFind(photoPath);
    if (ready != m_ready.constEnd()) {
        // Rendered ahead: shown at once while nothing it was drawn from has changed since.
        if (ready->asWritten == m_asWrittenBox->isChecked() &&
            ready->fingerprint == renderFingerprint(previewRequest(m_settings, photoPath, m_wantedRow + 1))) {
            present(*ready);
            forgetFarPictures();
            startNextJob();
            return;
        }
        m_ready.remove(photoPath);
    }
    // Nothing of the photo before stays on the page: the busy indicator shows instead.
    m_picture = PreviewPicture();
    m_scaled = QPixmap();
    m_scaledRect = QRect();
    setBusy(true);
    update();
    // One render at a time; when the worker is busy, the photo asked for last is rendered next.
    startNextJob();
}

void COutputPreviewDlg::startNextJob()
{
    if (m_worker)
        return;
    if (isRendering()) {
        startWorker(m_wanted, m_wantedRow + 1);
        return;
    }
    if (m_wantedRow < 0 || !m_photos.photoAt)
        return;
    const QString ahead = m_photos.photoAt(m_wantedRow + 1);
    if (ahead.isEmpty() || ahead == m_wanted || m_ready.contains(ahead) || m_failedAhead.contains(ahead))
        return;
    startWorker(ahead, m_wantedRow + 2);
}

void COutputPreviewDlg::startWorker(const QString& photoPath, int photoNumber)
{
    m_working = photoPath;
    const QSize area = m_pictureArea.size();
    auto result = std::make_shared<PreviewPicture>();
    const bool asWritten = m_asWrittenBox->isChecked();
    const RenderRequest request = previewRequest(m_settings, photoPath, photoNumber);
    m_worker = QThread::create([result, request, area, asWritten]() {
        *result = renderPreviewPicture(request, area, false, asWritten);
    });
    connect(m_worker, &QThread::finished, this, [this, result]() {
        m_worker->deleteLater();
        m_worker = nullptr;
        m_working.clear();
        onWorkerFinished(*result);
    });
    m_worker->start();
}

void COutputPreviewDlg::startWriter()
{
    // Pictures no longer kept ready are left unwritten: paging fast past large photos would
    // otherwise pile up their pictures here.
    while (!m_unwritten.isEmpty() && !m_ready.contains(m_unwritten.first().photoPath) &&
           m_unwritten.first().photoPath != m_picture.photoPath)
        m_unwritten.removeFirst();
    if (m_writer || m_unwritten.isEmpty())
        return;
    const PreviewPicture picture = m_unwritten.takeFirst();
    m_writer = QThread::create([picture]() { writePreviewCache(picture); });
    connect(m_writer, &QThread::finished, this, [this]() {
        m_writer->deleteLater();
        m_writer = nullptr;
        startWriter();
    });
    m_writer->start();
}

void COutputPreviewDlg::onWorkerFinished(const PreviewPicture& picture)
{
    // A picture rendered before "show as written" was switched is not the one asked for.
    const bool current = picture.asWritten == m_asWrittenBox->isChecked();
    if (current && picture.error.isEmpty()) {
        m_ready.insert(picture.photoPath, picture);
        // The cache file holds the render itself, never a picture shown as written.
        if (picture.composed && !picture.asWritten)
            m_unwritten.append(picture);
    } else if (current && picture.photoPath != m_wanted) {
        m_failedAhead.insert(picture.photoPath);
    }
    if (current && picture.photoPath == m_wanted && isRendering())
        present(picture);
    forgetFarPictures();
    startNextJob();
    startWriter();
}

void COutputPreviewDlg::present(const PreviewPicture& picture)
{
    m_picture = picture;
    m_scaled = QPixmap();
    m_scaledRect = QRect();
    setBusy(false);
    update();
    emit previewShown(picture.photoPath);
}

void COutputPreviewDlg::forgetFarPictures()
{
    // The photo on show and its two neighbours stay ready; pictures of photos at their output
    // size are large.
    QSet<QString> near{m_wanted};
    if (m_wantedRow >= 0 && m_photos.photoAt) {
        near.insert(m_photos.photoAt(m_wantedRow - 1));
        near.insert(m_photos.photoAt(m_wantedRow + 1));
    }
    for (auto it = m_ready.begin(); it != m_ready.end();) {
        if (near.contains(it.key()))
            ++it;
        else
            it = m_ready.erase(it);
    }
}

void COutputPreviewDlg::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        m_spinnerStep = 0;
        m_spinner->start();
    } else {
        QApplication::restoreOverrideCursor();
        m_spinner->stop();
    }
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
        } else if (target.size() == m_picture.fitted.size()) {
            // Scaled on the worker for the area it is shown in.
            painter.drawImage(target.topLeft(), m_picture.fitted);
        } else {
            if (m_scaledRect != target || m_scaled.isNull()) {
                m_scaled = QPixmap::fromImage(
                    m_picture.display.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                m_scaledRect = target;
            }
            painter.drawPixmap(target.topLeft(), m_scaled);
        }
        const QString notice = outsideNotice();
        if (!notice.isEmpty()) {
            // One line along the picture's bottom edge naming the layers that leave the photo.
            const int lineHeight = painter.fontMetrics().height() + 6;
            const QRect line(target.left(), target.bottom() + 1 - lineHeight, target.width(), lineHeight);
            painter.fillRect(line, QColor(150, 20, 20, 200));
            painter.setPen(Qt::white);
            painter.drawText(line.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             painter.fontMetrics().elidedText(notice, Qt::ElideRight, line.width() - 12));
        }
    } else if (isRendering()) {
        // The busy indicator: a ring of dots, one of them bright, going round.
        const QPoint centre = m_pictureArea.center();
        const int radius = 18;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < kSpinnerDots; ++i) {
            const int age = (m_spinnerStep - i + kSpinnerDots) % kSpinnerDots;
            painter.setBrush(QColor(81, 81, 81, 230 - age * 16));
            painter.save();
            painter.translate(centre);
            painter.rotate(360.0 * i / kSpinnerDots);
            painter.drawEllipse(QPointF(0, -radius), 3.5, 3.5);
            painter.restore();
        }
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(QRect(m_pictureArea.left(), centre.y() + radius + 12, m_pictureArea.width(),
                               painter.fontMetrics().height() + 4),
                         Qt::AlignHCenter | Qt::AlignTop, tr("正在生成预览…"));
    } else if (!m_picture.error.isEmpty()) {
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

QString COutputPreviewDlg::outsideNotice() const
{
    QStringList notices;
    for (const QString& layer : m_picture.outside)
        notices << tr("图层 \"%1\" 有一部分在照片外").arg(layer);
    return notices.join(QStringLiteral("；"));
}
