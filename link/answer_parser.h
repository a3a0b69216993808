// The answer to one request, taken in as its bytes arrive, in whatever pieces they come: a push
// parser that never waits and never reads beyond what it is given. It checks the header, drops
// a whole correct frame that answers another request (a late answer to an earlier one), checks
// the announced length before a byte of data is stored, and checks the data's CRC.
//
// The bytes go to the caller's receive buffer as the exchange has always laid them out: header
// at 0 to 7, data from 8. A dropped frame's data is not stored. Bytes given after the answer is
// complete are not taken; they belong to no request.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frame_codec.h"

enum class AnswerState : uint8_t {
    Header,  // waiting for the 8 header bytes
    Stale,   // dropping the data of a frame that answers another request
    Data,    // waiting for the data the header announced
    Done,    // a complete, correct answer is in the buffer
    Failed,  // see AnswerFault; nothing more is taken
};

enum class AnswerFault : uint8_t {
    None,
    HeaderIncorrect,  // wrong sync byte or header CRC
    Oversized,        // a correct header announcing more than fits behind it (2040 bytes)
    DataIncorrect,    // the data's CRC differs from the header's
    InvalidOrder,     // status response 1: the sensor does not know the order
    ReduceBaud,       // status response 2: the sensor saw a garbled request
};

struct AnswerParser {
    AnswerState state = AnswerState::Header;
    AnswerFault fault = AnswerFault::None;
    int32_t have = 0;        // bytes of the current part (header or data) taken so far
    uint16_t staleLeft = 0;  // data bytes of a dropped frame still to come
    // The last header that passed its check and answers the request; valid when `accepted`.
    bool accepted = false;
    FrameHeader header;
};

// Starts a new answer for `request` (the 8 header bytes of the request as sent).
void StartAnswer(AnswerParser& p);

// Takes bytes of the answer into rx (kFrameBufferSize bytes) and returns how many it took: all
// of them unless the answer completed or failed on the way. request: the request's header.
size_t PushAnswer(AnswerParser& p, uint8_t* rx, const uint8_t* request, const uint8_t* data, size_t size);

// How many bytes the parser can take before its state may change: what is left of the header,
// of the dropped frame's data, or of the data; 0 when it is done or failed.
int32_t AnswerNeeds(const AnswerParser& p);

// True while the header has not been accepted: the header's time limit applies.
inline bool AwaitingHeader(const AnswerParser& p)
{
    return p.state == AnswerState::Header || p.state == AnswerState::Stale;
}
