#pragma once

#include <cstdint>

#include <QImage>
#include <QPoint>
#include <QRect>

#include "Color.h"

class TCanvas;

// Alpha blending of 32-bit pictures whose pixels are the bytes blue, green, red, alpha.
// Every channel, alpha included, follows the same formula with a 16-bit intermediate, an
// unsigned shift by 8 and a bias added with saturation, so results are exact to the byte.
enum TBlendMode {
    bmConstantAlpha,          // one alpha for every pixel
    bmPerPixelAlpha,          // each source pixel's alpha byte
    bmMasterAlpha,            // source alpha scaled by the constant alpha
    bmConstantAlphaAndColor   // a colour laid over the destination, no source
};

// The routines are portable; they count as the vector path the callers ask for.
bool HasMMX();
// Kept for callers that end a run of blends; nothing to clear here.
void EMMS();

// Constant alpha: 0 keeps the destination, 256 gives the source exactly; values beyond are
// clamped to 0..256. Bias is added to every channel afterwards (clamped to 0..255).
void AlphaBlendLineConstant(const std::uint8_t *source, std::uint8_t *destination, int count, int constantAlpha,
                            int bias);
void AlphaBlendLinePerPixel(const std::uint8_t *source, std::uint8_t *destination, int count, int bias);
void AlphaBlendLineMaster(const std::uint8_t *source, std::uint8_t *destination, int count, int constantAlpha,
                          int bias);
// Colour is $BBGGRR; its red goes into the red byte. The colour's alpha byte counts as 0.
void AlphaBlendLineMasterAndColor(std::uint8_t *destination, int count, int constantAlpha, TColor color);

// Row address in a block of Width x |Height| pixels: a positive height is a bottom-up block.
std::uint8_t *CalculateScanline(std::uint8_t *bits, int width, int height, int row);

// Blends over raw pixel blocks (heights signed as above). R is in source pixels for modes 0-2
// and in destination pixels for mode 3; Target is where R's top-left lands in the destination.
// Master alpha places its lines otherwise: row R.Top + y of the source, from column Target.X,
// goes to row Target.Y + y of the destination, from column 0.
// The rectangle is clipped to both blocks. For mode 3, Bias carries the colour.
void AlphaBlendBits(const std::uint8_t *sourceBits, int sourceWidth, int sourceHeight, std::uint8_t *destBits,
                    int destWidth, int destHeight, const QRect &R, QPoint target, TBlendMode mode,
                    int constantAlpha, int bias);

// The same on images (32 bits per pixel). An opaque destination (RGB32) keeps its alpha byte
// at 255 as Qt requires; the colour channels are blended exactly. Other formats are errors.
void AlphaBlend(const QImage *source, QImage *destination, const QRect &R, QPoint target, TBlendMode mode,
                int constantAlpha, int bias);
// On canvases: coordinates are the pictures' own pixels (the window origin does not apply).
// A canvas without an image is the error "Alpha blending DC error: no bitmap available.".
void AlphaBlend(TCanvas *source, TCanvas *destination, const QRect &R, QPoint target, TBlendMode mode,
                int constantAlpha, int bias);

// The pixels behind a canvas: bits, width and a negative height (images are top-down).
std::uint8_t *GetBitmapBitsFromDeviceContext(TCanvas *canvas, int &width, int &height);
