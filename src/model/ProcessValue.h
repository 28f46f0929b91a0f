#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <utility>

// A value the whole process shares (a window's current choice that workers read), taken and
// replaced whole under its own lock, so that a worker thread never reads it half written.
template <typename T> class ProcessValue
{
public:
    ProcessValue() = default;
    explicit ProcessValue(T initial) : m_value(std::move(initial)) {}
    ProcessValue(const ProcessValue&) = delete;
    ProcessValue& operator=(const ProcessValue&) = delete;

    T get() const
    {
        QMutexLocker lock(&m_mutex);
        return m_value;
    }
    void set(T value)
    {
        QMutexLocker lock(&m_mutex);
        m_value = std::move(value);
    }

private:
    mutable QMutex m_mutex;
    T m_value{};
};
