// Handing a web address to the user's browser.
#pragma once

#include <string>
#include <vector>

namespace Platform {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Asks for the address to be opened and returns at once; nothing is
    // reported, whether a browser comes up or not.
    virtual void Open(const std::string& url) = 0;
};

// The desktop's usual way: runs `xdg-open URL` (found on PATH) detached, with
// its output silenced, and does not wait for it.
class DesktopUrlOpener : public UrlOpener {
public:
    void Open(const std::string& url) override;
};

// For tests and the headless driver: records the addresses.
class RecordingUrlOpener : public UrlOpener {
public:
    void Open(const std::string& url) override { opened_.push_back(url); }
    const std::vector<std::string>& Opened() const { return opened_; }

private:
    std::vector<std::string> opened_;
};

} // namespace Platform
