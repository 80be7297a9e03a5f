// A screen element that records every event it is offered, for tests of the
// framework's routing and order.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "wlib/App.h"

namespace WLibTest {

// One shared log of (element name, code, param) in the order handled.
struct TEventLog {
    struct TEntry {
        std::string Who;
        int32_t Code;
        int32_t Param;
        bool operator==(const TEntry& o) const { return Who == o.Who && Code == o.Code && Param == o.Param; }
    };
    std::vector<TEntry> Entries;

    // The codes that one element saw, in order.
    std::vector<int32_t> CodesOf(const std::string& who) const
    {
        std::vector<int32_t> codes;
        for (const TEntry& e : Entries)
            if (e.Who == who)
                codes.push_back(e.Code);
        return codes;
    }
    // The elements that saw code, in order.
    std::vector<std::string> WhoSaw(int32_t code) const
    {
        std::vector<std::string> who;
        for (const TEntry& e : Entries)
            if (e.Code == code)
                who.push_back(e.Who);
        return who;
    }
    int Count(const std::string& who, int32_t code) const
    {
        int n = 0;
        for (const TEntry& e : Entries)
            n += e.Who == who && e.Code == code;
        return n;
    }
};

inline std::ostream& operator<<(std::ostream& os, const TEventLog::TEntry& e)
{
    return os << e.Who << ":" << e.Code << "/" << e.Param;
}

template <class Base> class TProbe : public Base {
public:
    TProbe(std::string name, TEventLog& log) : Name(std::move(name)), Log(log) {}
    bool HandleEvent(int32_t code, int32_t param) override
    {
        Log.Entries.push_back({Name, code, param});
        if (code == HandledCode)
            return true;
        return Base::HandleEvent(code, param);
    }
    // Commands are logged as "<name>.cmd".
    void OnCommand(int32_t code) override
    {
        Log.Entries.push_back({Name + ".cmd", code, 0});
        Base::OnCommand(code);
    }
    std::string Name;
    TEventLog& Log;
    int32_t HandledCode = -1; // a code this element reports handled
};

using TProbeApp = TProbe<WLib::TApp>;

} // namespace WLibTest
