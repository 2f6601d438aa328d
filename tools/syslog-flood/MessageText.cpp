#include "MessageText.h"

namespace quendal::flood {

MessageText& MessageText::appendUnsigned(std::uint64_t number)
{
    char digits[20];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (length > 0)
        buffer_.push_back(digits[--length]);
    return *this;
}

MessageText& MessageText::twoDigits(unsigned number)
{
    buffer_.push_back(static_cast<char>('0' + number / 10 % 10));
    buffer_.push_back(static_cast<char>('0' + number % 10));
    return *this;
}

MessageText& MessageText::operator<<(Ipv4 address)
{
    return *this << (address.value >> 24) << '.' << ((address.value >> 16) & 0xFF) << '.'
                 << ((address.value >> 8) & 0xFF) << '.' << (address.value & 0xFF);
}

MessageText& MessageText::operator<<(Duration duration)
{
    const std::uint32_t hours = duration.seconds / 3600;
    if (hours < 10)
        buffer_.push_back('0');
    *this << hours << ':';
    twoDigits(duration.seconds / 60 % 60);
    buffer_.push_back(':');
    return twoDigits(duration.seconds % 60);
}

MessageText& MessageText::operator<<(Hex hex)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    buffer_.append("0x");
    for (int shift = (hex.digits - 1) * 4; shift >= 0; shift -= 4)
        buffer_.push_back(kDigits[(hex.value >> shift) & 0xF]);
    return *this;
}

} // namespace quendal::flood
