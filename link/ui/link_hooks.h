#pragma once
// The device link's callbacks belong to whichever window runs an exchange: a window puts its own
// in place for the length of one action and the previous ones come back afterwards, so the
// connection window, the upload window and the frame never take each other's messages.
#include <QString>
#include <functional>
#include <string>

#include "link/device_link.h"

namespace quelmo::ui {

class ScopedLinkHooks {
public:
    explicit ScopedLinkHooks(DeviceLink& link)
        : link_(link), log_(link.OnLog), message_(link.OnMessage), connected_(link.OnConnected) {}
    ~ScopedLinkHooks() {
        link_.OnLog = std::move(log_);
        link_.OnMessage = std::move(message_);
        link_.OnConnected = std::move(connected_);
    }
    ScopedLinkHooks(const ScopedLinkHooks&) = delete;
    ScopedLinkHooks& operator=(const ScopedLinkHooks&) = delete;

private:
    DeviceLink& link_;
    std::function<void(const std::string&)> log_;
    std::function<void(const std::string&)> message_;
    std::function<void()> connected_;
};

// A log line or message as a text area shows it: UTF-8, line breaks of any kind as one break,
// no break at the end.
inline QString DisplayText(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text;
}

}  // namespace quelmo::ui
