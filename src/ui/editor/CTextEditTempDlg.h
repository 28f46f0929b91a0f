#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>

#include "ui/editor/EditConfCommits.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class CCoolButtonBar;
class CEditTempImgDlg;
class ColourSwatch;
class OpacitySlider;
class LayerComboBox;
class SpinEdit;

// The text page of the template editor: edits the text part of the selected layer in the
// process-wide EditConf. Every change is stored into the layer's file at once and the
// editor's preview is redrawn. The page also keeps the layer list and carries out the layer
// commands (add, rename, delete), for itself and for the picture page.
class CTextEditTempDlg : public QWidget
{
    Q_OBJECT

public:
    // Message the layer button posts to the page (first parameter: the button's command code).
    static constexpr int kLayerButtonMessage = 5034;
    static constexpr int kLayerButtonCommand = 21;

    // `conf`: the editor's editing instance (EditConf), which the page loads the selected layer
    // into, changes and stores; it outlives the page.
    CTextEditTempDlg(const QString& templateName, WatermarkConf& conf, QWidget* parent = nullptr);
    // Stores the selected layer before the page goes away.
    ~CTextEditTempDlg() override;

    void setImagePage(CEditTempImgDlg* page) { m_imagePage = page; }

    // Stores EditConf into the selected layer's file and redraws the editor's preview.
    void CommitEditConf();
    // Where the outcome of every store of this page goes (see EditConfCommits::setReport).
    void setCommitReport(std::function<void(const Outcome&)> report)
    {
        m_commits.setReport(std::move(report));
    }
    // Puts the text part of EditConf into the controls; values that go through an edit or the
    // slider are handled as if typed (so out-of-range values are corrected and stored).
    void ShowTextSettings();
    // Selects the entry and loads and shows that layer on both pages.
    void SelectLayer(int index);
    // Reads the layer list and the selected layer (the first when it is gone) from the files
    // again and shows them on both pages (after an undo or redo has written the files).
    void reloadFromFiles();
    // Carries out a layer menu command (LayerMenu::Command).
    void onLayerCommand(int command);

    QStringList layerNames() const;
    QString selectedLayerName() const;
    // The page's design size, or the room the controls of the two pages need when that is
    // larger (PageWidgets::pageSize); the editor window lays itself out around it.
    QSize sizeHint() const override;
    QString templateName() const { return m_templateName; }

protected:
    bool event(QEvent* event) override;

private:
    void buildControls();
    void addTextRows(QGridLayout* grid, int& row);
    // The menu of the field button: each entry puts a field in at the text's cursor.
    QMenu* fieldMenu();
    void addPlacementRows(QGridLayout* grid, int& row);
    void addShadowRows(QGridLayout* grid, int& row);
    void addColourRows(QGridLayout* grid, int& row);
    void fillLists();
    void loadLayerList();
    void connectHandlers();

    void onLayerSelected(int index);
    void onLocationSelected(int index);
    void onClampedEdit(std::int32_t& value, int minimum, int maximum, const QString& text);
    void onColourClicked(ColourSwatch* swatch, std::uint32_t& colour);
    void onFontButton();
    void insertField(const QString& field);
    void showLayer(int index);

    void addLayer();
    void renameLayer();
    void deleteLayer();

    QString m_templateName;
    WatermarkConf& m_conf;
    CEditTempImgDlg* m_imagePage = nullptr;
    EditConfCommits m_commits;

    LayerComboBox* m_layerList = nullptr;
    CCoolButtonBar* m_layerButton = nullptr;
    QLineEdit* m_text = nullptr;
    QCheckBox* m_fields = nullptr;
    QPushButton* m_fieldButton = nullptr;
    QLineEdit* m_fontName = nullptr;
    QPushButton* m_fontButton = nullptr;
    QComboBox* m_location = nullptr;
    SpinEdit* m_offsetH = nullptr;
    SpinEdit* m_offsetV = nullptr;
    SpinEdit* m_rotation = nullptr;
    OpacitySlider* m_transparency = nullptr;
    QCheckBox* m_scaleText = nullptr;
    QCheckBox* m_shadow = nullptr;
    SpinEdit* m_shadowH = nullptr;
    SpinEdit* m_shadowV = nullptr;
    SpinEdit* m_shadowBlur = nullptr;
    SpinEdit* m_shadowAlpha = nullptr;
    QCheckBox* m_fill = nullptr;
    ColourSwatch* m_fillColour = nullptr;
    QCheckBox* m_edge = nullptr;
    ColourSwatch* m_edgeColour = nullptr;
    SpinEdit* m_edgeAlpha = nullptr;
    QComboBox* m_lineThickness = nullptr;
    QCheckBox* m_3d = nullptr;
    ColourSwatch* m_3dColour = nullptr;
    SpinEdit* m_3dOffset = nullptr;
    QComboBox* m_3dPosition = nullptr;
    QCheckBox* m_gradient = nullptr;
    ColourSwatch* m_gradientBegin = nullptr;
    ColourSwatch* m_gradientEnd = nullptr;
    QCheckBox* m_cover = nullptr;
    QComboBox* m_coverMethod = nullptr;
};
