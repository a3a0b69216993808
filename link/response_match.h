// Whether a response can be the answer to the request that is out. The sensor answers every
// request with its own order number (or a status response), and the blocks it returns have
// fixed sizes. An answer that arrives after its exchange gave up is a complete, correct frame
// for an earlier request: the order and the length are what tell it apart.
#pragma once

#include <cstdint>

// request: the 8 header bytes of the request as sent. True for a status response (order 0),
// and for a response of the request's order whose length fits: exactly the parameter set
// (34) or the teach rows (512) for the block reads, at most 40 for live data and at most 8 for
// the scan counts (a shorter answer leaves zeros). Orders whose data the program does not use
// fit with any length.
bool ResponseMatchesRequest(const uint8_t* request, uint8_t order, uint16_t length);

// The data length of the answer the request normally gets: the parameter set or the teach rows
// for the block reads, the live data, the scan counts; 0 where it is not known beforehand. A
// wait uses it to take a whole answer at once; the answer itself may still be shorter.
uint16_t ExpectedAnswerLength(const uint8_t* request);
