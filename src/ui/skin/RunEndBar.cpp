#include "ui/skin/RunEndBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

RunEndBar::RunEndBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("run_end_bar"));
    setFrameShape(QFrame::NoFrame);
    // The skin's style sheet draws the bar; the property picks its colour.
    setProperty("outcome", QStringLiteral("success"));

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("run_end_icon"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("run_end_text"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("run_end_problem"));
    m_problem->setWordWrap(true);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problem->hide();

    m_openFolder = new QPushButton(tr("打开输出文件夹"), this);
    m_openFolder->setObjectName(QStringLiteral("run_end_open_folder"));
    m_openFolder->setCursor(Qt::PointingHandCursor);
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("run_end_close"));
    m_close->setText(QStringLiteral("×"));
    m_close->setToolTip(tr("关闭"));
    m_close->setAccessibleName(tr("关闭"));
    m_close->setCursor(Qt::PointingHandCursor);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(m_text);
    texts->addWidget(m_problem);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 6, 6);
    layout->setSpacing(10);
    layout->addWidget(m_icon, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    layout->addWidget(m_openFolder, 0, Qt::AlignVCenter);
    layout->addWidget(m_close, 0, Qt::AlignVCenter);

    connect(m_openFolder, &QPushButton::clicked, this, &RunEndBar::openFolderRequested);
    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

QString RunEndBar::durationText(qint64 ms)
{
    ms = qMax<qint64>(0, ms);
    if (ms < 10000)
        return tr("%1 秒").arg(QString::number(ms / 1000.0, 'f', 1));
    const qint64 seconds = (ms + 500) / 1000;
    if (seconds < 60)
        return tr("%1 秒").arg(seconds);
    return tr("%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString RunEndBar::summaryText(const Counts& counts)
{
    const QString start = counts.stopped ? tr("已停止：") : tr("已完成：");
    return start + tr("%n 张已写入，", nullptr, counts.written) + tr("%n 张失败，", nullptr, counts.failed) +
           tr("%n 张未处理，", nullptr, counts.left) + tr("用时 %1。").arg(durationText(counts.durationMs));
}

void RunEndBar::showRun(const Counts& counts)
{
    m_success = counts.failed == 0 && counts.left == 0 && !counts.stopped;
    setProperty("outcome", m_success ? QStringLiteral("success") : QStringLiteral("problem"));
    // The style sheet's property selector is applied again.
    style()->unpolish(this);
    style()->polish(this);
    const QStyle::StandardPixmap icon =
        m_success ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxWarning;
    const int side = fontMetrics().height();
    m_icon->setPixmap(
        style()->standardIcon(icon, nullptr, this).pixmap(QSize(side, side), devicePixelRatioF()));
    m_text->setText(summaryText(counts));
    show();
}

void RunEndBar::setFolderProblem(const QString& problem)
{
    m_problem->setText(problem.isEmpty() ? QString() : tr("无法打开输出文件夹：%1").arg(problem));
    m_problem->setVisible(!problem.isEmpty());
}

QString RunEndBar::text() const
{
    return m_text->text();
}

QString RunEndBar::folderProblem() const
{
    return m_problem->isHidden() ? QString() : m_problem->text();
}
