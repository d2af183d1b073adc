/* Picture synthesis of the simulated body: renders what the body "saw" as a JPEG with
 * EXIF and maker note, or as a RAW-like file. Private between the two SDK libraries. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(EDSDK_BUILD)
#define EDSIMAGEAPI __attribute__((visibility("default")))
#else
#define EDSIMAGEAPI
#endif

typedef struct {
    uint32_t width;
    uint32_t height;
    uint32_t frameNumber;           /* tints the picture so frames differ */
    const char* const* lines;       /* text drawn onto the picture */
    uint32_t lineCount;

    const char* make;
    const char* model;
    const char* dateTime;           /* "YYYY:MM:DD HH:MM:SS" */
    uint32_t orientation;           /* EXIF orientation, 1 = normal */
    uint32_t exposureNum, exposureDen;
    uint32_t fNumberNum, fNumberDen;
    uint32_t iso;
    uint32_t exposureProgram;       /* EXIF codes: 1 manual, 2 normal, 3 Av, 4 Tv */
    uint32_t whiteBalance;          /* EXIF codes: 0 auto, 1 manual */
    int32_t biasNum, biasDen;
    uint32_t meteringMode;          /* EXIF codes */
    const char* ownerName;          /* maker note */
    const char* serialNumber;
    uint32_t firmwareVersion[3];
} EdsImageSpec;

/* 0 on success. The buffer is the caller's, freed with EdsImageFree. */
EDSIMAGEAPI int EdsImageRenderJpeg(const EdsImageSpec* spec, unsigned char** outData, size_t* outSize);
/* A RAW-like file: TIFF header with the CR mark, a JPEG preview, then sensor data. The
 * preview is rendered when none is given. */
EDSIMAGEAPI int EdsImageRenderRaw(const EdsImageSpec* spec, const unsigned char* preview, size_t previewSize,
                                  unsigned char** outData, size_t* outSize);
EDSIMAGEAPI void EdsImageFree(unsigned char* data);

#ifdef __cplusplus
}
#endif
