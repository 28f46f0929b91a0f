#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QUndoStack;

// The undo history of the template editor. Every change the editor makes is stored into the
// template's files at once; a step is the difference between the files (the template file and
// its layers' files, byte for byte) at two moments when no change is in progress. A step
// closes after each store, except while one edit goes on: typing in a field (the step ends
// when the field's edit ends), a slider or a drag on the preview held down. Undoing or redoing
// a step writes the files back as they were and has the editor show them again; the layer
// files keep exactly the bytes they had. Used on the user-interface thread only; the history
// lives as long as its editor window.
class EditorHistory : public QObject
{
    Q_OBJECT

public:
    using Files = QMap<QString, std::optional<QByteArray>>; // path: bytes, or no file

    // `reload` shows the files again after an undo or redo (layer list and selected layer).
    EditorHistory(const QString& templateName, std::function<void()> reload, QObject* parent = nullptr);
    ~EditorHistory() override;

    // The history of the open editor, null when none is open.
    static EditorHistory* current();

    QUndoStack* stack() const { return m_stack; }

    // A store happened: the step closes unless an edit is still in progress.
    void stored();
    // Ends the open step: when the files differ from those at the last step, one step is added.
    void closeStep();
    // A person types into a field: the step stays open until the field's edit ends (closeStep).
    void typing();
    // An edit that holds the step open (a slider or a drag pressed); released, the step closes.
    void hold();
    void release();
    // While a step is undone or redone: the editor shows the files and stores nothing.
    bool isRestoring() const { return m_restoring; }

    void undo();
    void redo();

private:
    class FileStep;

    bool editInProgress() const;
    Files capture() const;
    void restore(const Files& files);

    QString m_templateName;
    std::function<void()> m_reload;
    QUndoStack* m_stack;
    Files m_settled;
    int m_held = 0;
    bool m_typing = false;
    bool m_restoring = false;
    bool m_pushing = false;
};
