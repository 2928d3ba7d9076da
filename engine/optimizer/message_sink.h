// Receives every message of CBC and CLP and hands it on, line by line, to the
// problem's message callback. Nothing is ever printed.
#pragma once

#include <CoinMessageHandler.hpp>
#include <functional>
#include <string_view>

#include "engine/optimizer/message_text.h"

namespace qtb::opt {

class MessageSink : public CoinMessageHandler {
  public:
    // Called with one line (no line feed) and its message type.
    using LineFn = std::function<void(std::string_view line, int type)>;

    explicit MessageSink(LineFn fn);
    MessageSink(const MessageSink& other);
    MessageSink& operator=(const MessageSink&) = delete;

    CoinMessageHandler* clone() const override;
    int print() override;

  private:
    LineFn fn_;
};

}  // namespace qtb::opt
