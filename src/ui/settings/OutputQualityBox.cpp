#include "ui/settings/OutputQualityBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

OutputQualityBox::OutputQualityBox(QWidget* parent) : QGroupBox(tr("输出质量"), parent)
{
    setObjectName(QStringLiteral("output_quality"));
    m_jpegQuality = new QSpinBox(this);
    m_jpegQuality->setRange(1, 100);
    m_sampling = new QComboBox(this);
    // In the order of OutputQuality::Sampling.
    m_sampling->addItem(tr("与照片相同"), int(OutputQuality::Sampling::AsPhoto));
    m_sampling->addItem(QStringLiteral("4:2:0"), int(OutputQuality::Sampling::Yuv420));
    m_sampling->addItem(QStringLiteral("4:4:4"), int(OutputQuality::Sampling::Yuv444));
    m_sampling->setToolTip(tr("JPG 照片保留自己的色度采样；其他照片为 4:2:0。"));
    m_progressive = new QCheckBox(tr("渐进式"), this);
    m_webpQuality = new QSpinBox(this);
    m_webpQuality->setRange(1, 100);
    m_webpLossless = new QCheckBox(tr("无损"), this);

    auto* jpegLabel = new QLabel(tr("JPG 质量:"), this);
    jpegLabel->setBuddy(m_jpegQuality);
    auto* samplingLabel = new QLabel(tr("色度采样:"), this);
    samplingLabel->setBuddy(m_sampling);
    auto* webpLabel = new QLabel(tr("WebP 质量:"), this);
    webpLabel->setBuddy(m_webpQuality);

    auto* layout = new QGridLayout(this);
    layout->addWidget(jpegLabel, 0, 0);
    layout->addWidget(m_jpegQuality, 0, 1);
    layout->addWidget(samplingLabel, 0, 2);
    layout->addWidget(m_sampling, 0, 3);
    layout->addWidget(m_progressive, 0, 4);
    layout->addWidget(webpLabel, 1, 0);
    layout->addWidget(m_webpQuality, 1, 1);
    layout->addWidget(m_webpLossless, 1, 2, 1, 2);
    layout->setColumnStretch(5, 1);

    // Lossless WebP has no quality to choose.
    connect(m_webpLossless, &QCheckBox::toggled, m_webpQuality, &QWidget::setDisabled);
    setValue(OutputQuality());
}

OutputQuality OutputQualityBox::value() const
{
    OutputQuality quality;
    quality.jpegQuality = m_jpegQuality->value();
    quality.sampling = OutputQuality::Sampling(m_sampling->currentData().toInt());
    quality.progressive = m_progressive->isChecked();
    quality.webpQuality = m_webpQuality->value();
    quality.webpLossless = m_webpLossless->isChecked();
    return quality;
}

void OutputQualityBox::setValue(const OutputQuality& quality)
{
    m_jpegQuality->setValue(quality.jpegQuality);
    m_sampling->setCurrentIndex(m_sampling->findData(int(quality.sampling)));
    m_progressive->setChecked(quality.progressive);
    m_webpQuality->setValue(quality.webpQuality);
    m_webpLossless->setChecked(quality.webpLossless);
    m_webpQuality->setEnabled(!quality.webpLossless);
}
