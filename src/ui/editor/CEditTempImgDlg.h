#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include "ui/editor/EditConfCommits.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class CCoolButtonBar;
class OpacitySlider;
class CEditWithButton;
class CTextEditTempDlg;
class LayerComboBox;
class SpinEdit;

// The picture page of the template editor: edits the picture part of EditConf (file,
// placement, rotation, opacity, size, scaling). Every change is stored at once and the
// preview redrawn. Layer selection and the layer commands are left to the text page.
class CEditTempImgDlg : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLayerButtonMessage = 5035;
    static constexpr int kClearButtonMessage = 4024;
    // Choices of the open-file chooser: pairs of label and patterns.
    static const QString kPictureFilter;

    // `conf`: the editor's editing instance, shared with the text page.
    CEditTempImgDlg(const QString& templateName, WatermarkConf& conf, CTextEditTempDlg* textPage,
                    QWidget* parent = nullptr);

    // Refills the layer list from the template file and selects `index`.
    void FillLayerList(int index);
    // Puts the picture part of EditConf into the controls; a stored size of 0 with an
    // existing picture becomes the picture's own size. The shown values are stored again.
    void ShowImageSettings();
    // Stores EditConf into the layer selected on this page and redraws the preview.
    void CommitEditConf();
    // Where the outcome of every store of this page goes (see EditConfCommits::setReport).
    void setCommitReport(std::function<void(const Outcome&)> report)
    {
        m_commits.setReport(std::move(report));
    }

    QString selectedLayerName() const;
    // The page's design size, or the room the controls of the two pages need when that is
    // larger (PageWidgets::pageSize); the editor window lays itself out around it.
    QSize sizeHint() const override;
    // The size of the picture file, 0 x 0 when it is missing or cannot be decoded.
    static QSize pictureSize(const QString& path);

protected:
    bool event(QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void showPictureSize();
    void onWidthChanged(const QString& text);
    void onScaleClicked();
    void onBrowse();
    void onClear();

    QString m_templateName;
    WatermarkConf& m_conf;
    CTextEditTempDlg* m_textPage;
    EditConfCommits m_commits;

    LayerComboBox* m_layerList = nullptr;
    CCoolButtonBar* m_layerButton = nullptr;
    CEditWithButton* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QComboBox* m_location = nullptr;
    SpinEdit* m_offsetH = nullptr;
    SpinEdit* m_offsetV = nullptr;
    SpinEdit* m_rotation = nullptr;
    OpacitySlider* m_transparency = nullptr;
    QCheckBox* m_scale = nullptr;
    SpinEdit* m_width = nullptr;
    SpinEdit* m_height = nullptr;
};
