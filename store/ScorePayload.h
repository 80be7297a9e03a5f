// Reading a submitted result back: the inverse of the submission's base-32
// encoding, and the exact parse of the payload text it carries. Whatever the
// game's encoder can produce is read back; anything else is refused with the
// reason, so a score server can tell a damaged request from a real one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Why a payload was refused; kPayloadOk when it was read.
enum TPayloadError {
    kPayloadOk = 0,
    kPayloadEmpty,          // no symbols at all
    kPayloadTooLong,        // more symbols than any real result needs
    kPayloadBadSymbol,      // a character outside the symbol table
    kPayloadBadLength,      // not whole groups of 8 symbols (5 bytes)
    kPayloadBadLayout,      // the fields are not type=|name=|score=|key=X|p=1|z= in order
    kPayloadBadNumber,      // type or score is not a plain decimal 32-bit number
    kPayloadBadPadding,     // the "0" padding is not exactly what makes a multiple of 5
    kPayloadBadNameByte,    // a name byte below 32
    kPayloadNameTooLong,    // more than kMaxPayloadName bytes of name
    kPayloadScoreOutOfRange // a score of 0 or below never enters a table, so never comes
};

// A one-line reason for people and logs, e.g. "inf has a character outside the symbol table".
const char* PayloadErrorText(TPayloadError error);

constexpr std::size_t kMaxPayloadName = 59;     // the longest name the game lets a player type
constexpr std::size_t kMaxPayloadSymbols = 256; // well above the longest real payload (176)

// The three fields of a submitted result. Name is in the game's single-byte
// code page, bytes 32 to 255, exactly as the game sent it.
struct TScorePayload {
    std::int32_t OnlineType = 0;
    std::string Name;
    std::int32_t Score = 0;
};

// Symbols to bytes: each symbol is 5 bits, most significant first; 8 symbols
// make 5 bytes. kPayloadOk and the bytes, or the first fault found.
TPayloadError DecodeScoreSymbols(std::string_view symbols, std::string& bytes);

// Parses type=<t>|name=<name>|score=<s>|key=X|p=1|z=<0 padding>. The name may
// itself hold "|" and "=": the fixed tail is found from the end, where only
// padding can follow it. The online type is read but not judged here: which
// types exist is the server's business.
TPayloadError ParseScorePayload(std::string_view payload, TScorePayload& result);

// DecodeScoreSymbols then ParseScorePayload.
TPayloadError ReadScoreSymbols(std::string_view symbols, TScorePayload& result);
