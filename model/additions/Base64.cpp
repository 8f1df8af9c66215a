#include "Base64.h"

namespace
{
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string NewBase64Encode(const void* buffer, std::size_t length, std::size_t* outputLength)
{
    if (!buffer)
        length = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned triple = (unsigned(bytes[i]) << 16) | (unsigned(bytes[i + 1]) << 8) | bytes[i + 2];
        out += Alphabet[(triple >> 18) & 0x3F];
        out += Alphabet[(triple >> 12) & 0x3F];
        out += Alphabet[(triple >> 6) & 0x3F];
        out += Alphabet[triple & 0x3F];
    }
    const std::size_t rest = length - i;
    if (rest > 0) {
        const unsigned triple = (unsigned(bytes[i]) << 16) | (rest == 2 ? unsigned(bytes[i + 1]) << 8 : 0u);
        out += Alphabet[(triple >> 18) & 0x3F];
        out += Alphabet[(triple >> 12) & 0x3F];
        out += rest == 2 ? Alphabet[(triple >> 6) & 0x3F] : '=';
        out += '=';
    }
    if (outputLength)
        *outputLength = out.size();
    return out;
}

namespace Base64
{

QString base64EncodedString(const QByteArray& data)
{
    const std::string text = NewBase64Encode(data.constData(), std::size_t(data.size()));
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace Base64
