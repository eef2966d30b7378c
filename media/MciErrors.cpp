#include "media/MciErrors.h"

namespace kobre::mci {

namespace {

struct Entry {
  uint32_t code;
  std::string_view text;
};

constexpr Entry kTexts[] = {
    {kErrInvalidDeviceId, "Invalid MCI device ID. Use the ID returned when opening the device."},
    {kErrUnrecognizedKeyword, "The driver cannot recognize the specified command parameter."},
    {kErrUnrecognizedCommand, "The driver cannot recognize the specified command."},
    {kErrHardware, "There is a problem with your media device. Make sure it is working correctly."},
    {kErrInvalidDeviceName, "The specified device is not open or is not recognized by MCI."},
    {kErrOutOfMemory, "Not enough memory available for this task."},
    {kErrDeviceOpen, "The device name is already being used as an alias by this application."},
    {kErrCannotLoadDriver, "The specified device driver could not be loaded."},
    {kErrMissingCommandString, "No command was specified."},
    {kErrBadInteger, "An integer in the command was invalid or missing."},
    {kErrMissingParameter, "The specified command requires a parameter. Please supply one."},
    {kErrUnsupportedFunction,
     "The MCI device you are using does not support the specified command."},
    {kErrFileNotFound,
     "Cannot find the specified file. Make sure the path and filename are correct."},
    {kErrDeviceNotReady, "The device driver is not ready."},
    {kErrInternal, "A problem occurred in initializing MCI."},
    {kErrExtensionNotFound, "The specified extension has no device type associated with it."},
    {kErrOutOfRange, "The specified parameter is out of range for the specified command."},
    {kErrDeviceTypeRequired, "The specified device cannot be found. Check the device type."},
    {kErrNoClosingQuote, "A closing double-quotation mark is missing."},
    {kErrInvalidFile,
     "The specified file cannot be played on the specified MCI device. The file may be corrupt, or "
     "not in the correct format."},
    {kErrNoWindow, "There is no display window."},
    {kErrFileRead, "A problem occurred in reading the specified file."},
    {kErrSeqNoMidiPresent, "There are no MIDI devices installed on the system."},
};

}  // namespace

std::string_view errorText(uint32_t code) {
  for (const Entry& e : kTexts)
    if (e.code == code) return e.text;
  return "Unknown MCI error.";
}

}  // namespace kobre::mci
