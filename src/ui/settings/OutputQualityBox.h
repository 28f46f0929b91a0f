#pragma once

#include <QGroupBox>

#include "model/OutputQuality.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// The "输出质量" section of the output settings: JPEG quality, chroma sampling ("与照片相同",
// 4:2:0, 4:4:4) and progressive scans; WebP quality and lossless WebP. It shows and edits an
// OutputQuality value; the page that holds it reads and writes "config.ini".
class OutputQualityBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit OutputQualityBox(QWidget* parent = nullptr);

    OutputQuality value() const;
    void setValue(const OutputQuality& quality);

    QSpinBox* jpegQualityField() const { return m_jpegQuality; }
    QComboBox* samplingList() const { return m_sampling; }
    QCheckBox* progressiveBox() const { return m_progressive; }
    QSpinBox* webpQualityField() const { return m_webpQuality; }
    QCheckBox* webpLosslessBox() const { return m_webpLossless; }

private:
    QSpinBox* m_jpegQuality = nullptr;
    QComboBox* m_sampling = nullptr;
    QCheckBox* m_progressive = nullptr;
    QSpinBox* m_webpQuality = nullptr;
    QCheckBox* m_webpLossless = nullptr;
};
