#include "engine/optimizer/message_sink.h"

#include <utility>

#include "engine/optimizer/optimizer.h"

namespace qtb::opt {

int MessageTypeOf(char severity, int detail) {
    switch (severity) {
        case 'W':
            return XPRS_MSG_WARNING;
        case 'E':
        case 'S':
            return XPRS_MSG_ERROR;
        default:
            // Informational: the messages CBC and CLP print by default are
            // information, the chattier levels are log output.
            return detail > 1 ? XPRS_MSG_LOG : XPRS_MSG_INFO;
    }
}

MessageSink::MessageSink(LineFn fn) : fn_(std::move(fn)) {}

MessageSink::MessageSink(const MessageSink& other) : CoinMessageHandler(other), fn_(other.fn_) {}

CoinMessageHandler* MessageSink::clone() const {
    return new MessageSink(*this);
}

int MessageSink::print() {
    if (!fn_) return 0;
    const CoinOneMessage& msg = currentMessage();
    const int type = MessageTypeOf(msg.severity(), msg.detail());
    ForEachLine(messageBuffer(), [&](std::string_view line) { fn_(line, type); });
    return 0;
}

void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& fn) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        fn(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

}  // namespace qtb::opt
