#pragma once

#include "render/RenderRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <climits>
#include <condition_variable>
#include <mutex>

// A renderer for batch runs under test: records each photo and the template its request
// names (the one selected when its render starts), writes a small output file into a folder, and can hold
// renders back (render number n finishes only once n <= the allowed count).
class FakeRenderer
{
public:
    explicit FakeRenderer(const QString& outputFolder) : m_outputFolder(outputFolder) {}

    ComposeOutcome render(const RenderRequest& request)
    {
        const QString& path = request.sourcePath;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_photos.append(path);
        m_templates.append(request.templateName);
        const int number = static_cast<int>(m_photos.size());
        m_changed.notify_all();
        m_changed.wait(lock, [&]() { return number <= m_allowed; });
        if (QFileInfo(path).fileName().contains(QLatin1String("broken")))
            return ComposeOutcome(Outcome::failure(QStringLiteral("无法读取照片。")));
        const QString target =
            m_outputFolder + QLatin1Char('/') + QFileInfo(path).completeBaseName() + "_new.png";
        QFile file(target);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write("stamped;");
        ++m_finished;
        return ComposeOutcome(Outcome::success(), target);
    }

    void allow(int count)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_allowed = count;
        m_changed.notify_all();
    }
    void allowAll() { allow(INT_MAX); }

    int started() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return static_cast<int>(m_photos.size());
    }
    QStringList photos() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_photos;
    }
    QStringList templates() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_templates;
    }

private:
    QString m_outputFolder;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_photos;
    QStringList m_templates;
    int m_allowed = INT_MAX;
    int m_finished = 0;
};
