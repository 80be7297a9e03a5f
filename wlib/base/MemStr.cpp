#include "wlib/base/MemStr.h"

#include "wlib/base/AString.h"

namespace WLib {

TMemStr::TMemStr(const TAString& s) : Data(s.Text()), Len(s.Length()) {}

TMemStr TMemStr::Sub(int start, int count) const
{
    SubRange(Len, start, count);
    return TMemStr(Ptr() + start, count);
}

} // namespace WLib
