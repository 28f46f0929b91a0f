#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QTimer>

#include <functional>

// A text label that opens a web address (or document) when clicked. It is drawn in the link
// colour, in the visited colour once opened, and in the hover colour while the pointer is
// over it; the underline follows the underline mode.
class CHyperLink : public QLabel
{
    Q_OBJECT

public:
    enum UnderlineMode
    {
        UnderlineNever = 0,
        UnderlineAlways = 1,
        UnderlineHover = -1
    };
    static constexpr int kHoverTimerPeriodMs = 100;
    // Result of a successful open: like the desktop shell's, anything above 32 is success.
    static constexpr int kOpenSucceeded = 33;

    // Opens an address and answers a shell result code (> 32 success, else the error code).
    using UrlOpener = std::function<int(const QString& address)>;

    explicit CHyperLink(const QString& text = QString(), QWidget* parent = nullptr,
                        const QString& url = QString());

    void SetURL(const QString& address);
    QString getURL() const { return m_url; }
    void setColours(const QColor& link, const QColor& visited, const QColor& hover = QColor());
    // An invalid colour stands for the system highlight colour.
    QColor getHoverColour() const;
    void SetVisited(bool visited = true);
    bool getVisited() const { return m_visited; }
    void SetUnderline(int mode);
    void SetAutoSize(bool autoSize = true);
    bool isOver() const { return m_over; }

    // Opens the address through the desktop; returns the shell-style result code.
    int GotoURL(const QString& address, int showCommand = 5);
    // Replaces the desktop opener (tests); an empty function restores it.
    static void setUrlOpener(UrlOpener opener);
    // The warning text for a failed open with the given result code.
    static QString errorText(int code);

    // The colour the text is drawn in now.
    QColor currentColour() const;

signals:
    // The warning about a failed open is about to be shown (text as shown).
    void openFailed(const QString& message);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void checkHover();
    void applyFont();
    void adjustToText();

    QString m_url;
    QColor m_linkColour{0, 0, 238};
    QColor m_visitedColour{85, 26, 139};
    QColor m_hoverColour{255, 0, 0};
    bool m_visited = false;
    bool m_over = false;
    int m_underline = UnderlineHover;
    bool m_adjust = true;
    QFont m_normalFont;
    QFont m_underlineFont;
    QTimer m_hoverTimer;
};
