#include "sim/channel.h"

namespace sim {

void Channel::Receive(const QByteArray& bytes)
{
    if (parser_.pending() > 0 && lastBytes_.isValid() && lastBytes_.elapsed() > kAbandonMs)
        parser_.Reset();
    lastBytes_.start();
    parser_.Feed(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()),
                 [this](const ParsedFrame& frame) {
                     if (handler_)
                         handler_(*this, frame);
                 });
}

}  // namespace sim
