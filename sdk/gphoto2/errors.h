// libgphoto2's result codes as the SDK's errors.
#pragma once

#include "edsdk.h"

#include <string>

namespace gpbridge {

EdsError edsError(int gpResult);

// Errors after which the body is gone: every later call on it answers disconnected.
bool isDisconnect(EdsError error);

// What the user reads when another program (the desktop's gvfs) holds the camera.
std::string claimedCameraMessage(const std::string& model, const std::string& port);

} // namespace gpbridge

// Beyond the SDK's calls: why the last camera list left a body out, empty when it left none
// out. The program looks it up by name and adds it to its no-camera message.
extern "C" EDSAPI const char* EdsGetCameraListProblem(void);
