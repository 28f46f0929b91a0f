#pragma once

#include <QIODevice>

class AtomicFileWriter;

// An open AtomicFileWriter's temporary file as a random-access QIODevice, for encoders that
// write through a QIODevice and seek back (libtiff writes its header last). Every write goes
// straight to the file; a failed write is recorded in the writer (a sticky failure whose
// reason names the target), so that a library that ignores the result of a write, a seek or
// its own closing still cannot make a cut file look complete: the writer's commit refuses it.
class WriterDevice : public QIODevice
{
public:
    // `writer` must be open and outlive the device. The device opens itself write-only.
    explicit WriterDevice(AtomicFileWriter& writer);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    AtomicFileWriter& m_writer;
    qint64 m_size = 0;
};
