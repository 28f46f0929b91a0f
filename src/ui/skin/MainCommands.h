#pragma once

// Menu commands of the main window and the codes its toolbar and template buttons send with
// MainUiToolbarMessage and MainUiTemplateMessage.
enum MainCommand : int
{
    SystemAboutCommand = 16, // "关于 Lumora(&A)..." of the window menu
    EditTemplateCommand = 32771,
    RenameTemplateCommand = 32772,
    DeleteTemplateCommand = 32773,
    HomePageCommand = 32777,
    SupportPageCommand = 32778,
    CheckUpdateCommand = 32780,
    AboutCommand = 32781,
    QuickStartCommand = 32782,
    FeedbackCommand = 32783,
    ResetDefaultsCommand = 32784,
    OpenSettingsFolderCommand = 32785,
};

enum MainUiCode : int
{
    PreviewCode = 12,
    StartRunCode = 13,
    StopRunCode = 14,
    ResizingCode = 15,
    PreferenceCode = 16,
    NewTemplateCode = 20,
    TemplateMenuCode = 21,
};
