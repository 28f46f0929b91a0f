#pragma once

#include <QDialog>
#include <QString>

class SkinFrame;
class SkinManager;

// Base of the small skinned pop-up windows (about, quick start): a frameless window whose
// content comes from a layout file of the skin folder, dragged by the layout's caption area,
// resized by its size-box margins, with its rounded corners, shown modally over its owner.
// Closing the window ends the modal run with 0.
class CBaseDlgUI : public QDialog
{
    Q_OBJECT
public:
    explicit CBaseDlgUI(QWidget* owner = nullptr);
    ~CBaseDlgUI() override;

    // The window's class name ("CAboutDlgUI", "CQuickStartDlgUI").
    virtual QString getWindowClassName() const = 0;
    // The manager that built the window's controls.
    SkinManager* GetPaintManager() const { return m_skin; }
    SkinFrame* frame() const { return m_frame; }
    // The control with that name in the layout, or nullptr.
    QWidget* FindControl(const QString& name) const;

    // Builds the window (OnCreate) once; false, with the reason in ErrorString, when the
    // layout cannot be loaded.
    bool Create();
    QString errorString() const { return m_error; }
    // Centres the window over its owner (over the screen without one).
    void CenterWindow();
    // Builds the window when needed, centres it and runs it modally; returns the result
    // (-1 when the window cannot be built).
    int ShowModal();

    // Constructs a window of type T owned by `owner`, runs it modally and lets it delete
    // itself when it closes.
    template <typename T> static int Show(QWidget* owner)
    {
        auto* window = new T(owner);
        if (!window->Create()) {
            delete window;
            return -1;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        return window->ShowModal();
    }

protected:
    // Builds the layout file into the window and attaches it (derived classes).
    virtual bool InitSkin() = 0;
    // Called once the layout is attached.
    virtual void InitControls() {}
    // Called when the window is created; the derived windows build their skin here.
    virtual bool OnCreate() { return InitSkin(); }

    // Loads a layout into this window and starts the frame behaviour.
    bool loadLayout(const QString& layoutFile);

private:
    SkinManager* m_skin = nullptr;
    SkinFrame* m_frame = nullptr;
    QString m_error;
    bool m_created = false;
};
