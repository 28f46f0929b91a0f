#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QToolButton;

// The bar inside the main window that says how a batch run ended: the photos written, failed
// and left, how long the run took, and a button that opens the output folder. It stays until
// it is closed or the next run starts; a problem with the file manager is added to it.
class RunEndBar : public QFrame
{
    Q_OBJECT
public:
    struct Counts
    {
        int written = 0;
        int failed = 0;
        int left = 0; // photos not processed because the run was stopped
        qint64 durationMs = 0;
        bool stopped = false;
    };

    explicit RunEndBar(QWidget* parent = nullptr);

    // Shows the bar with the counts of a run that has just ended.
    void showRun(const Counts& counts);
    // Adds why the output folder could not be shown; empty removes it.
    void setFolderProblem(const QString& problem);

    // The sentence of the bar ("已完成：10 张已写入，0 张失败，0 张未处理，用时 3.2 秒。").
    static QString summaryText(const Counts& counts);
    // A duration as the bar says it: "0.8 秒", "12 秒", "2 分 05 秒".
    static QString durationText(qint64 ms);

    QString text() const;
    QString folderProblem() const;
    QPushButton* openFolderButton() const { return m_openFolder; }
    QToolButton* closeButton() const { return m_close; }
    bool isSuccess() const { return m_success; }

signals:
    void openFolderRequested();

private:
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_openFolder = nullptr;
    QToolButton* m_close = nullptr;
    bool m_success = false;
};
