/* Prints the bitstream compiled in by tovix_add_bitstream(): its length, its
 * first words and its last word. Given the .bit file, it also loads it through
 * the Marlek library and tells whether the compiled-in copy matches it. */
#include "design.h"

#include <Marlek.h>

#include <stdio.h>
#include <stdlib.h>

/* Word k of the data as Tovix writes it: bytes 4k to 4k + 3, little-endian. */
static uint32_t DataWord(const uint8_t *data, uint32_t k)
{
    const uint8_t *b = data + 4u * k;
    return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}

static int Matches(const char *bitfile)
{
    ConfigImage *image = NULL;
    uint32_t k;
    int same;
    if (MarlekLoadFile(bitfile, &image) != Success) {
        printf("%s cannot be loaded\n", bitfile);
        return 0;
    }
    same = image->length == designLength;
    for (k = 0; same && k < designLength / 4u; ++k) {
        same = DataWord(image->data, k) == designImage[k];
    }
    printf("%s %s the compiled-in copy\n", bitfile, same ? "matches" : "differs from");
    free(image->data);
    free(image);
    return same;
}

int main(int argc, char *argv[])
{
    const uint32_t words = designLength / 4u;
    uint32_t k;

    printf("designLength = %lu bytes\n", (unsigned long)designLength);
    printf("first words:");
    for (k = 0; k < words && k < 4u; ++k) {
        printf(" 0x%08lx", (unsigned long)designImage[k]);
    }
    printf("\n");
    if (words > 0) {
        printf("last word: 0x%08lx\n", (unsigned long)designImage[words - 1u]);
    }
    if (argc > 1 && !Matches(argv[1])) {
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
