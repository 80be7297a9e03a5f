// The submission's payload read back: symbols to bytes, bytes to fields.

#include "store/ScorePayload.h"

#include "store/ScoreSubmit.h"

#include <limits>

namespace {

constexpr std::size_t kGroupSymbols = 8; // 8 symbols of 5 bits ...
constexpr std::size_t kGroupBytes = 5;   // ... are 5 bytes
constexpr std::string_view kTypeField = "type=";
constexpr std::string_view kNameField = "|name=";
constexpr std::string_view kScoreField = "|score=";
constexpr std::string_view kFixedTail = "|key=X|p=1|z=";

int SymbolValue(char c)
{
    for (int i = 0; i < 32; ++i)
        if (kScoreSymbols[i] == c)
            return i;
    return -1;
}

// A decimal number as the game writes one (std::to_string of a 32-bit value):
// an optional "-", no "+", no leading zero, no "-0", within 32 bits.
bool ParsePlainInt32(std::string_view text, std::int32_t& value)
{
    bool negative = !text.empty() && text.front() == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10 || (digits.front() == '0' && digits.size() > 1) ||
        (negative && digits == "0"))
        return false;
    std::int64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

} // namespace

const char* PayloadErrorText(TPayloadError error)
{
    switch (error) {
    case kPayloadOk:
        return "ok";
    case kPayloadEmpty:
        return "inf is empty";
    case kPayloadTooLong:
        return "inf is longer than any result";
    case kPayloadBadSymbol:
        return "inf has a character outside the symbol table";
    case kPayloadBadLength:
        return "inf is not whole groups of 8 symbols";
    case kPayloadBadLayout:
        return "payload is not type=|name=|score=|key=X|p=1|z=";
    case kPayloadBadNumber:
        return "type or score is not a plain decimal number";
    case kPayloadBadPadding:
        return "payload padding is wrong";
    case kPayloadBadNameByte:
        return "name has a control character";
    case kPayloadNameTooLong:
        return "name is longer than 59 bytes";
    case kPayloadScoreOutOfRange:
        return "score is not above 0";
    }
    return "unknown fault";
}

TPayloadError DecodeScoreSymbols(std::string_view symbols, std::string& bytes)
{
    bytes.clear();
    if (symbols.empty())
        return kPayloadEmpty;
    if (symbols.size() > kMaxPayloadSymbols)
        return kPayloadTooLong;
    for (char c : symbols)
        if (SymbolValue(c) < 0)
            return kPayloadBadSymbol;
    if (symbols.size() % kGroupSymbols != 0)
        return kPayloadBadLength;
    bytes.reserve(symbols.size() / kGroupSymbols * kGroupBytes);
    for (std::size_t at = 0; at < symbols.size(); at += kGroupSymbols) {
        std::uint64_t group = 0; // 40 bits
        for (std::size_t i = 0; i < kGroupSymbols; ++i)
            group = (group << 5) | static_cast<std::uint64_t>(SymbolValue(symbols[at + i]));
        for (int i = static_cast<int>(kGroupBytes) - 1; i >= 0; --i)
            bytes += static_cast<char>((group >> (8 * i)) & 0xFF);
    }
    return kPayloadOk;
}

TPayloadError ParseScorePayload(std::string_view payload, TScorePayload& result)
{
    // The tail: the last "|z=" is the real one, since only "0" may follow it.
    const std::size_t z = payload.rfind("|z=");
    if (payload.substr(0, kTypeField.size()) != kTypeField || z == std::string_view::npos)
        return kPayloadBadLayout;
    const std::size_t tailEnd = z + 3;
    const std::size_t tailStart = tailEnd - kFixedTail.size();
    if (tailEnd < kFixedTail.size() || payload.substr(tailStart, kFixedTail.size()) != kFixedTail)
        return kPayloadBadLayout;
    // The score: digits never hold "|", so the last "|score=" before the tail.
    const std::size_t scoreAt = payload.rfind(kScoreField, tailStart);
    const std::size_t typeEnd = payload.find('|');
    if (scoreAt == std::string_view::npos || typeEnd == std::string_view::npos ||
        payload.substr(typeEnd, kNameField.size()) != kNameField || typeEnd + kNameField.size() > scoreAt)
        return kPayloadBadLayout;

    std::string_view padding = payload.substr(tailEnd);
    for (char c : padding)
        if (c != '0')
            return kPayloadBadLayout;
    if ((tailEnd + kGroupBytes - 1) / kGroupBytes * kGroupBytes != payload.size())
        return kPayloadBadPadding;

    TScorePayload read;
    if (!ParsePlainInt32(payload.substr(kTypeField.size(), typeEnd - kTypeField.size()), read.OnlineType) ||
        !ParsePlainInt32(
            payload.substr(scoreAt + kScoreField.size(), tailStart - scoreAt - kScoreField.size()),
            read.Score))
        return kPayloadBadNumber;
    const std::size_t nameAt = typeEnd + kNameField.size();
    read.Name = std::string(payload.substr(nameAt, scoreAt - nameAt));
    for (char c : read.Name)
        if (static_cast<unsigned char>(c) < 32)
            return kPayloadBadNameByte;
    if (read.Name.size() > kMaxPayloadName)
        return kPayloadNameTooLong;
    if (read.Score <= 0)
        return kPayloadScoreOutOfRange;
    result = std::move(read);
    return kPayloadOk;
}

TPayloadError ReadScoreSymbols(std::string_view symbols, TScorePayload& result)
{
    std::string bytes;
    TPayloadError error = DecodeScoreSymbols(symbols, bytes);
    return error != kPayloadOk ? error : ParseScorePayload(bytes, result);
}
