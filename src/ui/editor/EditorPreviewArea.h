#pragma once

#include <QFrame>
#include <QImage>
#include <QStringList>

// The template editor's framed preview: shows the last picture the compositor delivered.
class EditorPreviewArea : public QFrame
{
    Q_OBJECT

public:
    static constexpr int kWidth = 677;
    static constexpr int kHeight = 625;

    explicit EditorPreviewArea(QWidget* parent = nullptr);

    // `problems`: files of the template that could not be read; they are shown in a banner
    // over the picture (and as the tooltip), so a layer missing from the picture is explained.
    void setPicture(const QImage& picture, const QStringList& problems = QStringList());
    const QImage& picture() const { return m_picture; }
    const QStringList& problems() const { return m_problems; }
    int paintCount() const { return m_paints; }

signals:
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QStringList m_problems;
    int m_paints = 0;
};
