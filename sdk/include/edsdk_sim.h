/* Test controls of the simulated camera body. They act "at the body", as a person
 * holding the camera would, and are not part of the camera SDK itself. */
#pragma once

#include "edsdk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Rebuilds the body from its configuration (INI file beside the library, then the
 * TESSARO_SIM environment variable) with the given "key=value;key=value" text on top.
 * NULL or "" applies the configuration alone. Only while the SDK is not initialised;
 * EDS_ERR_INVALID_FN_CALL otherwise, EDS_ERR_INVALID_PARAMETER for an unknown key or
 * a bad value. */
EDSAPI EdsError EdsSimConfigure(const EdsChar* inKeyValues);

/* EdsSimConfigure(NULL). */
EDSAPI EdsError EdsSimReset(void);

/* Turns the mode dial. Announces the AE mode and every value and allowed-values list
 * that depends on it. */
EDSAPI EdsError EdsSimSetModeDial(EdsUInt32 inAEMode);

/* Turns one value at the body (a dial, a button, the battery draining). The value must
 * be one the body allows in its current mode; announced by a value-changed event. */
EDSAPI EdsError EdsSimTurnValue(EdsPropertyID inPropertyID, EdsUInt32 inValue);

/* Exposure time of a bulb picture, in milliseconds. */
EDSAPI EdsError EdsSimSetBulbTime(EdsUInt32 inMilliseconds);

/* Pulls the cable: every later call on the camera or its items returns
 * EDS_ERR_COMM_DISCONNECTED, and new camera lists are empty. */
EDSAPI EdsError EdsSimDisconnect(void);

/* Plugs the cable back in after EdsSimDisconnect, as a new device: the camera reference
 * the program held stays dead (EDS_ERR_COMM_DISCONNECTED), new camera lists offer the body
 * again and a new session must be opened. Nothing when the cable is in. */
EDSAPI EdsError EdsSimReconnect(void);

/* Waits until the body has nothing left to announce or deliver (its threads idle), at most
 * inTimeoutMs milliseconds; EDS_ERR_DEVICE_BUSY when it was still busy then. */
EDSAPI EdsError EdsSimWaitQuiet(EdsUInt32 inTimeoutMs);

/* The calls the program made since the last clear, one line each ("EdsOpenSession",
 * "EdsSetPropertyData 11 2", ...). Copies at most inSize-1 bytes and a terminating
 * zero; *outLength receives the full length without the zero. */
EDSAPI EdsError EdsSimCallLog(EdsChar* outBuffer, EdsUInt32 inSize, EdsUInt32* outLength);
EDSAPI EdsError EdsSimClearCallLog(void);

#ifdef __cplusplus
}
#endif
