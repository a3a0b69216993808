#include "link/response_match.h"

#include "link/orders.h"
#include "link/frame_codec.h"
#include "params/records.h"

bool ResponseMatchesRequest(const uint8_t* request, uint8_t order, uint16_t length)
{
    if (order == 0)
        return true;
    if (order != request[1])
        return false;
    switch (order) {
    case kOrderRead: return length == ExpectedAnswerLength(request);
    case kOrderLiveData:
    case kOrderScanCounts: return length <= ExpectedAnswerLength(request);
    default: return true;
    }
}

uint16_t ExpectedAnswerLength(const uint8_t* request)
{
    switch (request[1]) {
    case kOrderRead:
        return GetLe16(request + 2) == kBlockTeachTable ? kSensorTeachRows * sizeof(TeachVector)
                                                         : sizeof(ParameterSet);
    case kOrderLiveData: return kLiveDataSize;
    case kOrderScanCounts: return 8;
    default: return 0;
    }
}
