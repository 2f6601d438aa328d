#include "logs/core/Rfc5424Header.h"

namespace quendal {
namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// Reads header parts one after the other, each up to the next blank.
class PartReader
{
public:
    explicit PartReader(QByteArrayView body) : body_(body) {}

    // The next part; the nil value "-" as an empty view. Steps over the blank behind it.
    QByteArrayView next()
    {
        const qsizetype start = pos_;
        qsizetype end = body_.indexOf(' ', start);
        if (end < 0)
            end = body_.size();
        pos_ = end < body_.size() ? end + 1 : end;
        const QByteArrayView part = body_.sliced(start, end - start);
        return part == "-" ? QByteArrayView() : part;
    }

    // Structured data at the current position: "-", or one or more bracketed elements.
    QByteArrayView structuredData()
    {
        if (pos_ >= body_.size())
            return {};
        if (body_[pos_] == '-' && (pos_ + 1 == body_.size() || body_[pos_ + 1] == ' ')) {
            ++pos_;
            skipBlank();
            return {};
        }
        const qsizetype start = pos_;
        while (pos_ < body_.size() && body_[pos_] == '[')
            skipElement();
        const QByteArrayView data = body_.sliced(start, pos_ - start);
        if (!data.isEmpty())
            skipBlank();
        return data;
    }

    QByteArrayView rest() const { return body_.sliced(pos_); }

private:
    void skipBlank()
    {
        if (pos_ < body_.size() && body_[pos_] == ' ')
            ++pos_;
    }

    // From '[' past its closing ']'. Inside a quoted value '\' escapes the next byte.
    void skipElement()
    {
        bool quoted = false;
        for (++pos_; pos_ < body_.size(); ++pos_) {
            const char c = body_[pos_];
            if (quoted && c == '\\') {
                if (pos_ + 1 < body_.size())
                    ++pos_;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == ']' && !quoted) {
                ++pos_;
                return;
            }
        }
    }

    QByteArrayView body_;
    qsizetype pos_ = 0;
};

} // namespace

Rfc5424Header parseRfc5424Header(QByteArrayView body)
{
    PartReader reader(body);
    reader.next(); // the version
    Rfc5424Header h;
    h.timestamp = reader.next();
    h.hostname = reader.next();
    h.appName = reader.next();
    h.procId = reader.next();
    h.msgId = reader.next();
    h.structuredData = reader.structuredData();
    h.message = reader.rest();
    if (h.message.startsWith(kByteOrderMark))
        h.message = h.message.sliced(kByteOrderMark.size());
    return h;
}

} // namespace quendal
