#include "sim/responder.h"

#include <cstdio>

namespace sim {

Reply Responder::Respond(const ParsedFrame& frame)
{
    Request request;
    request.order = frame.header.order;
    request.info = frame.header.info;
    request.payload = frame.payload;
    request.dataCrcOk = frame.dataCrcOk;
    if (keepRequests_)
        requests_.push_back(request);

    const std::optional<Fault> fault = faults_.Take(request.order);
    Response response;
    if (!frame.dataCrcOk || (fault && fault->kind == FaultKind::Status2))
        response = Response{0, kStatusLineError, {}};
    else
        response = model_.Handle(request.order, request.info, frame.payload.data(), frame.payload.size());
    if (log_)
        log_(DescribeExchange(request, response, fault));
    return Shape(response, fault);
}

std::vector<uint8_t> Responder::orders() const
{
    std::vector<uint8_t> list;
    for (const Request& r : requests_)
        list.push_back(r.order);
    return list;
}

std::string DescribeExchange(const Request& request, const Response& response,
                             const std::optional<Fault>& fault)
{
    char line[160];
    std::snprintf(line, sizeof line, "order %u info %u len %zu%s -> order %u info %u len %zu",
                  unsigned(request.order), unsigned(request.info), request.payload.size(),
                  request.dataCrcOk ? "" : " (data CRC wrong)", unsigned(response.order),
                  unsigned(response.info), response.data.size());
    std::string text = line;
    if (fault) {
        text += " [";
        text += FaultName(fault->kind);
        text += "]";
    }
    return text;
}

}  // namespace sim
