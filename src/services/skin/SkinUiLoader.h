#pragma once

#include <QUiLoader>

// Loads skin layouts (Qt Designer's UI format) and creates the skin's own list class for
// widgets the layout declares as "SkinList".
class SkinUiLoader : public QUiLoader
{
    Q_OBJECT
public:
    explicit SkinUiLoader(QObject* parent = nullptr);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;
};
