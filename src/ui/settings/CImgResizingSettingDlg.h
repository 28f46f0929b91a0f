#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The resizing window "图像大小设置": how the output size follows from a photo's size,
// whether resizing is on until the program exits, and whether it is on every time. It has
// no OK or Cancel; however it closes, it writes "resizing_config.ini", sets the
// resize-pictures switch and removes the preview cache.
class CImgResizingSettingDlg : public QDialog
{
    Q_OBJECT
public:
    // `resizePictures`: the main window's "resize pictures" switch, which the window shows and,
    // once closed, gives back as resizePictures().
    explicit CImgResizingSettingDlg(QWidget* parent = nullptr, bool resizePictures = false);

    // The switch: as given until the window closes, then as the check box was left.
    bool resizePictures() const { return m_resizePictures; }

    QRadioButton* widthRadio() const { return m_widthRadio; }
    QRadioButton* heightRadio() const { return m_heightRadio; }
    QRadioButton* absoluteRadio() const { return m_absoluteRadio; }
    QLineEdit* widthEdit() const { return m_widthEdit; }
    QLineEdit* heightEdit() const { return m_heightEdit; }
    QCheckBox* resizeBox() const { return m_resizeBox; }
    QCheckBox* everyTimeBox() const { return m_everyTimeBox; }
    QLabel* note() const { return m_note; }

    // The scale type the radio buttons stand for: 1, 2 or 3, and 1 when none is checked.
    int checkedScaleType() const;

    void done(int result) override;

private:
    void buildControls();
    void loadSettings();
    void storeSettings();

    QRadioButton* m_widthRadio = nullptr;
    QRadioButton* m_heightRadio = nullptr;
    QRadioButton* m_absoluteRadio = nullptr;
    QLineEdit* m_widthEdit = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QCheckBox* m_resizeBox = nullptr;
    QCheckBox* m_everyTimeBox = nullptr;
    QLabel* m_note = nullptr;
    bool m_resizePictures = false;
    bool m_stored = false;
};
