#pragma once

#include "platform/texthelpers.h"

#include <QString>

#include <optional>

struct CameraPropertyInfo;
struct TMadeImage;

// The camera value a script may read and write under this name (case ignored); nullptr for
// every other name, also for the names of values the panel shows but scripts must not reach.
const CameraPropertyInfo *scriptCameraProperty(const QString &name);

// The picture `index`/`offset` of the run as Bild addresses it: index 0 is the latest, any
// other index a position from the first; nullptr when there is none.
const TMadeImage *scriptPicture(int index, int offset);

// One property of a picture by the script's name for it (case ignored); empty for an
// unknown name.
QString pictureProperty(const TMadeImage &image, const QString &name);

// What Bild(index, offset, name) gives: the property, or "KEIN BILD VORHANDEN" when there is
// no such picture.
QString scriptPictureValue(int index, int offset, const QString &name);
