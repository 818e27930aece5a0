#pragma once

#include <memory>

#include <QImage>
#include <QString>

class TImageList;

// The check image pictures of the tree-grid, drawn in code. Every check list has 25 images of
// 16 x 16 pixels: 0 none; 1-8 radio buttons; 9-20 check boxes; 21-24 push buttons. Within a
// group of four: normal, hot, pressed, disabled; radio 1-4 unchecked, 5-8 checked; check boxes
// 9-12 unchecked, 13-16 checked, 17-20 mixed.

// The picture strip of a named image ("TG_CHECK_LIGHT", "TG_CHECK_DARK", "TG_TICK_LIGHT",
// "TG_TICK_DARK", "TG_FLAT", "TG_XP", "TG_UTILITIES"), or a null image for any other name.
// The pixel at (0, 0) is the mask colour.
QImage TreeGridResourceImage(const QString &name);

// Loads a named strip into the list: square images of the strip's height, masked by the colour
// of its top-left pixel. With colour remapping, white, silver and grey become the window, button
// face and button shadow colours. A missing strip is the error
// "Internal image "<name>" is missing or corrupt.".
void ConvertImageList(TImageList &imageList, const QString &imageName, bool colorRemapping);

// The check images drawn by the platform style (normal or flat) followed by the light (or flat)
// push buttons.
void CreateSystemImageSet(std::unique_ptr<TImageList> &imageList, bool flat);
void AddSystemImage(TImageList &imageList, int index, bool flat);
void AddNodeImages(TImageList &imageList, bool flat);

// The platform's menu check size; the system images are 3 pixels larger.
int MenuCheckSize();
