#include "camera/camerasettings.h"
#include "camera/madeimages.h"

#include <gtest/gtest.h>

namespace {

using P = CameraProperty;

TEST(CameraSettings, EachPropertyHasItsOwnField)
{
    TCamerasettings s;
    quint32 code = 100;
    for (const CameraPropertyInfo &info : cameraProperties())
        settingOf(s, info.property).ID = code++;

    const quint32 inFieldOrder[] = {s.AEMode.ID, s.Av.ID,      s.Tv.ID,      s.ISO.ID,      s.WB.ID,
                                    s.AFMode.ID, s.Quality.ID, s.ExpComp.ID, s.Metering.ID, s.DriveMode.ID};
    for (quint32 i = 0; i < 10; ++i)
        EXPECT_EQ(inFieldOrder[i], 100 + i) << "property " << i;
    EXPECT_EQ(s.FlashComp.ID, 0u);
}

class MadeImagesTest : public ::testing::Test
{
protected:
    void SetUp() override { MadeImages().clear(); }
    void TearDown() override { MadeImages().clear(); }
};

TEST_F(MadeImagesTest, AppendNumbersPicturesAndMarksGroupsOfThree)
{
    TMadeImage proto;
    proto.Index = 42;      // overwritten by the position
    proto.GroupStart = 42; // likewise
    const TMadeImage &first = MadeImages().append(proto);
    for (int i = 1; i < 8; ++i) {
        proto.FileName = QString("IMG_%1.JPG").arg(i);
        MadeImages().append(proto);
    }

    ASSERT_EQ(ImageCount(), 8);
    const int groupStarts[] = {0, 0, 0, 3, 0, 0, 6, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(MadeImages().find(i)->Index, i);
        EXPECT_EQ(MadeImages().find(i)->GroupStart, groupStarts[i]) << i;
    }
    EXPECT_EQ(&first, MadeImages().find(0));
    EXPECT_EQ(MadeImages().find(7)->FileName, "IMG_7.JPG");
    EXPECT_EQ(MadeImages().find(-1), nullptr);
    EXPECT_EQ(MadeImages().find(8), nullptr);
}

} // namespace
