#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>

namespace quendal {

// Cuts the byte stream of one syslog connection into messages. A frame that starts with a digit
// is octet-counted ("LEN SP MSG"); any other is one line, ended by LF, CR LF or NUL. Both may
// follow each other on the same connection. Connections that must be octet-counted (TLS) take
// nothing else. Memory stays at one frame whatever the peer sends: a frame longer than the
// limit, or a count that is not one, is an error after which the connection must be closed.
class SyslogFrameReader
{
public:
    enum class Framing
    {
        Either,      // octet-counted or a line, frame by frame
        OctetCounted // octet-counted only
    };
    enum class Error
    {
        None,
        TooLong,   // a frame past the limit (or a count announcing one)
        BadCount,  // a count that is not a number followed by a space
        NotCounted // a frame without a count where one is required
    };

    explicit SyslogFrameReader(qsizetype maxMessageSize, Framing framing = Framing::Either);

    // Takes in `data` and calls `deliver(QByteArrayView message)` for each message it completes,
    // in order. The view is valid during the call only. false once the stream has an error;
    // nothing more is delivered from then on.
    template <typename Deliver> bool feed(QByteArrayView data, Deliver&& deliver);

    Error error() const { return error_; }
    static QString errorText(Error error);
    // Bytes of a frame begun but not ended.
    bool midFrame() const { return state_ != State::Start || !pending_.isEmpty(); }
    qsizetype maxMessageSize() const { return max_; }

private:
    enum class State
    {
        Start, // between frames
        Count, // reading the digits of a count
        Body,  // reading `remaining_` bytes of a counted frame
        Line   // reading up to the end of a line
    };
    // The digits a count may have: enough for any limit an int holds.
    static constexpr int kMaxCountDigits = 10;

    bool fail(Error error)
    {
        error_ = error;
        pending_.clear();
        pending_.squeeze();
        return false;
    }
    // What a line ends with, or -1 when `data` holds no end.
    static qsizetype findLineEnd(QByteArrayView data);

    qsizetype max_;
    Framing framing_;
    State state_ = State::Start;
    Error error_ = Error::None;
    qint64 count_ = 0;
    int countDigits_ = 0;
    qsizetype remaining_ = 0;
    QByteArray pending_; // the part of a frame that came in an earlier piece
};

template <typename Deliver> bool SyslogFrameReader::feed(QByteArrayView data, Deliver&& deliver)
{
    if (error_ != Error::None)
        return false;
    qsizetype at = 0;
    const qsizetype size = data.size();
    while (at < size) {
        switch (state_) {
        case State::Start: {
            const char c = data[at];
            // Line ends between frames (after a counted frame, some senders add one) are skipped.
            if (c == '\n' || c == '\r' || c == '\0') {
                ++at;
            } else if (c >= '1' && c <= '9') {
                state_ = State::Count;
                count_ = 0;
                countDigits_ = 0;
            } else if (framing_ == Framing::OctetCounted) {
                return fail(c == '0' ? Error::BadCount : Error::NotCounted);
            } else if (c == '0') {
                return fail(Error::BadCount);
            } else {
                state_ = State::Line;
            }
            break;
        }
        case State::Count: {
            const char c = data[at++];
            if (c == ' ') {
                if (countDigits_ == 0)
                    return fail(Error::BadCount);
                state_ = State::Body;
                remaining_ = qsizetype(count_);
                break;
            }
            if (c < '0' || c > '9' || ++countDigits_ > kMaxCountDigits)
                return fail(Error::BadCount);
            count_ = count_ * 10 + (c - '0');
            if (count_ > max_)
                return fail(Error::TooLong);
            break;
        }
        case State::Body: {
            const qsizetype take = std::min(remaining_, size - at);
            if (pending_.isEmpty() && take == remaining_) {
                // The whole frame is in this piece: no copy.
                deliver(data.sliced(at, take));
            } else {
                if (pending_.isEmpty())
                    pending_.reserve(remaining_);
                pending_.append(data.sliced(at, take));
                if (take == remaining_) {
                    deliver(QByteArrayView(pending_));
                    pending_.clear();
                }
            }
            at += take;
            remaining_ -= take;
            if (remaining_ == 0)
                state_ = State::Start;
            break;
        }
        case State::Line: {
            const QByteArrayView rest = data.sliced(at);
            const qsizetype end = findLineEnd(rest);
            const qsizetype length = end < 0 ? rest.size() : end;
            if (pending_.size() + length > max_)
                return fail(Error::TooLong);
            if (end < 0) {
                pending_.append(rest);
                at = size;
                break;
            }
            QByteArrayView line = rest.first(end);
            if (!pending_.isEmpty()) {
                pending_.append(line);
                line = QByteArrayView(pending_);
            }
            if (rest[end] == '\n' && line.endsWith('\r'))
                line.chop(1);
            deliver(line);
            pending_.clear();
            at += end + 1;
            state_ = State::Start;
            break;
        }
        }
    }
    return true;
}

} // namespace quendal
