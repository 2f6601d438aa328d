#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace quendal::flood {

// An IPv4 address in host byte order, written dotted.
struct Ipv4
{
    std::uint32_t value = 0;
};

// A number of seconds, written hh:mm:ss.
struct Duration
{
    std::uint32_t seconds = 0;
};

// Lower-case hexadecimal with a 0x prefix and a fixed number of digits.
struct Hex
{
    std::uint64_t value = 0;
    int digits = 4;
};

// Builds one datagram in a reused buffer; the generator writes tens of thousands of these per
// second, so there is no stream or locale in the way.
class MessageText
{
public:
    MessageText() { buffer_.reserve(1024); }

    void clear() { buffer_.clear(); }
    std::string_view view() const { return buffer_; }
    std::size_t size() const { return buffer_.size(); }
    char& operator[](std::size_t index) { return buffer_[index]; }

    MessageText& operator<<(std::string_view text)
    {
        buffer_.append(text);
        return *this;
    }
    MessageText& operator<<(const char* text) { return *this << std::string_view(text); }
    MessageText& operator<<(char c)
    {
        buffer_.push_back(c);
        return *this;
    }
    template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>) MessageText& operator<<(T number)
    {
        if constexpr (std::signed_integral<T>) {
            if (number < 0) {
                buffer_.push_back('-');
                return appendUnsigned(0 - static_cast<std::uint64_t>(number));
            }
        }
        return appendUnsigned(static_cast<std::uint64_t>(number));
    }
    MessageText& operator<<(Ipv4 address);
    MessageText& operator<<(Duration duration);
    MessageText& operator<<(Hex hex);

    // Two digits with a leading zero, as in times of day.
    MessageText& twoDigits(unsigned number);

private:
    MessageText& appendUnsigned(std::uint64_t number);

    std::string buffer_;
};

} // namespace quendal::flood
