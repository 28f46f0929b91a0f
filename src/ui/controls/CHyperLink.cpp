#include "ui/controls/CHyperLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

CHyperLink::UrlOpener& customOpener()
{
    static CHyperLink::UrlOpener opener;
    return opener;
}

// The desktop's handler for the address: web pages and mail in the browser or mail program,
// local paths with their associated program.
int desktopOpen(const QString& address)
{
    QUrl url = QUrl::fromUserInput(address);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return 2; // the file was not found
    if (!url.isValid())
        return 2;
    return QDesktopServices::openUrl(url) ? CHyperLink::kOpenSucceeded : 31; // no associated program
}

} // namespace

CHyperLink::CHyperLink(const QString& text, QWidget* parent, const QString& url)
    : QLabel(text, parent), m_url(url)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    if (m_url.isEmpty())
        m_url = this->text();
    if (this->text().isEmpty())
        setText(m_url);
    m_normalFont = font();
    m_normalFont.setUnderline(false);
    m_underlineFont = m_normalFont;
    m_underlineFont.setUnderline(true);
    applyFont();
    setToolTip(m_url);
    m_hoverTimer.setInterval(kHoverTimerPeriodMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CHyperLink::checkHover);
    adjustToText();
}

void CHyperLink::SetURL(const QString& address)
{
    m_url = address;
    setToolTip(address);
    adjustToText();
}

void CHyperLink::setColours(const QColor& link, const QColor& visited, const QColor& hover)
{
    m_linkColour = link;
    m_visitedColour = visited;
    m_hoverColour = hover;
    update();
}

QColor CHyperLink::getHoverColour() const
{
    return m_hoverColour.isValid() ? m_hoverColour : palette().color(QPalette::Highlight);
}

void CHyperLink::SetVisited(bool visited)
{
    m_visited = visited;
    update();
}

void CHyperLink::SetUnderline(int mode)
{
    m_underline = mode;
    applyFont();
    adjustToText();
}

void CHyperLink::SetAutoSize(bool autoSize)
{
    m_adjust = autoSize;
    adjustToText();
}

QColor CHyperLink::currentColour() const
{
    if (m_over)
        return getHoverColour();
    return m_visited ? m_visitedColour : m_linkColour;
}

void CHyperLink::applyFont()
{
    const bool underlined = m_underline == UnderlineAlways || (m_underline == UnderlineHover && m_over);
    setFont(underlined ? m_underlineFont : m_normalFont);
    update();
}

// Fits the label to its text, keeping the edge its alignment anchors it to.
void CHyperLink::adjustToText()
{
    if (!m_adjust)
        return;
    const QSize textSize = QFontMetrics(m_underlineFont).size(Qt::TextSingleLine, text());
    QRect r = geometry();
    QRect fitted(r.topLeft(), textSize);
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignRight)
        fitted.moveRight(r.right());
    else if (a & Qt::AlignHCenter)
        fitted.moveLeft(r.left() + (r.width() - textSize.width()) / 2);
    if (a & Qt::AlignVCenter)
        fitted.moveTop(r.top() + (r.height() - textSize.height()) / 2);
    setGeometry(fitted);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_over) {
        m_over = true;
        applyFont();
        m_hoverTimer.start();
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::checkHover()
{
    if (rect().contains(mapFromGlobal(QCursor::pos())) && underMouse())
        return;
    m_over = false;
    m_hoverTimer.stop();
    applyFont();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    m_over = false;
    m_hoverTimer.stop();
    applyFont();
    const int result = GotoURL(m_url, 5);
    if (result > 32) {
        SetVisited(true);
        return;
    }
    QApplication::beep();
    const QString message = tr("Unable to open hyperlink:\n\n") + errorText(result);
    emit openFailed(message);
    QMessageBox::warning(this, QStringLiteral("Lumora Plenum"), message);
}

int CHyperLink::GotoURL(const QString& address, int /*showCommand*/)
{
    if (customOpener())
        return customOpener()(address);
    return desktopOpen(address);
}

void CHyperLink::setUrlOpener(UrlOpener opener)
{
    customOpener() = std::move(opener);
}

QString CHyperLink::errorText(int code)
{
    switch (code) {
    case 0:
        return tr("The operating system is out\nof memory or resources.");
    case 2:
        return tr("The specified file was not found.");
    case 3:
        return tr("The specified path was not found.");
    case 5:
        return tr("The operating system denied\naccess to the specified file.");
    case 8:
        return tr("There was not enough memory to complete the operation.");
    case 11:
        return tr("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return tr("A sharing violation occurred.");
    case 27:
        return tr("The filename association is\nincomplete or invalid.");
    case 28:
        return tr("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return tr("The DDE transaction failed.");
    case 30:
        return tr("The DDE transaction could not\nbe completed because other DDE transactions\nwere "
                  "being processed.");
    case 31:
        return tr("There is no application associated\nwith the given filename extension.");
    case 32:
        return tr("The specified dynamic-link library was not found.");
    default:
        return tr("Unknown Error (%1) occurred.").arg(code);
    }
}

void CHyperLink::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(currentColour());
    p.drawText(rect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}
