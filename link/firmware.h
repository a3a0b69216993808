// Reading the sensor's identification: the firmware text and which sensor edition it names.
#pragma once

#include <cstddef>
#include <string>

inline constexpr size_t kFirmwareTextSize = 72;

// The firmware text split as the program has always split it, with strtok semantics: t1 ends
// at the first ".", t2 at the next ".", t3 at the next " ", t4 is the rest. Leading delimiters
// are skipped, runs of them count as one; a missing token is empty.
struct FirmwareTokens {
    std::string t1, t2, t3, t4;
};
FirmwareTokens SplitFirmwareText(const std::string& text);

// The firmware text of an identification response: its data up to the first zero byte, at most
// 72 bytes, whatever the data holds.
std::string FirmwareTextFrom(const unsigned char* data, size_t size);

// The sensor's text is single-byte text like the program's own prompts (Windows-1252); the
// program's texts are UTF-8. Bytes the code page leaves undefined stand for themselves.
std::string Cp1252ToUtf8(const std::string& text);

// 1, 2 or 3 for the supported firmware keys "CHROMIX5 V4.", "CHROMIX5 KR V1.",
// "CHROMIX5 KRE V1." (t1 followed by ".", compared exactly), otherwise 0.
int SensorEditionOf(const FirmwareTokens& tokens);
