#pragma once

#include <QWidget>

#include "model/OutputQuality.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class OutputQualityBox;

// The "常规" page of the preference window: where outputs go, how they are named and in
// which format they are written. The values live in "preference.xml": the page reads them
// when it is created and writes them back, element by element in place, when it is
// destroyed. The lossless JPEG check box, the choice for outputs that exist already and the
// output quality section live in "config.ini" (see LosslessJpeg, ExistingOutputChoice and
// OutputQuality), read and written at the same moments, the file only when a value changed.
// Enter and Escape do nothing on the page.
//
// The output folder can be chosen with "浏览" or typed (pasted) into its field; closing checks
// that it is an absolute path of a folder that exists or can be made, and that can be written.
// The lossless box is enabled only while the format is JPEG (it acts on JPEG outputs only), and
// the combination "source folder + keep the name" with replacing shows a one-line warning: photos
// already in the output format fail (their output would be the photo itself), and other photos of
// that name in the folder may be replaced.
//
// A file that cannot be read (cut off, not XML) is not written element by element: the page
// shows why, offers the default values, and when it closes keeps the old file as
// "preference.xml.damaged" and writes a complete new one with the page's values. Batches
// refuse to start until then, so nothing but this save replaces the damaged file.
class CGeneralConfDlg : public QWidget
{
    Q_OBJECT
public:
    // Entries of the format list; the position is the stored value.
    static QStringList formatNames();

    explicit CGeneralConfDlg(QWidget* parent = nullptr);
    ~CGeneralConfDlg() override;

    // Checks what closing would store and tells the user about values that cannot be used,
    // putting the previous values back: the other-folder option needs an absolute path of a
    // folder that exists or can be made and can be written (the message says why not), and the
    // suffix must not contain "/" (it would put outputs outside the folder) nor control
    // characters. False when something was put back.
    bool checkBeforeClosing();

    // Writes the values into "preference.xml" (also done by the destructor). A suffix
    // containing "/" is never written; the file keeps its previous suffix then.
    void storeSettings();

    QRadioButton* sourceFolderRadio() const { return m_sourceFolderRadio; }
    QRadioButton* otherFolderRadio() const { return m_otherFolderRadio; }
    QLineEdit* pathField() const { return m_pathField; }
    QPushButton* browseButton() const { return m_browseButton; }
    QRadioButton* keepNameRadio() const { return m_keepNameRadio; }
    QRadioButton* renameRadio() const { return m_renameRadio; }
    QLineEdit* suffixField() const { return m_suffixField; }
    QComboBox* formatList() const { return m_formatList; }
    QCheckBox* losslessBox() const { return m_losslessBox; }
    OutputQualityBox* qualityBox() const { return m_qualityBox; }
    QComboBox* existingList() const { return m_existingList; }
    QLabel* keepNameWarning() const { return m_keepNameWarning; }

    // Why `folder` cannot take outputs (missing parts are made at the first run): a part of it
    // is not a folder, or the folder (or the deepest part that exists) cannot be written.
    // Empty when it can.
    static QString outputFolderProblem(const QString& folder);
    QLabel* damagedNotice() const { return m_damagedNotice; }

private:
    void buildControls();
    void loadSettings();
    void loadPreferences();
    void browse();
    // Enables and shows the controls that depend on the choices made.
    void updateControls();

    QRadioButton* m_sourceFolderRadio = nullptr;
    QRadioButton* m_otherFolderRadio = nullptr;
    QLineEdit* m_pathField = nullptr;
    QPushButton* m_browseButton = nullptr;
    QRadioButton* m_keepNameRadio = nullptr;
    QRadioButton* m_renameRadio = nullptr;
    QLineEdit* m_suffixField = nullptr;
    QComboBox* m_formatList = nullptr;
    QCheckBox* m_losslessBox = nullptr;
    bool m_loadedLossless = false;
    OutputQualityBox* m_qualityBox = nullptr;
    OutputQuality m_loadedQuality;
    QComboBox* m_existingList = nullptr;
    int m_loadedExisting = 0;
    QLabel* m_keepNameWarning = nullptr;
    QLabel* m_damagedNotice = nullptr;
    QString m_damaged;
    QButtonGroup* m_folderGroup = nullptr;
    QButtonGroup* m_nameGroup = nullptr;

    // The values as loaded, put back when closing finds them unusable.
    int m_loadedFolderOption = -1; // -1: no radio was checked
    QString m_loadedPath;
    QString m_loadedSuffix;
    bool m_stored = false;
};
