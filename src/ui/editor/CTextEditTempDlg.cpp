#include "ui/editor/CTextEditTempDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QVBoxLayout>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "services/language/BuiltinPictureIds.h"
#include "services/language/CLanguageManager.h"
#include "services/messages/WindowMessage.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/editor/CAddNewLayerDlg.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/ChooserService.h"
#include "ui/editor/ColourSwatch.h"
#include "ui/editor/EditorHistory.h"
#include "ui/editor/EditorMessages.h"
#include "ui/editor/LayerComboBox.h"
#include "ui/editor/LayerMenu.h"
#include "ui/editor/LayerStoreRecord.h"
#include "ui/editor/NewLayerDefaults.h"
#include "ui/editor/OpacitySlider.h"
#include "ui/editor/PageWidgets.h"
#include "ui/editor/SpinEdit.h"
#include "ui/editor/TemplateLayerList.h"

using PageWidgets::makeLabel;
using PageWidgets::numberField;
using PageWidgets::showAsTyped;

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

CTextEditTempDlg::CTextEditTempDlg(const QString& templateName, WatermarkConf& conf, QWidget* parent)
    : QWidget(parent), m_templateName(templateName), m_conf(conf),
      m_commits([this] { return selectedLayerName(); }, conf)
{
    resize(PageWidgets::kPageWidth, PageWidgets::kPageHeight);
    PageWidgets::paintWhite(this);
    buildControls();
    fillLists();
    connectHandlers();
    PageWidgets::keepEnterInFields(this);
    m_commits.setReady();

    loadLayerList();
    if (m_layerList->count() > 0) {
        m_layerList->setCurrentIndex(0);
        LoadEditConf(m_layerList->itemText(0), m_conf);
    }
    ShowTextSettings();
}

CTextEditTempDlg::~CTextEditTempDlg()
{
    if (!selectedLayerName().isEmpty())
        LayerStoreRecord::store(selectedLayerName(), m_conf);
}

void CTextEditTempDlg::buildControls()
{
    QGridLayout* grid = PageWidgets::pageGrid(this, 5);
    int row = 0;

    const PageWidgets::LayerRow layerRow = PageWidgets::addLayerRow(grid, row++, this, kLayerButtonMessage);
    m_layerList = layerRow.list;
    m_layerButton = layerRow.button;

    addTextRows(grid, row);
    addPlacementRows(grid, row);
    addShadowRows(grid, row);
    addColourRows(grid, row);

    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

// The text, its fields and its font.
void CTextEditTempDlg::addTextRows(QGridLayout* grid, int& row)
{
    m_text = named(new QLineEdit(this), "text_edit");
    grid->addWidget(makeLabel(tr("文本:"), this), row, 0);
    grid->addWidget(m_text, row++, 1, 1, 4);

    // Fields: the switch, and a menu that puts a field in at the text's cursor.
    m_fields = named(new QCheckBox(tr("文本中使用字段"), this), "fields_box");
    m_fieldButton = named(new QPushButton(tr("插入字段"), this), "field_button");
    m_fieldButton->setAutoDefault(false);
    m_fieldButton->setFocusPolicy(Qt::NoFocus);
    m_fieldButton->setMenu(fieldMenu());
    grid->addWidget(m_fields, row, 0, 1, 4);
    grid->addWidget(m_fieldButton, row++, 4);

    m_fontName = named(new QLineEdit(this), "font_edit");
    m_fontName->setReadOnly(true);
    PageWidgets::greyText(m_fontName);
    m_fontButton = named(new QPushButton(tr("选择"), this), "font_button");
    m_fontButton->setAutoDefault(false);
    grid->addWidget(makeLabel(tr("字体:"), this), row, 0);
    grid->addWidget(m_fontName, row, 1, 1, 3);
    grid->addWidget(m_fontButton, row++, 4);
}

QMenu* CTextEditTempDlg::fieldMenu()
{
    auto* menu = new QMenu(m_fieldButton);
    // Groups: names, dates, camera and author, any tag, size, counter (an empty entry parts them).
    const std::pair<const char*, const char*> fields[] = {
        {QT_TR_NOOP("文件名（不含扩展名）"), "{name}"},
        {QT_TR_NOOP("文件名"), "{file}"},
        {QT_TR_NOOP("文件夹名"), "{folder}"},
        {nullptr, nullptr},
        {QT_TR_NOOP("拍摄日期"), "{date}"},
        {QT_TR_NOOP("拍摄日期（自定格式）"), "{date:dd.MM.yyyy}"},
        {QT_TR_NOOP("拍摄时间"), "{time}"},
        {QT_TR_NOOP("拍摄年份"), "{year}"},
        {nullptr, nullptr},
        {QT_TR_NOOP("相机"), "{camera}"},
        {QT_TR_NOOP("镜头"), "{lens}"},
        {QT_TR_NOOP("曝光参数"), "{exposure}"},
        {QT_TR_NOOP("作者"), "{artist}"},
        {QT_TR_NOOP("版权"), "{copyright}"},
        {nullptr, nullptr},
        {QT_TR_NOOP("EXIF 标签"), "{exif:Exif.Image.Make}"},
        {QT_TR_NOOP("XMP 标签"), "{xmp:Xmp.dc.title}"},
        {nullptr, nullptr},
        {QT_TR_NOOP("输出宽度"), "{width}"},
        {QT_TR_NOOP("输出高度"), "{height}"},
        {nullptr, nullptr},
        {QT_TR_NOOP("序号"), "{counter}"},
        {QT_TR_NOOP("序号（从 1 起，3 位数）"), "{counter:1:3}"},
    };
    for (const auto& [description, field] : fields) {
        if (!field) {
            menu->addSeparator();
            continue;
        }
        const QString text = QLatin1String(field);
        QAction* action = menu->addAction(tr(description) + QLatin1Char('\t') + text);
        connect(action, &QAction::triggered, this, [this, text] { insertField(text); });
    }
    return menu;
}

// Where the text lies: location, offsets, rotation, transparency, automatic scaling.
void CTextEditTempDlg::addPlacementRows(QGridLayout* grid, int& row)
{
    const PageWidgets::PlacementRows placement = PageWidgets::addPlacementRows(grid, row, this);
    m_location = placement.location;
    m_offsetH = placement.offsetH;
    m_offsetV = placement.offsetV;
    m_rotation = placement.rotation;

    m_transparency = named(new OpacitySlider(this), "transparency");
    m_transparency->setRange(0, 255);
    auto* percent = named(makeLabel(QString(), this), "transparency_percent");
    m_transparency->setPercentLabel(percent);
    grid->addWidget(makeLabel(tr("透明度："), this), row, 0);
    grid->addWidget(m_transparency, row, 1, 1, 3);
    grid->addWidget(percent, row++, 4);

    m_scaleText = named(new QCheckBox(tr("自动缩放文本水印"), this), "scale_text");
    grid->addWidget(m_scaleText, row++, 0, 1, 5);
}

// The shadow: its switch, offsets, blur and alpha.
void CTextEditTempDlg::addShadowRows(QGridLayout* grid, int& row)
{
    m_shadow = named(new QCheckBox(tr("添加阴影"), this), "shadow_box");
    grid->addWidget(m_shadow, row++, 0, 1, 5);
    m_shadowH = numberField("shadow_h", -10, 10, this);
    m_shadowV = numberField("shadow_v", -10, 10, this);
    grid->addWidget(makeLabel(tr("水平"), this), row, 1, Qt::AlignRight);
    grid->addWidget(m_shadowH, row, 2);
    grid->addWidget(makeLabel(tr("垂直"), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_shadowV, row++, 4);
    m_shadowBlur = numberField("shadow_blur", 0, 10, this);
    m_shadowAlpha = numberField("shadow_alpha", 0, 30, this);
    grid->addWidget(makeLabel(tr("模糊半径"), this), row, 1, Qt::AlignRight);
    grid->addWidget(m_shadowBlur, row, 2);
    grid->addWidget(makeLabel(QStringLiteral("Alpha"), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_shadowAlpha, row++, 4);
}

// Fill, edge, 3D copies, gradient and repeated cover.
void CTextEditTempDlg::addColourRows(QGridLayout* grid, int& row)
{
    m_fill = named(new QCheckBox(tr("填充文本"), this), "fill_box");
    m_fillColour = named(new ColourSwatch(this), "fill_colour");
    grid->addWidget(m_fill, row, 0, 1, 2);
    grid->addWidget(makeLabel(tr("颜色："), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_fillColour, row++, 4);

    m_edge = named(new QCheckBox(tr("绘制边缘"), this), "edge_box");
    m_edgeColour = named(new ColourSwatch(this), "edge_colour");
    grid->addWidget(m_edge, row, 0, 1, 2);
    grid->addWidget(makeLabel(tr("颜色："), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_edgeColour, row++, 4);
    m_edgeAlpha = numberField("edge_alpha", 100, 255, this);
    m_lineThickness = named(new QComboBox(this), "line_thickness");
    grid->addWidget(makeLabel(tr("Alpha："), this), row, 1, Qt::AlignRight);
    grid->addWidget(m_edgeAlpha, row, 2);
    grid->addWidget(makeLabel(tr("线条粗细:"), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_lineThickness, row++, 4);

    m_3d = named(new QCheckBox(tr("3D 文本"), this), "td_box");
    m_3dColour = named(new ColourSwatch(this), "td_colour");
    grid->addWidget(m_3d, row, 0, 1, 2);
    grid->addWidget(makeLabel(tr("颜色："), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_3dColour, row++, 4);
    m_3dOffset = numberField("td_offset", 0, 50, this);
    m_3dPosition = named(new QComboBox(this), "td_position");
    grid->addWidget(makeLabel(tr("偏移:"), this), row, 1, Qt::AlignRight);
    grid->addWidget(m_3dOffset, row, 2);
    grid->addWidget(makeLabel(tr("位置："), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_3dPosition, row++, 4);

    m_gradient = named(new QCheckBox(tr("渐变文本"), this), "gradient_box");
    grid->addWidget(m_gradient, row++, 0, 1, 5);
    m_gradientBegin = named(new ColourSwatch(this), "gradient_begin");
    m_gradientEnd = named(new ColourSwatch(this), "gradient_end");
    grid->addWidget(makeLabel(tr("开始："), this), row, 1, Qt::AlignRight);
    grid->addWidget(m_gradientBegin, row, 2);
    grid->addWidget(makeLabel(tr("结束："), this), row, 3, Qt::AlignRight);
    grid->addWidget(m_gradientEnd, row++, 4);

    m_cover = named(new QCheckBox(tr("重复覆盖图像"), this), "cover_box");
    m_coverMethod = named(new QComboBox(this), "cover_method");
    grid->addWidget(m_cover, row, 0, 1, 3);
    grid->addWidget(m_coverMethod, row++, 4);
}

void CTextEditTempDlg::fillLists()
{
    for (const char* name :
         {QT_TR_NOOP("左上角"), QT_TR_NOOP("右上角"), QT_TR_NOOP("左下角"), QT_TR_NOOP("右下角")})
        m_3dPosition->addItem(tr(name));
    for (int i = 1; i <= 10; ++i)
        m_lineThickness->addItem(QString::number(i));
    m_coverMethod->addItem(tr("描边"));
    m_coverMethod->addItem(tr("填充"));
}

void CTextEditTempDlg::loadLayerList()
{
    const QSignalBlocker block(m_layerList);
    m_layerList->clear();
    m_layerList->addItems(TemplateLayerList::read(m_templateName));
}

void CTextEditTempDlg::connectHandlers()
{
    WatermarkConf& c = m_conf;
    connect(m_layerList, &QComboBox::activated, this, &CTextEditTempDlg::onLayerSelected);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& t) {
        m_conf.textContent = t;
        m_commits.changed();
    });
    connect(m_fontButton, &QPushButton::clicked, this, &CTextEditTempDlg::onFontButton);
    connect(m_location, &QComboBox::activated, this, &CTextEditTempDlg::onLocationSelected);
    connect(m_offsetH, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.OffsetH = readXmlInt(t);
        m_commits.changed();
    });
    connect(m_offsetV, &SpinEdit::textChanged, this, [this](const QString& t) {
        m_conf.OffsetV = readXmlInt(t);
        m_commits.changed();
    });
    connect(m_rotation, &SpinEdit::textChanged, this, [this](const QString& t) {
        const int v = readXmlInt(t);
        m_conf.Rotation = v == 360 ? 0 : v; // a full turn is stored as none
        m_commits.changed();
    });
    connect(m_transparency, &QSlider::valueChanged, this, [this](int v) {
        m_conf.Transparency = v;
        m_commits.changed();
    });

    auto flag = [this](QCheckBox* box, std::int32_t& field) {
        connect(box, &QCheckBox::clicked, this, [this, box, &field] {
            field = box->isChecked() ? 1 : 0;
            m_commits.changed();
        });
    };
    flag(m_scaleText, c.ScaleTextWT);
    flag(m_fields, c.BTextTokens);
    flag(m_shadow, c.BAddShadow);
    flag(m_fill, c.BFillText);
    flag(m_edge, c.BDrawEdge);
    flag(m_gradient, c.BGradientText);
    flag(m_cover, c.BCoverImage);
    connect(m_3d, &QCheckBox::clicked, this, [this] {
        m_conf.B3DText = m_3d->isChecked() ? 1 : 0;
        // The copies lie behind the filled text, so 3D text turns the fill on.
        if (!m_fill->isChecked()) {
            m_fill->setChecked(true);
            m_conf.BFillText = 1;
        }
        m_commits.changed();
    });

    // Each field's range is the one it was built with.
    auto clamped = [this](SpinEdit* field, std::int32_t& value) {
        field->setKeepInRange(true);
        const int minimum = field->minimum();
        const int maximum = field->maximum();
        connect(field, &SpinEdit::textChanged, this, [this, &value, minimum, maximum](const QString& t) {
            onClampedEdit(value, minimum, maximum, t);
        });
    };
    clamped(m_shadowH, c.ShadowH);
    clamped(m_shadowV, c.ShadowV);
    clamped(m_shadowBlur, c.ShadowBR);
    clamped(m_shadowAlpha, c.ShadowAlpha);
    clamped(m_edgeAlpha, c.EdgeAlpha);
    clamped(m_3dOffset, c.TDTextOffset);

    auto colour = [this](ColourSwatch* swatch, std::uint32_t& value) {
        connect(swatch, &ColourSwatch::clicked, this,
                [this, swatch, &value] { onColourClicked(swatch, value); });
    };
    colour(m_fillColour, c.TextColor);
    colour(m_edgeColour, c.EdgeColor);
    colour(m_3dColour, c.TDTextColor);
    colour(m_gradientBegin, c.GradientBeginColor);
    colour(m_gradientEnd, c.GradientEndColor);

    connect(m_lineThickness, &QComboBox::activated, this, [this](int i) {
        m_conf.EdgeLineThickness = i + 1;
        m_commits.changed();
    });
    connect(m_3dPosition, &QComboBox::activated, this, [this](int i) {
        m_conf.TDTextPos = i;
        m_commits.changed();
    });
    connect(m_coverMethod, &QComboBox::activated, this, [this](int i) {
        m_conf.coverImgMethod = i;
        m_commits.changed();
    });
}

bool CTextEditTempDlg::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::eventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message() == kLayerButtonMessage && message->wParam() == kLayerButtonCommand)
            onLayerCommand(LayerMenu::popUp(m_layerButton));
        return true;
    }
    return QWidget::event(event);
}

void CTextEditTempDlg::CommitEditConf()
{
    m_commits.commit();
}

void CTextEditTempDlg::onClampedEdit(std::int32_t& value, int minimum, int maximum, const QString& text)
{
    // The stored value stays within the range while the person types; the field shows what
    // was typed until the edit is finished (SpinEdit::finishEditing writes the bound).
    value = qBound(minimum, static_cast<int>(readXmlInt(text)), maximum);
    m_commits.changed();
}

void CTextEditTempDlg::onColourClicked(ColourSwatch* swatch, std::uint32_t& colour)
{
    std::uint32_t chosen = swatch->colour();
    if (!ChooserService::current().chooseColour(this, chosen))
        return;
    colour = chosen;
    swatch->setColour(chosen);
    m_commits.changed();
}

void CTextEditTempDlg::onFontButton()
{
    LOGFONTW font = m_conf.Font;
    if (!ChooserService::current().chooseFont(this, font))
        return;
    m_conf.Font = font;
    m_fontName->setText(font.faceName());
    m_commits.changed();
}

void CTextEditTempDlg::insertField(const QString& field)
{
    // A field is put in to be filled: the switch goes on with it, in the same commit.
    m_commits.begin();
    if (!m_fields->isChecked()) {
        m_fields->setChecked(true);
        m_conf.BTextTokens = 1;
        m_commits.markPending();
    }
    m_text->insert(field);
    m_text->setFocus();
    m_commits.end();
}

void CTextEditTempDlg::onLocationSelected(int index)
{
    m_commits.begin();
    m_conf.Location = index;
    m_conf.OffsetH = m_conf.OffsetV = 0;
    m_offsetH->setValue(0);
    m_offsetV->setValue(0);
    m_commits.markPending();
    m_commits.end();
}

void CTextEditTempDlg::ShowTextSettings()
{
    const WatermarkConf c = m_conf;
    m_commits.begin();
    {
        const QSignalBlocker block(m_text);
        m_text->setText(c.textContent);
    }
    m_fontName->setText(c.Font.faceName());
    {
        const QSignalBlocker block(m_location);
        m_location->setCurrentIndex(c.Location >= 0 && c.Location < m_location->count() ? c.Location : -1);
    }
    showAsTyped(m_offsetH, c.OffsetH);
    showAsTyped(m_offsetV, c.OffsetV);
    showAsTyped(m_rotation, c.Rotation);
    showAsTyped(m_shadowH, c.ShadowH);
    showAsTyped(m_shadowV, c.ShadowV);
    showAsTyped(m_shadowBlur, c.ShadowBR);
    showAsTyped(m_shadowAlpha, c.ShadowAlpha);
    showAsTyped(m_edgeAlpha, c.EdgeAlpha);
    showAsTyped(m_3dOffset, c.TDTextOffset);
    {
        const QSignalBlocker block(m_transparency);
        m_transparency->setValue(c.Transparency);
    }
    m_conf.Transparency = m_transparency->value();
    m_commits.markPending();

    m_scaleText->setChecked(c.ScaleTextWT != 0);
    m_fields->setChecked(c.BTextTokens != 0);
    m_shadow->setChecked(c.BAddShadow != 0);
    m_fill->setChecked(c.BFillText != 0);
    m_edge->setChecked(c.BDrawEdge != 0);
    m_3d->setChecked(c.B3DText != 0);
    m_gradient->setChecked(c.BGradientText != 0);
    m_cover->setChecked(c.BCoverImage != 0);

    m_fillColour->setColour(c.TextColor);
    m_edgeColour->setColour(c.EdgeColor);
    m_3dColour->setColour(c.TDTextColor);
    m_gradientBegin->setColour(c.GradientBeginColor);
    m_gradientEnd->setColour(c.GradientEndColor);

    const QSignalBlocker blockLists[] = {QSignalBlocker(m_lineThickness), QSignalBlocker(m_3dPosition),
                                         QSignalBlocker(m_coverMethod)};
    const int thickness = m_lineThickness->findText(QString::number(c.EdgeLineThickness), Qt::MatchExactly);
    if (thickness >= 0)
        m_lineThickness->setCurrentIndex(thickness);
    m_3dPosition->setCurrentIndex(c.TDTextPos >= 0 && c.TDTextPos < m_3dPosition->count() ? c.TDTextPos : -1);
    m_coverMethod->setCurrentIndex(
        c.coverImgMethod >= 0 && c.coverImgMethod < m_coverMethod->count() ? c.coverImgMethod : -1);

    m_commits.end();
}

QStringList CTextEditTempDlg::layerNames() const
{
    QStringList names;
    for (int i = 0; i < m_layerList->count(); ++i)
        names << m_layerList->itemText(i);
    return names;
}

QSize CTextEditTempDlg::sizeHint() const
{
    return PageWidgets::pageSize(this, m_imagePage);
}

QString CTextEditTempDlg::selectedLayerName() const
{
    return m_layerList->currentIndex() >= 0 ? m_layerList->currentText() : QString();
}

void CTextEditTempDlg::showLayer(int index)
{
    LoadEditConf(m_layerList->itemText(index), m_conf);
    ShowTextSettings();
    if (m_imagePage) {
        m_imagePage->FillLayerList(index);
        m_imagePage->ShowImageSettings();
    }
}

void CTextEditTempDlg::onLayerSelected(int index)
{
    if (index >= 0)
        showLayer(index);
}

void CTextEditTempDlg::SelectLayer(int index)
{
    {
        const QSignalBlocker block(m_layerList);
        m_layerList->setCurrentIndex(index);
    }
    onLayerSelected(m_layerList->currentIndex());
}

void CTextEditTempDlg::reloadFromFiles()
{
    const QString selected = selectedLayerName();
    loadLayerList();
    const int index = qMax(0, layerNames().indexOf(selected));
    {
        const QSignalBlocker block(m_layerList);
        m_layerList->setCurrentIndex(m_layerList->count() > 0 ? index : -1);
    }
    m_commits.begin();
    if (m_layerList->currentIndex() >= 0)
        LoadEditConf(m_layerList->currentText(), m_conf);
    ShowTextSettings();
    if (m_imagePage) {
        m_imagePage->FillLayerList(m_layerList->currentIndex());
        m_imagePage->ShowImageSettings();
    }
    m_commits.endAndCommit();
}

void CTextEditTempDlg::onLayerCommand(int command)
{
    // A layer command is a step of its own in the editor's history.
    EditorHistory* history = EditorHistory::current();
    if (history)
        history->closeStep();
    const auto closeStep = qScopeGuard([history] {
        if (history && history == EditorHistory::current())
            history->closeStep();
    });
    switch (command) {
    case LayerMenu::AddLayer:
        addLayer();
        break;
    case LayerMenu::RenameLayer:
        renameLayer();
        break;
    case LayerMenu::DeleteLayer:
        deleteLayer();
        break;
    default:
        break;
    }
}

void CTextEditTempDlg::addLayer()
{
    CAddNewLayerDlg dialog(tr("添加新图层"), layerNames(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.name();
    if (QFile::exists(templateFilePath(name))) {
        EditorMessages::inform(this, tr("具有相同名称的文件已经存在，请输入其他名称"));
        return;
    }
    setNewLayerDefaults(m_conf);
    SaveLayerConf(name, m_conf);
    TemplateLayerList::append(m_templateName, name);

    {
        const QSignalBlocker block(m_layerList);
        m_layerList->addItem(name);
        m_layerList->setCurrentIndex(m_layerList->count() - 1);
    }
    const int index = m_layerList->currentIndex();
    m_commits.begin();
    LoadEditConf(name, m_conf);
    ShowTextSettings();
    if (m_imagePage) {
        m_imagePage->FillLayerList(index);
        m_imagePage->ShowImageSettings();
    }
    m_commits.endAndCommit();
}

void CTextEditTempDlg::renameLayer()
{
    const int index = m_layerList->currentIndex();
    if (index < 0)
        return;
    CAddNewLayerDlg dialog(tr("重命名图层"), layerNames(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString newName = dialog.name();
    const QString oldName = m_layerList->itemText(index);

    // A file of the new name (a template's or another template's layer) is never replaced.
    QFile layerFile(templateFilePath(oldName));
    if (!layerFile.rename(templateFilePath(newName))) {
        EditorMessages::fail(this,
                             tr("无法重命名图层文件 \"%1.xml\"：%2").arg(oldName, layerFile.errorString()));
        return;
    }
    TemplateLayerList::rename(m_templateName, oldName, newName);
    {
        const QSignalBlocker block(m_layerList);
        m_layerList->setItemText(index, newName);
        m_layerList->setCurrentIndex(index);
    }
    if (m_imagePage) {
        m_imagePage->FillLayerList(index);
        m_imagePage->ShowImageSettings();
    }
}

void CTextEditTempDlg::deleteLayer()
{
    if (m_layerList->count() <= 1) {
        EditorMessages::inform(this,
                               tr("该层不能被删除，因为它是唯一的层，请修改或添加一个新层后，将其删除。"));
        return;
    }
    if (!EditorMessages::askYesNo(this, tr("您确定要删除这一层?")))
        return;
    const int index = m_layerList->currentIndex();
    const QString name = m_layerList->itemText(index);
    const QString path = templateFilePath(name);
    if (!path.isEmpty())
        QFile::remove(path);
    TemplateLayerList::remove(m_templateName, name);
    {
        const QSignalBlocker block(m_layerList);
        m_layerList->removeItem(index);
        m_layerList->setCurrentIndex(0);
    }
    m_commits.begin();
    LoadEditConf(m_layerList->itemText(0), m_conf);
    ShowTextSettings();
    if (m_imagePage) {
        m_imagePage->FillLayerList(0);
        m_imagePage->ShowImageSettings();
    }
    m_commits.endAndCommit();
}
