// The exported C entry points: each notes the call in the call log and hands it to
// the simulator.
#include "simulator.h"

#include "edsdk.h"
#include "edsdk_sim.h"

#include <cstring>
#include <string>

using edsim::Simulator;

namespace {

Simulator& sim()
{
    return Simulator::instance();
}

void note(const std::string& line)
{
    sim().log(line);
}

std::string num(uint64_t v)
{
    return std::to_string(v);
}

} // namespace

extern "C" {

EdsError EdsInitializeSDK(void)
{
    note("EdsInitializeSDK");
    return sim().initialize();
}

EdsError EdsTerminateSDK(void)
{
    note("EdsTerminateSDK");
    return sim().terminate();
}

EdsUInt32 EdsRetain(EdsBaseRef inRef)
{
    note("EdsRetain");
    return sim().retain(inRef);
}

EdsUInt32 EdsRelease(EdsBaseRef inRef)
{
    return sim().release(inRef); // notes the kind of object itself
}

EdsError EdsGetCameraList(EdsCameraListRef* outCameraListRef)
{
    note("EdsGetCameraList");
    return sim().cameraList(outCameraListRef);
}

EdsError EdsGetChildCount(EdsBaseRef inRef, EdsUInt32* outCount)
{
    note("EdsGetChildCount");
    return sim().childCount(inRef, outCount);
}

EdsError EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef* outRef)
{
    note("EdsGetChildAtIndex " + std::to_string(inIndex));
    return sim().childAt(inRef, inIndex, outRef);
}

EdsError EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo* outDeviceInfo)
{
    note("EdsGetDeviceInfo");
    return sim().deviceInfo(inCameraRef, outDeviceInfo);
}

EdsError EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                    EdsPropertyEventHandler inHandler, EdsVoid* inContext)
{
    note("EdsSetPropertyEventHandler " + num(inEvent));
    return sim().setPropertyHandler(inCameraRef, inEvent, inHandler, inContext);
}

EdsError EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                  EdsObjectEventHandler inHandler, EdsVoid* inContext)
{
    note("EdsSetObjectEventHandler " + num(inEvent));
    return sim().setObjectHandler(inCameraRef, inEvent, inHandler, inContext);
}

EdsError EdsOpenSession(EdsCameraRef inCameraRef)
{
    note("EdsOpenSession");
    return sim().openSession(inCameraRef);
}

EdsError EdsCloseSession(EdsCameraRef inCameraRef)
{
    note("EdsCloseSession");
    return sim().closeSession(inCameraRef);
}

EdsError EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                            EdsDataType* outDataType, EdsUInt32* outSize)
{
    note("EdsGetPropertySize " + num(inPropertyID));
    return sim().propertySize(inRef, inPropertyID, outDataType, outSize);
}

EdsError EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                            EdsUInt32 inPropertySize, EdsVoid* outPropertyData)
{
    note("EdsGetPropertyData " + num(inPropertyID));
    return sim().propertyData(inRef, inPropertyID, inPropertySize, outPropertyData);
}

EdsError EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                            EdsUInt32 inPropertySize, const EdsVoid* inPropertyData)
{
    std::string line = "EdsSetPropertyData ";
    line += num(inPropertyID);
    if (inPropertySize == 4 && inPropertyData) {
        uint32_t value = 0;
        std::memcpy(&value, inPropertyData, 4);
        line += ' ';
        line += num(value);
    }
    note(line);
    return sim().setPropertyData(inRef, inPropertyID, inPropertySize, inPropertyData);
}

EdsError EdsGetPropertyDesc(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsPropertyDesc* outPropertyDesc)
{
    note("EdsGetPropertyDesc " + num(inPropertyID));
    return sim().propertyDesc(inRef, inPropertyID, outPropertyDesc);
}

EdsError EdsSendCommand(EdsCameraRef inCameraRef, EdsCameraCommand inCommand, EdsInt32 /*inParam*/)
{
    note("EdsSendCommand " + num(inCommand));
    return sim().sendCommand(inCameraRef, inCommand);
}

EdsError EdsSendStatusCommand(EdsCameraRef inCameraRef, EdsCameraStatusCommand inStatusCommand,
                              EdsInt32 /*inParam*/)
{
    note("EdsSendStatusCommand " + num(inStatusCommand));
    return sim().sendStatusCommand(inCameraRef, inStatusCommand);
}

EdsError EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    note("EdsSetCapacity " + std::to_string(inCapacity.numberOfFreeClusters) + " "
         + std::to_string(inCapacity.bytesPerSector) + " " + std::to_string(inCapacity.reset));
    return sim().setCapacity(inCameraRef, inCapacity);
}

EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef inDirItemRef, EdsDirectoryItemInfo* outDirItemInfo)
{
    note("EdsGetDirectoryItemInfo");
    return sim().itemInfo(inDirItemRef, outDirItemInfo);
}

EdsError EdsCreateFileStream(const EdsChar* inFileName, EdsFileCreateDisposition inCreateDisposition,
                             EdsAccess inDesiredAccess, EdsStreamRef* outStream)
{
    note("EdsCreateFileStream " + num(static_cast<uint32_t>(inCreateDisposition)) + " "
         + num(static_cast<uint32_t>(inDesiredAccess)));
    return sim().createFileStream(inFileName, inCreateDisposition, inDesiredAccess, outStream);
}

EdsError EdsSetProgressCallback(EdsBaseRef inRef, EdsProgressCallback inProgressFunc,
                                EdsProgressOption inProgressOption, EdsVoid* inContext)
{
    note("EdsSetProgressCallback " + num(static_cast<uint32_t>(inProgressOption)));
    return sim().setProgressCallback(inRef, inProgressFunc, inProgressOption, inContext);
}

EdsError EdsDownload(EdsDirectoryItemRef inDirItemRef, EdsUInt64 inReadSize, EdsStreamRef outStream)
{
    note("EdsDownload " + num(inReadSize));
    return sim().download(inDirItemRef, inReadSize, outStream);
}

EdsError EdsDownloadComplete(EdsDirectoryItemRef inDirItemRef)
{
    note("EdsDownloadComplete");
    return sim().downloadComplete(inDirItemRef);
}

// ---- Test controls (not logged: they are the body's side, not the program's) --------

EdsError EdsSimConfigure(const EdsChar* inKeyValues)
{
    return sim().configure(inKeyValues);
}

EdsError EdsSimReset(void)
{
    return sim().configure(nullptr);
}

EdsError EdsSimSetModeDial(EdsUInt32 inAEMode)
{
    return sim().setModeDial(inAEMode);
}

EdsError EdsSimTurnValue(EdsPropertyID inPropertyID, EdsUInt32 inValue)
{
    return sim().turnValue(inPropertyID, inValue);
}

EdsError EdsSimSetBulbTime(EdsUInt32 inMilliseconds)
{
    return sim().setBulbTime(inMilliseconds);
}

EdsError EdsSimDisconnect(void)
{
    return sim().disconnect();
}

EdsError EdsSimReconnect(void)
{
    return sim().reconnect();
}

EdsError EdsSimWaitQuiet(EdsUInt32 inTimeoutMs)
{
    return sim().waitQuiet(inTimeoutMs);
}

EdsError EdsSimCallLog(EdsChar* outBuffer, EdsUInt32 inSize, EdsUInt32* outLength)
{
    if (!outLength || (!outBuffer && inSize > 0))
        return EDS_ERR_INVALID_POINTER;
    const std::string text = sim().callLog();
    *outLength = static_cast<EdsUInt32>(text.size());
    if (inSize > 0) {
        const size_t n = std::min<size_t>(text.size(), inSize - 1);
        std::memcpy(outBuffer, text.data(), n);
        outBuffer[n] = '\0';
    }
    return EDS_ERR_OK;
}

EdsError EdsSimClearCallLog(void)
{
    sim().clearCallLog();
    return EDS_ERR_OK;
}

} // extern "C"
