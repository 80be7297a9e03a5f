#include "server/AddressNet.h"

#include <arpa/inet.h>
#include <cstring>

namespace ScoreServer {

namespace {

// The address as 16 bytes (IPv4 in its first 4) and whether it is IPv6.
bool ReadAddress(const std::string& text, unsigned char (&bytes)[16], bool& six)
{
    std::memset(bytes, 0, sizeof bytes);
    six = text.find(':') != std::string::npos;
    return ::inet_pton(six ? AF_INET6 : AF_INET, text.c_str(), bytes) == 1;
}

} // namespace

bool TAddressNet::Parse(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (!ReadAddress(text.substr(0, slash), Bytes, Six))
        return false;
    const int most = Six ? 128 : 32;
    Bits = most;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        if (bits.empty() || bits.size() > 3 || bits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        Bits = std::stoi(bits);
        if (Bits > most)
            return false;
    }
    return true;
}

bool TAddressNet::Contains(const std::string& address) const
{
    unsigned char bytes[16];
    bool six = false;
    if (!ReadAddress(address, bytes, six) || six != Six)
        return false;
    const int whole = Bits / 8;
    if (std::memcmp(bytes, Bytes, static_cast<std::size_t>(whole)) != 0)
        return false;
    const int rest = Bits % 8;
    if (rest == 0)
        return true;
    const unsigned char mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return (bytes[whole] & mask) == (Bytes[whole] & mask);
}

std::string TAddressNet::Text() const
{
    unsigned char bytes[16];
    std::memcpy(bytes, Bytes, sizeof bytes);
    const int whole = Bits / 8;
    if (Bits % 8 != 0)
        bytes[whole] = static_cast<unsigned char>(bytes[whole] & (0xFF << (8 - Bits % 8)));
    std::memset(bytes + whole + (Bits % 8 != 0 ? 1 : 0), 0,
                16 - static_cast<std::size_t>(whole) - (Bits % 8 != 0 ? 1 : 0));
    char text[INET6_ADDRSTRLEN];
    if (::inet_ntop(Six ? AF_INET6 : AF_INET, bytes, text, sizeof text) == nullptr)
        return {};
    return std::string(text) + "/" + std::to_string(Bits);
}

std::string ClientKey(const std::string& address)
{
    unsigned char bytes[16];
    if (address.find(':') == std::string::npos || ::inet_pton(AF_INET6, address.c_str(), bytes) != 1)
        return address;
    std::memset(bytes + 8, 0, 8);
    char text[INET6_ADDRSTRLEN];
    if (::inet_ntop(AF_INET6, bytes, text, sizeof text) == nullptr)
        return address;
    return std::string(text) + "/64";
}

} // namespace ScoreServer
