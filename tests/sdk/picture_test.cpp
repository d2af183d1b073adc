// Pictures: what they carry, the order of their files, the transfer, and the faults a
// body can be told to show.
#include "simbody.h"

#include <gtest/gtest.h>
#include <exiv2/exiv2.hpp>

#include <ctime>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>

using simtest::configure;
using simtest::Connection;
using simtest::Event;

namespace {

std::string tag(const Exiv2::ExifData& exif, const char* key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string("<missing>") : it->toString();
}

// Releases as soon as the body is no longer busy with the last picture.
EdsError releaseWhenReady(Connection& c)
{
    EdsError err = EDS_ERR_DEVICE_BUSY;
    for (int i = 0; i < 3000 && err == EDS_ERR_DEVICE_BUSY; ++i) {
        err = EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0);
        if (err == EDS_ERR_DEVICE_BUSY)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return err;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string fnv1a(const std::string& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : bytes)
        hash = (hash ^ byte) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The call log's lines that start with `head`.
std::vector<std::string> logLines(const std::string& head)
{
    std::vector<std::string> lines;
    std::istringstream log(simtest::callLog());
    for (std::string line; std::getline(log, line);) {
        if (line.rfind(head, 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::string head(const std::string& path, size_t n)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    return bytes;
}

TEST(SdkPicture, ExifAndMakerNoteCarryTheBodysSettings)
{
    configure("model=Canon EOS 5D Mark II;owner=Studio Nord;serial=2087654321;firmware=2.1.3");
    Connection c;
    ASSERT_EQ(c.set(kEdsPropID_Tv, 120), EDS_ERR_OK);              // 1/250
    ASSERT_EQ(c.set(kEdsPropID_Av, 56), EDS_ERR_OK);               // f/8
    ASSERT_EQ(c.set(kEdsPropID_ISOSpeed, 88), EDS_ERR_OK);         // 400
    ASSERT_EQ(c.set(kEdsPropID_WhiteBalance, 1), EDS_ERR_OK);      // daylight
    ASSERT_EQ(c.set(kEdsPropID_ExposureCompensation, 251), EDS_ERR_OK); // -2/3
    ASSERT_EQ(c.set(kEdsPropID_MeteringMode, 1), EDS_ERR_OK);      // spot
    const std::string dir = simtest::tempDir();
    const std::time_t before = std::time(nullptr);
    const auto names = c.shoot(dir);
    ASSERT_EQ(names, std::vector<std::string>{"IMG_0001.JPG"});

    auto image = Exiv2::ImageFactory::open(dir + "/IMG_0001.JPG");
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const std::pair<const char*, const char*> expected[] = {
        {"Exif.Image.Make", "Canon"},
        {"Exif.Image.Model", "Canon EOS 5D Mark II"},
        {"Exif.Image.Orientation", "1"},
        {"Exif.Photo.ExposureTime", "1/250"},
        {"Exif.Photo.FNumber", "80/10"},
        {"Exif.Photo.ISOSpeedRatings", "400"},
        {"Exif.Photo.ExposureProgram", "1"},
        {"Exif.Photo.WhiteBalance", "1"},
        {"Exif.Photo.ExposureBiasValue", "-4/6"},
        {"Exif.Photo.MeteringMode", "3"},
        {"Exif.Canon.OwnerName", "Studio Nord"},
        {"Exif.Canon.SerialNumber", "2087654321"},
        {"Exif.Canon.FirmwareVersion", "Firmware Version 2.1.3"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(tag(exif, key), value) << key;
    // Taken now, by the body's clock.
    std::tm tm{};
    ASSERT_NE(strptime(tag(exif, "Exif.Photo.DateTimeOriginal").c_str(), "%Y:%m:%d %H:%M:%S", &tm), nullptr);
    tm.tm_isdst = -1;
    EXPECT_NEAR(static_cast<double>(std::mktime(&tm)), static_cast<double>(before), 5.0);
    EXPECT_EQ(image->pixelWidth(), 640u);
}

TEST(SdkPicture, BulbExposureLastsTheBulbTime)
{
    configure("modedial=4");
    ASSERT_EQ(EdsSimSetBulbTime(40), EDS_ERR_OK);
    Connection c;
    const std::string dir = simtest::tempDir();
    ASSERT_EQ(c.shoot(dir).size(), 1u);
    auto image = Exiv2::ImageFactory::open(dir + "/IMG_0001.JPG");
    image->readMetadata();
    EXPECT_EQ(tag(image->exifData(), "Exif.Photo.ExposureTime"), "40/1000");
}

TEST(SdkPicture, RawPlusJpegOffersTheRawFileFirstAndNumbersCountUp)
{
    configure("rawjpeg=1;prefix=TST_;firstnumber=9999");
    Connection c;
    const std::string dir = simtest::tempDir();
    EXPECT_EQ(c.shoot(dir, 2), (std::vector<std::string>{"TST_9999.CR2", "TST_9999.JPG"}));
    EXPECT_EQ(head(dir + "/TST_9999.CR2", 10), std::string("II*\0\x10\0\0\0CR", 10));
    EXPECT_EQ(head(dir + "/TST_9999.JPG", 2), "\xFF\xD8");
    EXPECT_GT(std::filesystem::file_size(dir + "/TST_9999.CR2"), std::filesystem::file_size(dir + "/TST_9999.JPG"));
    // The counter wraps as the camera's does.
    EXPECT_EQ(c.shoot(dir, 2), (std::vector<std::string>{"TST_0001.CR2", "TST_0001.JPG"}));
}

TEST(SdkPicture, CallLogNamesEachFrameWithItsSettingsAndEachOfferedFileWithItsBytes)
{
    configure("rawjpeg=1;firstnumber=41;lostpicture=2");
    Connection c;
    ASSERT_EQ(c.set(kEdsPropID_Tv, 120), EDS_ERR_OK);
    ASSERT_EQ(c.set(kEdsPropID_Av, 56), EDS_ERR_OK);
    ASSERT_EQ(c.set(kEdsPropID_ISOSpeed, 88), EDS_ERR_OK);
    ASSERT_EQ(c.set(kEdsPropID_ExposureCompensation, 251), EDS_ERR_OK);
    const std::string dir = simtest::tempDir();
    ASSERT_EQ(c.shoot(dir, 2).size(), 2u);
    ASSERT_EQ(c.set(kEdsPropID_ImageQuality, 0x0013FF0F), EDS_ERR_OK);
    ASSERT_EQ(releaseWhenReady(c), EDS_ERR_OK); // frame 2 is lost
    ASSERT_EQ(releaseWhenReady(c), EDS_ERR_OK);
    ASSERT_EQ(c.download(c.recorder().waitForItem(3), dir + "/IMG_0043.JPG"), EDS_ERR_OK);

    EXPECT_EQ(logLines("Frame "), (std::vector<std::string>{
                                      "Frame 1 file 41 ae 3 tv 120 av 56 iso 88 comp 251 quality 6553619",
                                      "Frame 2 file 42 ae 3 tv 120 av 56 iso 88 comp 251 quality 1310479",
                                      "Frame 3 file 43 ae 3 tv 120 av 56 iso 88 comp 251 quality 1310479",
                                  }));
    std::vector<std::string> offers;
    for (const char* name : {"IMG_0041.CR2", "IMG_0041.JPG", "IMG_0043.JPG"}) {
        const std::string bytes = fileBytes(dir + "/" + name);
        const char frame = name[7] == '1' ? '1' : '3';
        offers.push_back(std::string("Offer ") + frame + " " + name + " " + std::to_string(bytes.size()) + " "
                         + fnv1a(bytes));
    }
    EXPECT_EQ(logLines("Offer "), offers);
}

TEST(SdkPicture, ReleaseIsRefusedAsBusyWhileAPictureIsInProgress)
{
    // Long enough that a busy machine cannot let the picture pass unseen.
    configure("processingtime=1500");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_DEVICE_BUSY);
    const EdsUInt32 iso = 80;
    EXPECT_EQ(EdsSetPropertyData(c.camera(), kEdsPropID_ISOSpeed, 0, 4, &iso), EDS_ERR_DEVICE_BUSY);
    EdsBaseRef item = c.recorder().waitForItem(1);
    ASSERT_NE(item, nullptr);
    // Offered but not yet taken: still busy.
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_DEVICE_BUSY);
    ASSERT_EQ(c.download(item, simtest::tempDir() + "/one.jpg"), EDS_ERR_OK);
    // The body moves on from its own thread.
    EXPECT_EQ(releaseWhenReady(c), EDS_ERR_OK);
    EXPECT_NE(c.recorder().waitForItem(2), nullptr);
}

TEST(SdkPicture, SavingToTheCardOffersNothing)
{
    configure();
    Connection c;
    ASSERT_EQ(c.set(kEdsPropID_SaveTo, kEdsSaveTo_Camera), EDS_ERR_OK);
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EXPECT_FALSE(c.recorder().waitFor(
        [](const std::vector<Event>& events) {
            return std::any_of(events.begin(), events.end(),
                               [](const Event& e) { return e.event == kEdsObjectEvent_DirItemRequestTransfer; });
        },
        std::chrono::seconds(1)));
}

struct Progress {
    std::vector<EdsUInt32> percents;
    std::thread::id thread;
    bool cancelAtHalf = false;
};

EdsError onProgress(EdsUInt32 percent, EdsVoid* context, EdsBool* cancel)
{
    auto* p = static_cast<Progress*>(context);
    p->percents.push_back(percent);
    p->thread = std::this_thread::get_id();
    *cancel = p->cancelAtHalf && percent >= 50;
    return EDS_ERR_OK;
}

EdsError downloadWithProgress(Connection& c, size_t n, Progress& progress, const std::string& path)
{
    EdsBaseRef item = c.recorder().waitForItem(n);
    EdsDirectoryItemInfo info{};
    EXPECT_EQ(EdsGetDirectoryItemInfo(item, &info), EDS_ERR_OK);
    EdsStreamRef stream = nullptr;
    EXPECT_EQ(EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways, kEdsAccess_ReadWrite, &stream),
              EDS_ERR_OK);
    EXPECT_EQ(EdsSetProgressCallback(stream, onProgress, kEdsProgressOption_Periodically, &progress), EDS_ERR_OK);
    const EdsError err = EdsDownload(item, info.size, stream);
    EdsDownloadComplete(item);
    EdsRelease(stream);
    EdsRelease(item);
    return err;
}

TEST(SdkTransfer, ProgressRunsFromZeroToOneHundredInChunks)
{
    configure("picturesize=1600x1200;downloadspeed=100000000");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    Progress progress;
    ASSERT_EQ(downloadWithProgress(c, 1, progress, simtest::tempDir() + "/p.jpg"), EDS_ERR_OK);
    ASSERT_GE(progress.percents.size(), 3u);
    EXPECT_EQ(progress.percents.front(), 0u);
    EXPECT_EQ(progress.percents.back(), 100u);
    EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
    EXPECT_EQ(progress.thread, std::this_thread::get_id()) << "progress comes on the downloading thread";
}

TEST(SdkTransfer, CancelFromTheProgressCallbackStopsTheDownload)
{
    configure("picturesize=1600x1200");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    Progress progress;
    progress.cancelAtHalf = true;
    EXPECT_EQ(downloadWithProgress(c, 1, progress, simtest::tempDir() + "/p.jpg"), EDS_ERR_OPERATION_CANCELLED);
    EXPECT_LT(progress.percents.back(), 100u);
}

TEST(SdkTransfer, ReleasingAnItemWithoutDownloadingItLetsTheBodyMoveOn)
{
    configure("rawjpeg=1");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EdsBaseRef raw = c.recorder().waitForItem(1);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(EdsRelease(raw), 0u);
    std::string name;
    EXPECT_EQ(c.download(c.recorder().waitForItem(2), simtest::tempDir() + "/x", &name), EDS_ERR_OK);
    EXPECT_EQ(name, "IMG_0001.JPG");
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
}

TEST(SdkTransfer, StreamThatCannotBeCreatedFails)
{
    EdsStreamRef stream = nullptr;
    EXPECT_EQ(EdsCreateFileStream("/nonexistent-folder/x.jpg", kEdsFileCreateDisposition_CreateAlways,
                                  kEdsAccess_ReadWrite, &stream),
              EDS_ERR_FILE_OPEN_ERROR);
    EXPECT_EQ(stream, nullptr);
}

TEST(SdkFaults, BusyOnTheNthRelease)
{
    configure("busyonrelease=2");
    Connection c;
    const std::string dir = simtest::tempDir();
    ASSERT_EQ(c.shoot(dir).size(), 1u);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_DEVICE_BUSY);
}

TEST(SdkFaults, FailedDownloadOfTheNthPictureLeavesAPartialFile)
{
    configure("faildownload=1");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EdsBaseRef item = c.recorder().waitForItem(1);
    ASSERT_NE(item, nullptr);
    EdsDirectoryItemInfo info{};
    ASSERT_EQ(EdsGetDirectoryItemInfo(item, &info), EDS_ERR_OK);
    const std::string path = simtest::tempDir() + "/broken.jpg";
    EXPECT_EQ(c.download(item, path), EDS_ERR_COMM_USB_BUS_ERR);
    EXPECT_LT(std::filesystem::file_size(path), info.size);
    // The next picture comes through.
    ASSERT_EQ(releaseWhenReady(c), EDS_ERR_OK);
    EXPECT_EQ(c.download(c.recorder().waitForItem(2), path), EDS_ERR_OK);
}

TEST(SdkFaults, LostPictureIsNeverOfferedButTheBodyRecovers)
{
    configure("lostpicture=1");
    Connection c;
    ASSERT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    ASSERT_EQ(releaseWhenReady(c), EDS_ERR_OK);
    std::string name;
    EXPECT_EQ(c.download(c.recorder().waitForItem(1), simtest::tempDir() + "/x", &name), EDS_ERR_OK);
    EXPECT_EQ(name, "IMG_0002.JPG") << "the lost picture used a number";
}

TEST(SdkFaults, DisconnectAfterNPicturesAndLaterCallsSayDisconnected)
{
    configure("disconnectafter=1");
    Connection c;
    ASSERT_EQ(c.shoot(simtest::tempDir()).size(), 1u);
    EdsError err = EDS_ERR_OK;
    EdsUInt32 value = 0;
    for (int i = 0; i < 3000 && err == EDS_ERR_OK; ++i) {
        err = EdsGetPropertyData(c.camera(), kEdsPropID_Tv, 0, 4, &value);
        if (err == EDS_ERR_OK)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(err, EDS_ERR_COMM_DISCONNECTED);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_COMM_DISCONNECTED);
    EdsCameraListRef list = nullptr;
    ASSERT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 count = 1;
    EXPECT_EQ(EdsGetChildCount(list, &count), EDS_ERR_OK);
    EXPECT_EQ(count, 0u);
    EdsRelease(list);
}

} // namespace

namespace {

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(SdkPicture, GivenPictureFilesAreDeliveredUnchangedAndInTurn)
{
    const std::string source = simtest::tempDir();
    writeBytes(source + "/b.jpg", "\xFF\xD8 second \xFF\xD9");
    writeBytes(source + "/a.JPG", "\xFF\xD8 first \xFF\xD9");
    writeBytes(source + "/notes.txt", "not a picture");
    EXPECT_EQ(EdsSimConfigure("picturefile=/no/such/file.jpg"), EDS_ERR_INVALID_PARAMETER);

    configure(("picturefile=" + source + "/b.jpg").c_str());
    {
        Connection c;
        const std::string dir = simtest::tempDir();
        ASSERT_EQ(c.shoot(dir), std::vector<std::string>{"IMG_0001.JPG"});
        EXPECT_EQ(fileBytes(dir + "/IMG_0001.JPG"), fileBytes(source + "/b.jpg"));
    }
    configure(("rawjpeg=1;picturefile=" + source).c_str());
    Connection c;
    const std::string dir = simtest::tempDir();
    for (const char* expected : {"/a.JPG", "/b.jpg", "/a.JPG"}) {
        const auto names = c.shoot(dir, 2);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(fileBytes(dir + "/" + names[1]), fileBytes(source + expected)) << names[1];
        EXPECT_EQ(head(dir + "/" + names[0], 4), std::string("II*\0", 4));
    }
}
