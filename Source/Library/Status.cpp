// Status messages, the error handler slot and the reporting step.
#include "MarlekInternal.h"

namespace marlek {

const std::array<const char*, 17> StatusMessages = {
    "Success (no error)",
    "Attempt to use illegal card handle",
    "Status code is out of range",
    "NULL was used illegally as one of the parameter values",
    "The requested device is being used by another application",
    "The requested card ID does not correspond to any devices in the system",
    "An unspecified internal error occurred while communicating with the driver",
    "Not enough memory to complete the requested operation",
    "File not found",
    "Error while reading file",
    "File format is not recognised",
    "Operation timed out",
    "The device driver has not been installed correctly",
    "One of the requested signals is an input and cannot be set",
    "One of the requested signals is an output and cannot be waited for",
    "The image handle does not point to valid configuration data",
    "The configuration part type does not match the FPGA fitted to this board",
};

namespace {
// The process-wide handler slot; empty until a client registers.
MarlekErrorHandler handlerSlot = nullptr;
} // namespace

const char* StatusMessage(MarlekStatus status) noexcept
{
    // Error statuses start at 0x8000, a reserved range at 0x4000; each range
    // maps onto the table right after the Success entry.
    std::int64_t entry = status;
    if (status >= 0x8000) {
        entry = std::int64_t{status} - 0x7FFF;
    } else if (status >= 0x4000) {
        entry = std::int64_t{status} - 0x3FFF;
    }
    if (entry < 0 || entry >= static_cast<std::int64_t>(StatusMessages.size())) {
        return UnknownStatusMessage;
    }
    return StatusMessages[static_cast<std::size_t>(entry)];
}

MarlekStatus Report(const char* function, void* card, MarlekStatus status) noexcept
{
    if (status == Success || handlerSlot == nullptr) {
        return status;
    }
    handlerSlot(function, card, status, StatusMessage(status));
    return status;
}

} // namespace marlek

extern "C" MarlekStatus MarlekSetErrorHandler(MarlekErrorHandler handler)
{
    marlek::handlerSlot = handler;
    return Success;
}
