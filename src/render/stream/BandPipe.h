#pragma once

#include <QImage>

#include <array>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CanvasRows;

// Bands of a photo decoded on a thread of their own into a ring of kSlots, taken in order by
// the encoder, so that decoding and encoding run side by side.
class BandPipe
{
public:
    // finish(band, first, count) completes each band after it is decoded; false stops the
    // decoding as damaged.
    using Finish = std::function<bool(QImage& band, int first, int count)>;

    BandPipe(CanvasRows& rows, int height, Finish finish);
    ~BandPipe();
    BandPipe(const BandPipe&) = delete;
    BandPipe& operator=(const BandPipe&) = delete;

    // Makes the ring and starts the decoding; false when memory runs out.
    bool start();

    // The rows first .. first + count - 1, which the encoder asks for a band at a time; the
    // band before is then free for decoding. False when the decoding stopped.
    bool take(int first, int count, const uchar** lines);

    // Ends the decoding thread; false when the photo was found damaged.
    bool finish();

private:
    static constexpr int kSlots = 8;

    void decodeAll();
    void stop();

    CanvasRows& m_rows;
    const int m_height;
    const Finish m_finish;
    std::array<QImage, kSlots> m_slots;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_decoded = 0; // bands decoded
    int m_taken = 0;   // the band the encoder takes; those before it are free
    bool m_damaged = false;
    bool m_stopped = false;
};
