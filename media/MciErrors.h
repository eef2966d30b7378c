// Error codes of the command-string service (the values Windows programs
// know them by) and their texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace kobre::mci {

constexpr uint32_t kErrBase = 256;
constexpr uint32_t kErrInvalidDeviceId = kErrBase + 1;
constexpr uint32_t kErrUnrecognizedKeyword = kErrBase + 3;
constexpr uint32_t kErrUnrecognizedCommand = kErrBase + 5;
constexpr uint32_t kErrHardware = kErrBase + 6;
constexpr uint32_t kErrInvalidDeviceName = kErrBase + 7;
constexpr uint32_t kErrOutOfMemory = kErrBase + 8;
constexpr uint32_t kErrDeviceOpen = kErrBase + 9;
constexpr uint32_t kErrCannotLoadDriver = kErrBase + 10;
constexpr uint32_t kErrMissingCommandString = kErrBase + 11;
constexpr uint32_t kErrBadInteger = kErrBase + 14;
constexpr uint32_t kErrMissingParameter = kErrBase + 17;
constexpr uint32_t kErrUnsupportedFunction = kErrBase + 18;
constexpr uint32_t kErrFileNotFound = kErrBase + 19;
constexpr uint32_t kErrDeviceNotReady = kErrBase + 20;
constexpr uint32_t kErrInternal = kErrBase + 21;
constexpr uint32_t kErrExtensionNotFound = kErrBase + 25;
constexpr uint32_t kErrOutOfRange = kErrBase + 26;
constexpr uint32_t kErrDeviceTypeRequired = kErrBase + 31;
constexpr uint32_t kErrNoClosingQuote = kErrBase + 38;
constexpr uint32_t kErrInvalidFile = kErrBase + 40;
constexpr uint32_t kErrNoWindow = kErrBase + 90;
constexpr uint32_t kErrFileRead = kErrBase + 92;
constexpr uint32_t kErrSeqNoMidiPresent = kErrBase + 87;

// The text for code; a generic text for a code outside the table.
std::string_view errorText(uint32_t code);

}  // namespace kobre::mci
