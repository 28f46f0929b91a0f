#pragma once

#include <QByteArray>
#include <QString>

// Reads one HTTP/1.x response from the bytes of a connection as they arrive, within hard
// limits, so that a server cannot make the reader hold more than a fixed amount of memory:
//  - everything that is not payload (status lines, header lines, interim 1xx responses,
//    chunk-size lines, the line ends after chunks, trailers) counts against maxHeadBytes;
//  - the payload (the body without its chunked framing) counts against maxBodyBytes.
// Crossing either limit fails the response at once, before the bytes are kept. The body is
// framed by Transfer-Encoding: chunked, by Content-Length, or else runs to the connection's
// close. Lines may end in CR LF or in LF alone.
class HttpResponseReader
{
public:
    enum class State
    {
        Head,   // the final response's head has not fully arrived
        Body,   // the head is complete; body bytes may follow
        Done,   // the whole response has arrived
        Failed, // the response is malformed or over a limit; see error()
    };

    HttpResponseReader(qint64 maxHeadBytes, qint64 maxBodyBytes);

    // Takes the next size bytes of the connection and appends the payload among them to body.
    // Bytes after the end of the response are ignored.
    State read(const char* data, qint64 size, QByteArray& body);
    // The server closed the connection: ends a body that runs to the close, fails otherwise.
    State closed();

    State state() const { return m_state; }
    QString error() const { return m_error; }
    // The status code of the final response; valid from State::Body on.
    int status() const { return m_status; }
    // The values of every header line with this name (any case), joined by ", "; empty when
    // there is none.
    QByteArray header(const QByteArray& name) const;

private:
    enum class Phase
    {
        StatusLine,
        HeaderLines,
        LengthBody,
        BodyToClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Finished,
    };

    bool isLinePhase() const;
    void takeLine(const QByteArray& line);
    void takeStatusLine(const QByteArray& line);
    void takeHeaderLine(const QByteArray& line);
    void takeChunkSize(const QByteArray& line);
    void endOfHead();
    State fail(const QString& reason);

    qint64 m_maxHeadBytes;
    qint64 m_maxBodyBytes;
    qint64 m_headBytes = 0;
    qint64 m_bodyBytes = 0;
    qint64 m_remaining = 0; // of the Content-Length body or of the current chunk
    Phase m_phase = Phase::StatusLine;
    State m_state = State::Head;
    int m_status = 0;
    QByteArray m_line;
    // The header fields of the current response as "name:value" lines, each ended by '\n' (a
    // field's value never holds one): no more memory than the head's bytes.
    QByteArray m_fields;
    QString m_error;
};
