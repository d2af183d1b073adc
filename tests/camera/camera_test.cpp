#include "camera/appmaster.h"
#include "camera/camera.h"
#include "diagnostics/debuglog.h"

#include "messagerecorder.h"

#include <QCoreApplication>

#include <cstring>

#include <gtest/gtest.h>

namespace {

EdsDeviceInfo deviceInfo(const char *model, EdsUInt32 subType)
{
    EdsDeviceInfo info{};
    std::strncpy(info.szDeviceDescription, model, EDS_MAX_NAME - 1);
    info.deviceSubType = subType;
    return info;
}

class DebugLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearDebugLines();
        setDebugEnabled(true);
    }
    void TearDown() override
    {
        setDebugEnabled(false);
        clearDebugLines();
    }
};

using CameraCacheTest = DebugLogTest;

TEST_F(CameraCacheTest, ValueSlots)
{
    TCamera camera(deviceInfo("Canon EOS 40D", 0));
    EXPECT_EQ(camera.GetModelName(), QStringLiteral("Canon EOS 40D"));

    camera.SetPropertyUInt32(1030, 4294967295u);
    camera.SetPropertyInt32(1031, -3);
    camera.SetPropertyUInt32(34, 1234);
    camera.SetPropertyUInt32(2, 99); // no slot: ignored
    camera.SetPropertyString(2, QStringLiteral("EOS 40D"));
    camera.SetPropertyString(4, QStringLiteral("owner")); // only logged

    const struct
    {
        EdsPropertyID property;
        EdsUInt32 value;
    } expected[] = {
        {1030, 0xFFFFFFFFu}, {1031, EdsUInt32(-3)}, {34, 1234}, {1024, 0}, {9, 0},
        {1033, 0xFFFFFFFFu}, {2, 0xFFFFFFFFu},     {8, 0},
    };
    for (const auto &e : expected)
        EXPECT_EQ(camera.GetPropertyUInt32(e.property), e.value) << e.property;
    EXPECT_EQ(camera.ProductName(), QStringLiteral("EOS 40D"));

    const Rational focal = camera.GetPropertyRational(1033);
    EXPECT_EQ(focal.Numerator, 0);
    EXPECT_EQ(focal.Denominator, 0);
}

TEST_F(CameraCacheTest, DescriptionSlots)
{
    TCamera camera(deviceInfo("x", 1));
    EdsPropertyDesc desc{};
    desc.form = 1;
    desc.access = 2;
    desc.numElements = 3;
    desc.propDesc[0] = 8;
    desc.propDesc[2] = -5;
    camera.SetPropertyDesc(1032, desc);
    camera.SetPropertyDesc(1033, desc); // no slot

    const EdsPropertyDesc back = camera.GetPropertyDesc(1032);
    EXPECT_EQ(back.form, 1);
    EXPECT_EQ(back.access, 2);
    EXPECT_EQ(back.numElements, 3);
    EXPECT_EQ(back.propDesc[2], -5);
    const EdsPropertyDesc none = camera.GetPropertyDesc(1033);
    EXPECT_EQ(none.form + none.access + none.numElements, 0);

    // A count beyond the array would send readers past its end.
    desc.numElements = 500;
    camera.SetPropertyDesc(1029, desc);
    EXPECT_EQ(camera.GetPropertyDesc(1029).numElements, EDS_MAX_DESC_VALUES);
}

TEST_F(CameraCacheTest, LogLines)
{
    TCamera camera(deviceInfo("x", 1));
    camera.SetPropertyUInt32(1030, 4294967295u);
    camera.SetPropertyInt32(1031, -3);
    camera.SetPropertyString(2, QStringLiteral("EOS"));
    camera.GetPropertyUInt32(1033);
    camera.GetPropertyRational(1033);
    camera.SetPropertyDesc(1024, EdsPropertyDesc{2, 2, 4, {}});
    camera.GetPropertyDesc(1024);
    EXPECT_EQ(takeDebugLines(),
              QStringList({"SetPropertyUInt32", "ID        =1030", "ID        =kEdsPropID_Tv",
                           "Value     =4294967295", "",
                           "setPropertyInt32", "ID        =1031",
                           "ID        =kEdsPropID_ExposureCompensation", "Value     =-3", "",
                           "setPropertyString", "ID        =2", "ID        =kEdsPropID_ProductName",
                           "String    =EOS", "",
                           "getPropertyUInt32", "ID        =1033",
                           "ID        =kEdsPropID_FocalLength", "Value     =4294967295", "",
                           "setPropertyRational", "ID         =1033",
                           "ID         =kEdsPropID_FocalLength", "Numerator  =0", "Denominator=0", "",
                           "setPropertyRational", "ID         =1024", "ID         =kEdsPropID_AEMode",
                           "",
                           "getPropertyDesc", "ID            =1024", "ID            =kEdsPropID_AEMode",
                           "Desc Form     =2(0=R ; 1=W;2=RW)", "Desc Elements =4"}));
}

using HandlerTest = DebugLogTest;

TEST_F(HandlerTest, PropertyEventsPostOnlyForTrackedProperties)
{
    MessageRecorder window;
    const struct
    {
        EdsPropertyEvent event;
        EdsPropertyID property;
        int posted; // 0: nothing
    } cases[] = {
        {257, 2, 0},       {258, 2, WM_UNKNOWNEVENT}, {257, 8, WM_PROPERTYEVENT},
        {258, 8, WM_UNKNOWNEVENT}, {257, 9, WM_PROPERTYEVENT}, {257, 1033, WM_PROPERTYEVENT},
        {258, 1033, WM_PROPERTYEVENT}, {257, 1034, 0}, {258, 1034, WM_UNKNOWNEVENT},
        {258, 256, WM_PROPERTYEVENT}, {257, 262, WM_PROPERTYEVENT}, {259, 1024, 0},
    };
    QList<MessageRecorder::Message> expected;
    for (const auto &c : cases) {
        EXPECT_EQ(TAppMaster::handlePropertyEvent(c.event, c.property, 0, &window), EDS_ERR_OK);
        if (c.posted)
            expected.append({c.posted, c.event, c.property});
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window.messages, expected);
}

TEST_F(HandlerTest, PropertyEventLog)
{
    MessageRecorder window;
    TAppMaster::handlePropertyEvent(258, 1029, 7, &window);
    EXPECT_EQ(takeDebugLines(),
              QStringList({"handlePropertyEvent", "invent=258", "inPropertyID=1029",
                           "inPropertyIDName=kEdsPropID_Av", "inParam=7",
                           "inContext=" + QString::number(quintptr(&window)),
                           "invent = Propertychanged      =False",
                           "invent = PropertyDescchanged  =True", ""}));
}

TEST_F(HandlerTest, ObjectAndProgressEventsAreForwarded)
{
    MessageRecorder window;
    int item = 0;
    TAppMaster::HandleObjectEvent(520, reinterpret_cast<EdsBaseRef>(&item), &window);
    EdsBool cancel = 0;
    TAppMaster::HandleProgress(40, &window, &cancel);
    EXPECT_EQ(cancel, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.messages,
              QList<MessageRecorder::Message>({{WM_OBJECTEVENT, 520, quintptr(&item)},
                                               {WM_PROGRESSEVENT, 40, 0}}));
}

} // namespace
