#include "services/files/WriterDevice.h"

#include <cerrno>

#include <unistd.h>

#include "services/files/AtomicFileWriter.h"

WriterDevice::WriterDevice(AtomicFileWriter& writer) : m_writer(writer)
{
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 WriterDevice::readData(char*, qint64)
{
    return -1;
}

qint64 WriterDevice::writeData(const char* data, qint64 size)
{
    if (!m_writer.status() || m_writer.handle() < 0) {
        setErrorString(m_writer.status().sentence());
        return -1;
    }
    qint64 offset = pos();
    qint64 left = size;
    while (left > 0) {
        const ssize_t written = ::pwrite(m_writer.handle(), data, size_t(left), off_t(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_writer.fail(errno);
            setErrorString(m_writer.status().sentence());
            return -1;
        }
        data += written;
        offset += written;
        left -= written;
    }
    m_size = qMax(m_size, offset);
    return size;
}
