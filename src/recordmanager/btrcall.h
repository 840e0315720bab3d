#pragma once

#include <cstdint>

// The record manager's single entry point, with the classic shape that other
// programs link against.
//
// operation      operation code (record_manager_codes.h)
// positionBlock  128 bytes of the caller's memory, kept between calls; every
//                cursor fact is recovered from these bytes, so a byte copy of
//                the block is a cursor of its own
// dataBuffer     record image, or the 160-byte creation buffer of a create
// dataLength     in: the buffer's length; out: the length used or returned
// keyBuffer      a key, or for open and create a Windows path ended by a
//                blank or a NUL
// keyLength      the key buffer's length (create: the path's length)
// keyNumber      the key used, or the open mode, or the create mode
//
// The result is a status; 0 is success. The call never throws and never
// crashes on bad input: null buffers, short lengths, foreign or damaged
// files and blocks never opened each give a status.
extern "C" int16_t BTRCALL(uint16_t operation, void* positionBlock, void* dataBuffer,
                           int32_t* dataLength, void* keyBuffer, int16_t keyLength,
                           int16_t keyNumber);
