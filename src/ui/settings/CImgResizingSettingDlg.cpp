#include "ui/settings/CImgResizingSettingDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "model/ResizeSettings.h"
#include "ui/controls/DialogFrame.h"

namespace {

QLineEdit* digitsEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    // Digits only; nine of them stay within the 32-bit value the file is read into.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(9);
    edit->setFixedWidth(80);
    return edit;
}

} // namespace

CImgResizingSettingDlg::CImgResizingSettingDlg(QWidget* parent, bool resizePictures)
    : QDialog(parent), m_resizePictures(resizePictures)
{
    DialogFrame::setUp(this, QStringLiteral("CImgResizingSettingDlg"), tr("图像大小设置"));
    buildControls();
    loadSettings();
}

void CImgResizingSettingDlg::buildControls()
{
    m_widthRadio = new QRadioButton(tr("缩放宽度成正比"), this);
    m_heightRadio = new QRadioButton(tr("缩放高度成正比"), this);
    m_absoluteRadio = new QRadioButton(tr("缩放到绝对宽度和高度"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(m_widthRadio, ResizeSettings::ScaleByWidth);
    group->addButton(m_heightRadio, ResizeSettings::ScaleByHeight);
    group->addButton(m_absoluteRadio, ResizeSettings::ScaleAbsolute);

    m_widthEdit = digitsEdit(this);
    m_heightEdit = digitsEdit(this);
    auto* sizes = new QGridLayout();
    sizes->setContentsMargins(20, 4, 0, 4);
    sizes->addWidget(new QLabel(tr("目标宽度:"), this), 0, 0);
    sizes->addWidget(m_widthEdit, 0, 1);
    sizes->addWidget(new QLabel(tr("像素"), this), 0, 2);
    sizes->addWidget(new QLabel(tr("目标高度:"), this), 1, 0);
    sizes->addWidget(m_heightEdit, 1, 1);
    sizes->addWidget(new QLabel(tr("像素"), this), 1, 2);
    sizes->setColumnStretch(3, 1);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("etched_line"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_resizeBox = new QCheckBox(tr("调整图片的大小"), this);
    m_everyTimeBox = new QCheckBox(tr("与此设置从现在起每一次调整图片的大小"), this);
    m_note = new QLabel(tr("注意： 如果选中此选项，下一次当您使用 lumora 添加水印，目标图片会自动调整大小。"),
                        this);
    m_note->setWordWrap(true);
    QPalette blue = m_note->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_note->setPalette(blue);
    // Over the main window the skin's style sheet colours texts; the note's own sheet comes first.
    m_note->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    m_note->setAutoFillBackground(false);
    m_note->setContentsMargins(20, 0, 0, 0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(6);
    layout->addWidget(m_widthRadio);
    layout->addWidget(m_heightRadio);
    layout->addWidget(m_absoluteRadio);
    layout->addLayout(sizes);
    layout->addSpacing(4);
    layout->addWidget(line);
    layout->addSpacing(4);
    layout->addWidget(m_resizeBox);
    layout->addWidget(m_everyTimeBox);
    layout->addWidget(m_note);

    connect(m_widthRadio, &QRadioButton::clicked, this, [this]() {
        m_widthEdit->setEnabled(true);
        m_heightEdit->setEnabled(false);
    });
    connect(m_heightRadio, &QRadioButton::clicked, this, [this]() {
        m_widthEdit->setEnabled(false);
        m_heightEdit->setEnabled(true);
    });
    connect(m_absoluteRadio, &QRadioButton::clicked, this, [this]() {
        m_widthEdit->setEnabled(true);
        m_heightEdit->setEnabled(true);
    });

    // Wider when the texts of the interface's language need it.
    setFixedWidth(qMax(360, minimumSizeHint().width()));
    setFixedHeight(sizeHint().height());
}

void CImgResizingSettingDlg::loadSettings()
{
    const ResizeSettings settings = readResizeSettings();
    switch (settings.ScaleType) {
    case ResizeSettings::ScaleByWidth:
        m_widthRadio->setChecked(true);
        m_heightEdit->setEnabled(false);
        break;
    case ResizeSettings::ScaleByHeight:
        m_heightRadio->setChecked(true);
        m_widthEdit->setEnabled(false);
        break;
    case ResizeSettings::ScaleAbsolute:
        m_absoluteRadio->setChecked(true);
        break;
    default:
        break; // no radio checked, both edits open
    }
    m_widthEdit->setText(QString::number(settings.TargetWidth));
    m_heightEdit->setText(QString::number(settings.TargetHeight));
    m_resizeBox->setChecked(m_resizePictures);
    m_everyTimeBox->setChecked(settings.ResizeEveryTime != 0);
}

int CImgResizingSettingDlg::checkedScaleType() const
{
    if (m_widthRadio->isChecked())
        return ResizeSettings::ScaleByWidth;
    if (m_heightRadio->isChecked())
        return ResizeSettings::ScaleByHeight;
    if (m_absoluteRadio->isChecked())
        return ResizeSettings::ScaleAbsolute;
    return ResizeSettings::ScaleByWidth;
}

void CImgResizingSettingDlg::storeSettings()
{
    if (m_stored)
        return;
    m_stored = true;
    m_resizePictures = m_resizeBox->isChecked();
    commitResizeSettings(checkedScaleType(), m_widthEdit->text(), m_heightEdit->text(),
                         m_everyTimeBox->isChecked() ? 1 : 0);
}

void CImgResizingSettingDlg::done(int result)
{
    storeSettings();
    QDialog::done(result);
}
