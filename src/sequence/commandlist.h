#pragma once

#include "camera/camerasettings.h"

#include <QList>

// The image sequence: one camera-settings record per shot, run in order.
using SequenceSteps = QList<TCamerasettings>;

// The one command list of the program; empty at start.
SequenceSteps &CommandList();
