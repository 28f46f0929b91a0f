#include "ui/editor/CEditTempImgDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "services/language/BuiltinPictureIds.h"
#include "services/language/CLanguageManager.h"
#include "services/messages/WindowMessage.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/controls/CEditWithButton.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/ChooserService.h"
#include "ui/editor/LayerComboBox.h"
#include "ui/editor/LayerMenu.h"
#include "ui/editor/LayerStoreRecord.h"
#include "ui/editor/OpacitySlider.h"
#include "ui/editor/PageWidgets.h"
#include "ui/editor/SpinEdit.h"
#include "ui/editor/TemplateLayerList.h"

using PageWidgets::makeLabel;
using PageWidgets::numberField;
using PageWidgets::showAsTyped;

// Translated where the chooser opens (a static text is made before any translator exists).
const QString CEditTempImgDlg::kPictureFilter = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "CEditTempImgDlg",
    "所有支持文件|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif|联合图像专家组 (*.jpg)|*.jpg|Windows 位图 "
    "Image "
    "(*.bmp)|*.bmp|便携式网络图形 (*.png)|*.png|Tagged 图像文件模式 (*.tif;*.tiff)|*.tif; *.tiff||"));

namespace {

bool fileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

CEditTempImgDlg::CEditTempImgDlg(const QString& templateName, WatermarkConf& conf, CTextEditTempDlg* textPage,
                                 QWidget* parent)
    : QWidget(parent), m_templateName(templateName), m_conf(conf), m_textPage(textPage),
      m_commits([this] { return selectedLayerName(); }, conf)
{
    resize(PageWidgets::kPageWidth, PageWidgets::kPageHeight);
    PageWidgets::paintWhite(this);
    buildControls();
    connectHandlers();
    PageWidgets::keepEnterInFields(this);
    m_commits.setReady();
    FillLayerList(0);
    ShowImageSettings();
}

void CEditTempImgDlg::buildControls()
{
    QGridLayout* grid = PageWidgets::pageGrid(this, 8);
    int row = 0;

    const PageWidgets::LayerRow layerRow = PageWidgets::addLayerRow(grid, row++, this, kLayerButtonMessage);
    m_layerList = layerRow.list;
    m_layerButton = layerRow.button;

    grid->addWidget(makeLabel(tr("水印图像路径:"), this), row++, 0, 1, 5);
    m_path = new CEditWithButton(this);
    m_path->setObjectName(QStringLiteral("path_edit"));
    m_path->setReadOnly(true);
    PageWidgets::greyText(m_path);
    m_path->setTextRect(QRect(4, 3, 222, 17));
    m_path->setButtonRect(QRect(230, 2, 18, 18));
    m_path->setBitmaps(BuiltinPictureIds::PathFieldEmpty, BuiltinPictureIds::PathFieldWithText);
    m_path->setNotify(this, kClearButtonMessage);
    m_browse = new QPushButton(tr("浏览"), this);
    m_browse->setObjectName(QStringLiteral("browse_button"));
    m_browse->setAutoDefault(false);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path);
    pathRow->addWidget(m_browse);
    grid->addLayout(pathRow, row++, 0, 1, 5);

    const PageWidgets::PlacementRows placement = PageWidgets::addPlacementRows(grid, row, this);
    m_location = placement.location;
    m_offsetH = placement.offsetH;
    m_offsetV = placement.offsetV;
    m_rotation = placement.rotation;

    m_transparency = new OpacitySlider(this);
    m_transparency->setObjectName(QStringLiteral("transparency"));
    m_transparency->setRange(0, 100);
    auto* percent = makeLabel(QString(), this);
    percent->setObjectName(QStringLiteral("transparency_percent"));
    m_transparency->setPercentLabel(percent);
    grid->addWidget(makeLabel(tr("透明度："), this), row, 0);
    grid->addWidget(m_transparency, row, 1, 1, 3);
    grid->addWidget(percent, row++, 4);

    m_scale = new QCheckBox(tr("自动与原始图片大小缩放图像水印"), this);
    m_scale->setObjectName(QStringLiteral("scale_image"));
    grid->addWidget(m_scale, row++, 0, 1, 5);

    m_width = numberField("width", -32767, 32767, this);
    m_height = numberField("height", -32767, 32767, this);
    grid->addWidget(makeLabel(tr("宽度："), this), row, 0);
    grid->addWidget(m_width, row, 2);
    grid->addWidget(makeLabel(tr("高度:"), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_height, row++, 4);

    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void CEditTempImgDlg::connectHandlers()
{
    connect(m_layerList, &QComboBox::activated, this, [this](int index) {
        if (m_textPage && index >= 0)
            m_textPage->SelectLayer(index);
    });
    connect(m_layerList, &LayerComboBox::aboutToShowPopup, this, [this] {
        if (!selectedLayerName().isEmpty())
            LayerStoreRecord::store(selectedLayerName(), m_conf);
    });
    connect(m_browse, &QPushButton::clicked, this, &CEditTempImgDlg::onBrowse);
    connect(m_location, &QComboBox::activated, this, [this](int index) {
        m_commits.begin();
        m_conf.ImageLocation = index;
        m_conf.ImageOffsetH = m_conf.ImageOffsetV = 0;
        m_offsetH->setValue(0);
        m_offsetV->setValue(0);
        m_commits.markPending();
        m_commits.end();
    });
    connect(m_offsetH, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.ImageOffsetH = readXmlInt(t);
        m_commits.changed();
    });
    connect(m_offsetV, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.ImageOffsetV = readXmlInt(t);
        m_commits.changed();
    });
    connect(m_rotation, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.ImageRotation = readXmlInt(t); // 360 stays 360 here
        m_commits.changed();
    });
    connect(m_height, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.ImageHeight = readXmlInt(t);
        m_commits.changed();
    });
    connect(m_width, &SpinEdit::textChanged, this, &CEditTempImgDlg::onWidthChanged);
    connect(m_transparency, &QSlider::valueChanged, this, [this](int v) {
        m_conf.ImageTransparency = v;
        m_commits.changed();
    });
    connect(m_scale, &QCheckBox::clicked, this, &CEditTempImgDlg::onScaleClicked);
}

bool CEditTempImgDlg::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::eventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message() == kLayerButtonMessage &&
            message->wParam() == CTextEditTempDlg::kLayerButtonCommand) {
            const LayerMenu::Command command = LayerMenu::popUp(m_layerButton);
            if (m_textPage)
                m_textPage->onLayerCommand(command);
        } else if (message->message() == kClearButtonMessage) {
            onClear();
        }
        return true;
    }
    return QWidget::event(event);
}

void CEditTempImgDlg::CommitEditConf()
{
    m_commits.commit();
}

QSize CEditTempImgDlg::sizeHint() const
{
    return PageWidgets::pageSize(this, m_textPage);
}

QString CEditTempImgDlg::selectedLayerName() const
{
    return m_layerList->currentIndex() >= 0 ? m_layerList->currentText() : QString();
}

QSize CEditTempImgDlg::pictureSize(const QString& path)
{
    if (!fileExists(path))
        return QSize(0, 0);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid())
        return size;
    const QImage picture = reader.read();
    return picture.isNull() ? QSize(0, 0) : picture.size();
}

void CEditTempImgDlg::FillLayerList(int index)
{
    const QSignalBlocker block(m_layerList);
    m_layerList->clear();
    m_layerList->addItems(TemplateLayerList::read(m_templateName));
    m_layerList->setCurrentIndex(index < m_layerList->count() ? index : -1);
}

void CEditTempImgDlg::ShowImageSettings()
{
    m_commits.begin();
    m_path->setText(m_conf.ImagePathName);
    {
        const QSignalBlocker block(m_location);
        const int location = m_conf.ImageLocation;
        m_location->setCurrentIndex(location >= 0 && location < m_location->count() ? location : -1);
    }
    showAsTyped(m_offsetH, m_conf.ImageOffsetH);
    showAsTyped(m_offsetV, m_conf.ImageOffsetV);
    showAsTyped(m_rotation, m_conf.ImageRotation);
    {
        const QSignalBlocker block(m_transparency);
        m_transparency->setValue(m_conf.ImageTransparency);
    }
    m_conf.ImageTransparency = m_transparency->value();
    m_commits.markPending();

    showPictureSize();
    m_scale->setChecked(m_conf.ScaleImgWT != 0);
    m_width->repaintArrows();
    m_height->repaintArrows();
    m_commits.end();
}

// A layer whose picture width is 0 takes the picture's own size; the size fields show the
// layer's size as stored.
void CEditTempImgDlg::showPictureSize()
{
    if (fileExists(m_conf.ImagePathName) && m_conf.ImageWidth == 0) {
        const QSize own = pictureSize(m_conf.ImagePathName);
        m_conf.ImageWidth = own.width();
        m_conf.ImageHeight = own.height();
    }
    const int height = m_conf.ImageHeight;
    showAsTyped(m_width, m_conf.ImageWidth);
    showAsTyped(m_height, height);
}

void CEditTempImgDlg::onWidthChanged(const QString& text)
{
    m_commits.begin();
    m_conf.ImageWidth = readXmlInt(text);
    if (m_conf.ScaleImgWT != 0 && fileExists(m_conf.ImagePathName)) {
        const QSize own = pictureSize(m_conf.ImagePathName);
        // A picture whose width reads as 0 has no proportion to keep.
        if (own.width() > 0) {
            const std::uint32_t h = static_cast<std::uint32_t>(m_conf.ImageWidth) *
                                    static_cast<std::uint32_t>(own.height()) /
                                    static_cast<std::uint32_t>(own.width());
            m_conf.ImageHeight = static_cast<std::int32_t>(h);
            showAsTyped(m_height, m_conf.ImageHeight);
        }
    }
    m_commits.markPending();
    m_commits.end();
}

void CEditTempImgDlg::onScaleClicked()
{
    m_commits.begin();
    m_conf.ScaleImgWT = m_scale->isChecked() ? 1 : 0;
    m_width->repaintArrows();
    m_height->repaintArrows();
    showPictureSize();
    m_commits.markPending();
    m_commits.end();
}

void CEditTempImgDlg::onBrowse()
{
    const QString path =
        ChooserService::current().chooseOpenFile(this, tr(kPictureFilter.toUtf8().constData()));
    if (path.isEmpty())
        return;
    m_commits.begin();
    m_conf.ImagePathName = path;
    m_path->setText(path);
    const QSize own = pictureSize(path);
    showAsTyped(m_width, own.width());
    showAsTyped(m_height, own.height());
    m_width->setEnabled(true);
    m_height->setEnabled(true);
    if (!own.isEmpty()) {
        m_width->setRange(1, own.width() * 2);
        m_height->setRange(1, own.height() * 2);
    }
    m_conf.ImageWidth = own.width();
    m_conf.ImageHeight = own.height();
    m_commits.markPending();
    m_commits.end();
}

void CEditTempImgDlg::onClear()
{
    m_commits.begin();
    m_path->clear();
    m_conf.ImagePathName.clear();
    showAsTyped(m_width, 0);
    showAsTyped(m_height, 0);
    m_conf.ImageWidth = m_conf.ImageHeight = 0;
    m_commits.markPending();
    m_commits.end();
}
