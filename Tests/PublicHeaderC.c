/* Uses the public header from C: it must stay valid C99. */
#include "Marlek.h"

#include <stddef.h>

static void IgnoreError(const char *function, void *card, MarlekStatus status, const char *message)
{
    (void)function;
    (void)card;
    (void)status;
    (void)message;
}

int MarlekUsedFromC(void)
{
    ConfigImage *image = NULL;
    MarlekStatus status;
    MarlekSetErrorHandler(IgnoreError);
    status = MarlekLoadFile(NULL, &image);
    MarlekSetErrorHandler(NULL);
    return status == NullParameter && image == NULL;
}
