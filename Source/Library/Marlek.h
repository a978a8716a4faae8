/*
 * Marlek board support library: status codes, the process-wide error
 * handler and the configuration file loader.
 *
 * This is the library's only public header. It compiles as C (C99 or later)
 * and as C++; no C++ exception ever leaves a function declared here.
 */
#ifndef MARLEK_H
#define MARLEK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every library operation returns a MarlekStatus: 0 on success, otherwise one
 * of the error codes below. */
typedef int32_t MarlekStatus;

/* The status codes. This table only ever grows at its end: stored codes and
 * callers' switch statements rely on every existing value staying put. */
enum MarlekStatusCode {
    Success                 = 0x0000,
    IllegalCardHandle       = 0x8000,
    StatusOutOfRange        = 0x8001,
    NullParameter           = 0x8002,
    DeviceInUse             = 0x8003,
    CardIdNotFound          = 0x8004,
    DriverInternalError     = 0x8005,
    OutOfMemory             = 0x8006,
    FileNotFound            = 0x8007,
    FileReadError           = 0x8008,
    FileFormatNotRecognised = 0x8009,
    TimedOut                = 0x800A,
    DriverNotInstalled      = 0x800B,
    SignalIsInput           = 0x800C,
    SignalIsOutput          = 0x800D,
    InvalidImageHandle      = 0x800E,
    PartTypeMismatch        = 0x800F
};

/* A client's error callback. When a reporting operation fails it calls the
 * registered handler once with the operation's name (e.g. "MarlekLoadFile"),
 * the card handle it worked on (NULL for operations without a card), the
 * status, and that status's message text. The strings are static and stay
 * valid for the life of the process. The handler may return or end the
 * process; the library has released the failed operation's resources first. */
typedef void (*MarlekErrorHandler)(const char *function, void *card,
                                   MarlekStatus status, const char *message);

/* Value of ConfigImage.magic for every record made by the loader. */
#define MARLEK_IMAGE_MAGIC 0xDEADBEE0u

/* A loaded configuration bitstream. */
typedef struct ConfigImage {
    uint32_t magic;    /* MARLEK_IMAGE_MAGIC */
    uint8_t *data;     /* length bytes of configuration data, then zero bytes
                          up to the end of a buffer of
                          ((length + 2047) / 1024) * 1024 bytes */
    uint32_t length;   /* number of configuration bytes ('e' field length) */
    int32_t partType;  /* code of the matched part: 1 for "7a35t" */
} ConfigImage;

/*
 * MarlekSetErrorHandler - register the process-wide error handler.
 *
 * Replaces any handler registered before; NULL turns reporting off.
 * The slot is a plain global: register before loading, from one thread.
 * Returns Success, always, and never reports.
 */
MarlekStatus MarlekSetErrorHandler(MarlekErrorHandler handler);

/*
 * MarlekLoadFile - load a tagged .bit configuration file.
 *
 * Scans fileName for its part name ('b') and configuration data ('e'),
 * checks the part name against the supported parts and, on Success, stores
 * a handle to a new ConfigImage in *out. On any other status *out is left
 * untouched, everything the call acquired has been released, and the
 * registered handler has been called once.
 *
 * Returns Success, NullParameter, FileNotFound, FileReadError, OutOfMemory,
 * FileFormatNotRecognised or PartTypeMismatch.
 *
 * Ownership: the caller owns the record and its data buffer. Both come from
 * malloc(); release them with free(image->data) and then free(image).
 */
MarlekStatus MarlekLoadFile(const char *fileName, ConfigImage **out);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* MARLEK_H */
