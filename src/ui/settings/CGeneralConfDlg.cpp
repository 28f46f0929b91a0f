#include "ui/settings/CGeneralConfDlg.h"

#include "model/ExistingOutputChoice.h"
#include "model/LosslessJpeg.h"
#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "ui/settings/OutputQualityBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "model/DataFiles.h"
#include "services/language/FailureReason.h"
#include "ui/settings/CFolderDlg.h"
#include "xml/XmlDocument.h"

using namespace PreferenceElements;

namespace {

void showMessage(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Lumora Plenum"), text);
}

} // namespace

QStringList CGeneralConfDlg::formatNames()
{
    return {QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("BMP"), QStringLiteral("TIFF"),
            QStringLiteral("WEBP")};
}

CGeneralConfDlg::CGeneralConfDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CGeneralConfDlg"));
    buildControls();
    loadSettings();
}

CGeneralConfDlg::~CGeneralConfDlg()
{
    storeSettings();
}

void CGeneralConfDlg::buildControls()
{
    // White page; the controls draw their texts over it.
    setAutoFillBackground(true);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    setPalette(page);

    auto* folderBox = new QGroupBox(tr("输出文件夹"), this);
    m_sourceFolderRadio = new QRadioButton(tr("保存到原始文件的文件夹"), folderBox);
    m_otherFolderRadio = new QRadioButton(tr("保存到另一个文件夹"), folderBox);
    // A path may be typed or pasted as well as chosen; it is checked when the window closes.
    m_pathField = new QLineEdit(folderBox);
    m_browseButton = new QPushButton(tr("浏览"), folderBox);
    m_browseButton->setAutoDefault(false);
    m_folderGroup = new QButtonGroup(this);
    m_folderGroup->addButton(m_sourceFolderRadio, 0);
    m_folderGroup->addButton(m_otherFolderRadio, 1);

    auto* folderLayout = new QGridLayout(folderBox);
    folderLayout->addWidget(m_sourceFolderRadio, 0, 0, 1, 2);
    folderLayout->addWidget(m_otherFolderRadio, 1, 0, 1, 2);
    folderLayout->addWidget(m_pathField, 2, 0);
    folderLayout->addWidget(m_browseButton, 2, 1);
    folderLayout->setColumnStretch(0, 1);

    auto* nameBox = new QGroupBox(tr("输出文件名"), this);
    m_keepNameRadio = new QRadioButton(tr("保留原始文件名称"), nameBox);
    m_renameRadio = new QRadioButton(tr("重命名"), nameBox);
    auto* suffixLabel = new QLabel(tr("文件名后缀:"), nameBox);
    m_suffixField = new QLineEdit(nameBox);
    suffixLabel->setBuddy(m_suffixField);
    m_nameGroup = new QButtonGroup(this);
    m_nameGroup->addButton(m_keepNameRadio, 0);
    m_nameGroup->addButton(m_renameRadio, 1);

    auto* existingLabel = new QLabel(tr("文件已存在时:"), nameBox);
    m_existingList = new QComboBox(nameBox);
    m_existingList->setEditable(false);
    // In the order of OutputSettings::ExistingOutput.
    m_existingList->addItem(tr("替换"));
    m_existingList->addItem(tr("跳过"));
    m_existingList->addItem(tr("保留两者"));
    m_existingList->setToolTip(
        tr("输出文件已存在时：替换它、跳过这张照片，或保留两者（新文件名加编号，如“名称 (2).jpg”）。"));
    existingLabel->setBuddy(m_existingList);
    m_keepNameWarning = new QLabel(tr("注意：同格式照片会失败，其他同名照片可能被替换。"), nameBox);
    m_keepNameWarning->setWordWrap(true);
    m_keepNameWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    // Its room is kept while it is hidden: the preference window has a fixed size, taken once.
    QSizePolicy keepRoom = m_keepNameWarning->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_keepNameWarning->setSizePolicy(keepRoom);
    m_keepNameWarning->hide();

    auto* nameLayout = new QGridLayout(nameBox);
    nameLayout->addWidget(m_keepNameRadio, 0, 0, 1, 2);
    nameLayout->addWidget(m_renameRadio, 1, 0, 1, 2);
    nameLayout->addWidget(suffixLabel, 2, 0);
    nameLayout->addWidget(m_suffixField, 2, 1);
    nameLayout->addWidget(existingLabel, 3, 0);
    auto* existingRow = new QHBoxLayout;
    existingRow->addWidget(m_existingList);
    existingRow->addStretch(1);
    nameLayout->addLayout(existingRow, 3, 1);
    nameLayout->addWidget(m_keepNameWarning, 4, 0, 1, 2);
    nameLayout->setColumnStretch(1, 1);

    auto* formatBox = new QGroupBox(tr("输出文件格式"), this);
    m_formatList = new QComboBox(formatBox);
    m_formatList->setEditable(false);
    const QStringList names = formatNames();
    for (int i = 0; i < names.size(); ++i)
        m_formatList->addItem(names[i], i);
    m_formatList->setCurrentIndex(0);
    m_losslessBox = new QCheckBox(tr("JPG 照片无损保留水印以外的部分"), formatBox);
    m_losslessBox->setToolTip(
        tr("不缩放的 JPG 照片输出为 JPG 时，只重新编码水印所在的块，其余部分与原照片完全相同。"));
    auto* formatLayout = new QVBoxLayout(formatBox);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(m_formatList);
    formatRow->addStretch(1);
    formatLayout->addLayout(formatRow);
    formatLayout->addWidget(m_losslessBox);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(folderBox);
    layout->addWidget(nameBox);
    layout->addWidget(formatBox);
    m_qualityBox = new OutputQualityBox(this);
    layout->addWidget(m_qualityBox);
    m_damagedNotice = new QLabel(this);
    m_damagedNotice->setWordWrap(true);
    m_damagedNotice->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_damagedNotice->hide();
    layout->addWidget(m_damagedNotice);
    layout->addStretch(1);

    for (QRadioButton* radio : {m_sourceFolderRadio, m_otherFolderRadio, m_keepNameRadio, m_renameRadio})
        connect(radio, &QRadioButton::toggled, this, &CGeneralConfDlg::updateControls);
    connect(m_formatList, &QComboBox::currentIndexChanged, this, &CGeneralConfDlg::updateControls);
    connect(m_existingList, &QComboBox::currentIndexChanged, this, &CGeneralConfDlg::updateControls);
    connect(m_browseButton, &QPushButton::clicked, this, &CGeneralConfDlg::browse);

    setMinimumWidth(380);
}

void CGeneralConfDlg::updateControls()
{
    // A file without the folder choice checks neither radio: the folder stays choosable.
    const bool other = !m_sourceFolderRadio->isChecked();
    m_browseButton->setEnabled(other);
    m_pathField->setEnabled(other);
    m_suffixField->setEnabled(!m_keepNameRadio->isChecked());
    // -1 (no format chosen) writes JPEG too.
    m_losslessBox->setEnabled(m_formatList->currentIndex() <= 0);
    m_keepNameWarning->setVisible(m_sourceFolderRadio->isChecked() && m_keepNameRadio->isChecked() &&
                                  m_existingList->currentIndex() == OutputSettings::ReplaceExisting);
}

void CGeneralConfDlg::loadSettings()
{
    m_loadedLossless = readLosslessJpeg();
    m_losslessBox->setChecked(m_loadedLossless);
    m_loadedQuality = readOutputQuality();
    m_qualityBox->setValue(m_loadedQuality);
    m_loadedExisting = readExistingOutputChoice();
    m_existingList->setCurrentIndex(m_loadedExisting);
    loadPreferences();
    updateControls();
}

void CGeneralConfDlg::loadPreferences()
{

    XmlDocument doc;
    // A missing file is left to the program's start, which writes the defaults.
    const bool exists = QFileInfo::exists(preferencesPath());
    if (exists && (!doc.LoadFile(preferencesPath()) || !doc.FindElement(kRoot))) {
        m_damaged =
            describeUnreadableDataFile(FailureReason::tr("output settings"), preferencesPath(), kRoot);
        m_damagedNotice->setText(
            tr("无法读取输出设置文件，批处理不会开始：%1\n关闭此窗口时将以这里的设置保存新的文件，"
               "原文件另存为 preference.xml.damaged。")
                .arg(m_damaged));
        m_damagedNotice->show();
        doc.SetDocText(QString());
        const OutputSettings defaults = defaultOutputSettings();
        (defaults.OutputFolderOpts == 0 ? m_sourceFolderRadio : m_otherFolderRadio)->setChecked(true);
        m_pathField->setText(defaults.OutputFolderPath);
        (defaults.OutputFileNameOpts == 0 ? m_keepNameRadio : m_renameRadio)->setChecked(true);
        m_suffixField->setText(defaults.OutputFileNameSuffix);
        m_formatList->setCurrentIndex(defaults.OutputFormat);
        m_loadedFolderOption = defaults.OutputFolderOpts;
        m_loadedPath = defaults.OutputFolderPath;
        m_loadedSuffix = defaults.OutputFileNameSuffix;
        return;
    }
    if (!doc.EnterElement())
        return;

    // Looked up one after the other, forward through the document.
    if (doc.FindElement(kFolderOpts)) {
        const bool source = doc.GetElementData() == QLatin1String("0");
        (source ? m_sourceFolderRadio : m_otherFolderRadio)->setChecked(true);
        m_loadedFolderOption = source ? 0 : 1;
    }
    if (doc.FindElement(kFolderPath)) {
        m_loadedPath = doc.GetElementData();
        m_pathField->setText(m_loadedPath);
    }
    if (doc.FindElement(kNameOpts)) {
        const bool keep = doc.GetElementData() == QLatin1String("0");
        (keep ? m_keepNameRadio : m_renameRadio)->setChecked(true);
    }
    if (doc.FindElement(kSuffix)) {
        m_loadedSuffix = doc.GetElementData();
        m_suffixField->setText(m_loadedSuffix);
    }
    if (doc.FindElement(kFormat)) {
        const int index = readXmlInt(doc.GetElementData());
        m_formatList->setCurrentIndex(index >= 0 && index < m_formatList->count() ? index : -1);
    }
}

QString CGeneralConfDlg::outputFolderProblem(const QString& folder)
{
    QFileInfo part(QDir::cleanPath(folder));
    // The deepest part that exists: a run makes the rest inside it.
    while (!part.exists() && !part.isSymLink()) {
        const QFileInfo parent(part.path());
        if (parent.filePath() == part.filePath())
            break;
        part = parent;
    }
    if (!part.isDir())
        return tr("“%1”不是文件夹。").arg(part.filePath());
    if (::access(QFile::encodeName(part.filePath()).constData(), W_OK | X_OK) != 0) {
        const int error = errno;
        if (error == EROFS)
            return tr("“%1”所在的磁盘是只读的。").arg(part.filePath());
        if (error == EACCES || error == EPERM)
            return tr("没有写入“%1”的权限。").arg(part.filePath());
        return QString::fromLocal8Bit(std::strerror(error));
    }
    return QString();
}

void CGeneralConfDlg::browse()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    CFolderDlg chooser(true, documents, this);
    chooser.setTitle(tr("Select a folder"));
    if (chooser.doModal() == CFolderDlg::Chosen)
        m_pathField->setText(chooser.getPath());
}

bool CGeneralConfDlg::checkBeforeClosing()
{
    bool usable = true;
    if (m_otherFolderRadio->isChecked()) {
        const QString folder = m_pathField->text();
        const QString problem = !isUsableOutputFolder(folder)
                                    ? tr("请输入完整的文件夹路径（以“/”开头），或用“浏览”选择。")
                                    : outputFolderProblem(folder);
        if (!problem.isEmpty()) {
            showMessage(this,
                        tr("无法使用输出文件夹“%1”：%2\n将保留原来的输出文件夹设置。").arg(folder, problem));
            m_pathField->setText(m_loadedPath);
            if (m_loadedFolderOption == 0)
                m_sourceFolderRadio->setChecked(true);
            usable = false;
        }
    }
    if (!isUsableOutputSuffix(m_suffixField->text())) {
        showMessage(this, tr("文件名后缀不能包含“/”或控制字符。将保留原来的后缀“%1”。").arg(m_loadedSuffix));
        m_suffixField->setText(m_loadedSuffix);
        usable = false;
    }
    return usable;
}

void CGeneralConfDlg::storeSettings()
{
    if (m_stored)
        return;
    m_stored = true;
    if (m_losslessBox->isChecked() != m_loadedLossless)
        writeLosslessJpeg(m_losslessBox->isChecked());
    // config.ini gets the quality keys only once the person changed one.
    if (m_qualityBox->value() != m_loadedQuality)
        writeOutputQuality(m_qualityBox->value());
    if (m_existingList->currentIndex() != m_loadedExisting && m_existingList->currentIndex() >= 0)
        writeExistingOutputChoice(OutputSettings::ExistingOutput(m_existingList->currentIndex()));

    const QString path = preferencesPath();
    if (!m_damaged.isEmpty()) {
        // The person's own save replaces the damaged file; its bytes are kept beside it.
        const QString kept = path + QStringLiteral(".damaged");
        QFile::remove(kept);
        if (!QFile::copy(path, kept))
            return;
        OutputSettings settings = defaultOutputSettings();
        settings.OutputFolderOpts = m_sourceFolderRadio->isChecked() ? 0 : 1;
        settings.OutputFolderPath = m_pathField->text();
        settings.OutputFileNameOpts = m_keepNameRadio->isChecked() ? 0 : 1;
        if (isUsableOutputSuffix(m_suffixField->text()))
            settings.OutputFileNameSuffix = m_suffixField->text();
        settings.OutputFormat = m_formatList->currentIndex();
        writePreferencesFile(settings);
        return;
    }
    XmlDocument doc;
    if (!doc.LoadFile(path))
        return;
    if (doc.FindElement(kRoot) && doc.EnterElement()) {
        if (doc.FindElement(kFolderOpts))
            doc.SetElementData(m_sourceFolderRadio->isChecked() ? 0 : 1);
        if (doc.FindElement(kFolderPath))
            doc.SetElementData(m_pathField->text());
        if (doc.FindElement(kNameOpts))
            doc.SetElementData(m_keepNameRadio->isChecked() ? 0 : 1);
        if (doc.FindElement(kSuffix) && isUsableOutputSuffix(m_suffixField->text()))
            doc.SetElementData(m_suffixField->text());
        if (doc.FindElement(kFormat))
            doc.SetElementData(m_formatList->currentIndex());
        doc.LeaveElement();
    }
    doc.SaveFile(path);
}
