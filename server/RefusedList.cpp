#include "server/RefusedList.h"

#include <algorithm>

namespace ScoreServer {

bool RefusedAddressText(const std::string& text, std::string& kept)
{
    std::string net = text;
    if (net.find('/') == std::string::npos)
        net += net.find(':') != std::string::npos ? "/64" : "/32";
    TAddressNet parsed;
    if (!parsed.Parse(net))
        return false;
    kept = parsed.Text();
    return !kept.empty();
}

void TRefusedList::Set(const TRefusedRows& rows)
{
    Names.clear();
    Nets.clear();
    for (const auto& [kind, value] : rows) {
        TAddressNet net;
        if (kind == kRefusedNameKind)
            Names.push_back(value);
        else if (kind == kRefusedAddressKind && net.Parse(value))
            Nets.push_back(net);
    }
}

bool TRefusedList::RefusesName(const std::string& name) const
{
    return std::find(Names.begin(), Names.end(), name) != Names.end();
}

bool TRefusedList::RefusesAddress(const std::string& address) const
{
    return std::any_of(Nets.begin(), Nets.end(), [&](const TAddressNet& n) { return n.Contains(address); });
}

} // namespace ScoreServer
