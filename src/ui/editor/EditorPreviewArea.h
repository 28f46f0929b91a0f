#pragma once

#include <QFrame>
#include <QImage>

// The template editor's framed preview: shows the last picture the compositor delivered.
class EditorPreviewArea : public QFrame
{
    Q_OBJECT

public:
    static constexpr int kWidth = 677;
    static constexpr int kHeight = 625;

    explicit EditorPreviewArea(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    int paintCount() const { return m_paints; }

signals:
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    int m_paints = 0;
};
