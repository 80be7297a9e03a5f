#include "platform/desktop/InputRecord.h"

#include <cstdio>

namespace Platform {

std::string ToString(const InputRecord& record)
{
    char text[64];
    switch (record.kind) {
    case InputRecord::Kind::KeyDown:
        std::snprintf(text, sizeof text, "KeyDown 0x%02X%s", record.code, record.repeat ? " repeat" : "");
        break;
    case InputRecord::Kind::KeyPress:
        std::snprintf(text, sizeof text, "KeyPress %d", record.code);
        break;
    case InputRecord::Kind::KeyUp:
        std::snprintf(text, sizeof text, "KeyUp 0x%02X", record.code);
        break;
    case InputRecord::Kind::MouseDown:
        std::snprintf(text, sizeof text, "MouseDown %d %d,%d", record.code, record.x, record.y);
        break;
    case InputRecord::Kind::MouseMove:
        std::snprintf(text, sizeof text, "MouseMove %d,%d", record.x, record.y);
        break;
    case InputRecord::Kind::MouseUp:
        std::snprintf(text, sizeof text, "MouseUp %d %d,%d", record.code, record.x, record.y);
        break;
    case InputRecord::Kind::Activate:
        return "Activate";
    case InputRecord::Kind::Deactivate:
        return "Deactivate";
    case InputRecord::Kind::Close:
        return "Close";
    case InputRecord::Kind::Expose:
        return "Expose";
    }
    return text;
}

} // namespace Platform
