#include "postprocess/imagemagickline.h"

#include <gtest/gtest.h>

namespace {

using Op = MagickOperation;
const QChar nb(160);

MagickValues studioValues()
{
    MagickValues v;
    v.imageMagickPath = QStringLiteral("/opt/im/");
    v.outputPath = QStringLiteral("/pics/out put");   // no separator: the builder adds it
    v.thumbnailPath = QStringLiteral("/pics/thumbs/");
    v.textmaskPath = QStringLiteral("/pics/mask/");
    v.textmaskFileName = QStringLiteral("textmask.gif");
    v.stampPath = QStringLiteral("/pics/stamp.png");
    v.copyrightGravity = QStringLiteral("Southeast");
    v.textmaskGravity = QStringLiteral("North");
    v.thumbnailSize = QStringLiteral("100x100");
    v.thumbnailPrefix = QStringLiteral("Thumb");
    v.fontColor = QStringLiteral("RGB(255,0,0)");
    v.font = QStringLiteral("DejaVu-Sans");
    v.pointSize = QStringLiteral("8");
    return v;
}

// A camera text with blanks (non-breaking after mask expansion) and a quote.
const MagickPicture picture{QStringLiteral("/pics/in/"), QStringLiteral("2026-05/"),
                            QStringLiteral("IMG0815.JPG"),
                            QStringLiteral("JPEG") + nb + "Large" + nb + "Fine" + nb + "3\"2"};

struct LineCase
{
    const char *name;
    Op op;
    bool textOn;
    bool copyrightOn;
    const char *command;
    const char *batch;
};

// The preview and Windows batch texts follow the line tables piece by piece.
const LineCase lineCases[] = {
    {"create", Op::TextmaskCreate, true, false,
     "/opt/im/convert -background transparent -fill RGB(255,0,0) -font DejaVu-Sans -pointsize 8 "
     "label:LABEL \"/pics/mask/textmask.gif\" ",
     "%IMAGEMAGICKPATH%convert.exe -background transparent -fill %TEXTMASKFONTCOLOR% -font "
     "%TEXTMASKFONT% -pointsize %TEXTMASKFONTSIZE% label:BLABEL %TEXTMASKFILEPATH%%TEXTMASKFILENAME%"},
    {"overlay", Op::TextmaskOverlay, true, false,
     "/opt/im/composite -gravity North \"/pics/mask/textmask.gif\"  \"/pics/in/2026-05/IMG0815.JPG\"  "
     "\"/pics/out put/2026-05/IMG0815.JPG\" ",
     "%IMAGEMAGICKPATH%composite.exe -gravity %TEXTMASKORIENTATION% %TEXTMASKFILEPATH%%TEXTMASKFILENAME% "
     "\"/pics/in/2026-05/IMG0815.JPG\"  \"%OUTPUTPATH%2026-05/IMG0815.JPG\" "},
    {"copyrightAfterText", Op::Copyright, true, true,
     "/opt/im/composite -gravity Southeast /pics/stamp.png /pics/out put/2026-05/IMG0815.JPG  "
     "/pics/out put/2026-05/IMG0815.JPG ",
     "%IMAGEMAGICKPATH%composite.exe -gravity %COPYRIGHTORIENTATION% %COPYRIGHTFILE% "
     "\"%OUTPUTPATH%2026-05/IMG0815.JPG\"  \"%OUTPUTPATH%2026-05/IMG0815.JPG\" "},
    {"copyrightAlone", Op::Copyright, false, true,
     "/opt/im/composite -gravity Southeast /pics/stamp.png /pics/in/2026-05/IMG0815.JPG "
     "\"/pics/out put/2026-05/IMG0815.JPG\" ",
     "%IMAGEMAGICKPATH%composite.exe -gravity %COPYRIGHTORIENTATION% %COPYRIGHTFILE%% "
     "/pics/in/2026-05/IMG0815.JPG \"%OUTPUTPATH%2026-05/IMG0815.JPG\" "},
    {"thumbnailFromOutput", Op::Thumbnail, false, true,
     "/opt/im/convert  \"/pics/out put/2026-05/IMG0815.JPG\"  -resize 100x100 "
     "\"/pics/thumbs/2026-05/ThumbIMG0815.JPG\" ",
     "%IMAGEMAGICKPATH%convert.exe  %OUTPUTPATH%2026-05/IMG0815.JPG -resize %THUMBNAILSIZE% "
     "\"%THUMBNAILPATH%2026-05/%THUMBNAILPREFIX%IMG0815.JPG\" "},
    {"thumbnailFromPicture", Op::Thumbnail, false, false,
     "/opt/im/convert /pics/in/2026-05/IMG0815.JPG -resize 100x100 /pics/thumbs/2026-05/ThumbIMG0815.JPG",
     "%IMAGEMAGICKPATH%convert.exe  \"/pics/in/2026-05/IMG0815.JPG\" -resize %THUMBNAILSIZE% "
     "%THUMBNAILPATH%2026-05/%THUMBNAILPREFIX%IMG0815.JPG"},
};

QString expand(const char *text)
{
    QString label = picture.label;
    QString batchLabel = label;
    batchLabel.replace(nb, QChar(255));
    return QString::fromUtf8(text).replace(QStringLiteral("BLABEL"), batchLabel).replace(QStringLiteral("LABEL"), label);
}

TEST(ImageMagickLine, TextsFollowTheLineTables)
{
    for (const LineCase &c : lineCases) {
        SCOPED_TRACE(c.name);
        MagickValues v = studioValues();
        v.textOn = c.textOn;
        v.copyrightOn = c.copyrightOn;
        const BuildImageMagickLine build(v);
        EXPECT_EQ(build.commandLine(c.op, picture), expand(c.command));
        EXPECT_EQ(build.batchLine(c.op, picture), expand(c.batch));
    }
}

TEST(ImageMagickLine, MakedirLinesAndPaths)
{
    const BuildImageMagickLine build(studioValues());
    EXPECT_EQ(build.makedirLine(MagickFolder::Output, QStringLiteral("2026-05/")),
              QStringLiteral("mkdir  \"/pics/out put/2026-05/\" "));
    EXPECT_EQ(build.makedirLine(MagickFolder::Textmask, QString()), QStringLiteral("mkdir  \"/pics/mask/\" "));
    EXPECT_EQ(*build.makedirPath(MagickFolder::Thumbnail, QStringLiteral("2026-05/")),
              QStringLiteral("/pics/thumbs/2026-05/"));

    MagickValues empty = studioValues();
    empty.thumbnailPath.clear();
    EXPECT_FALSE(BuildImageMagickLine(empty).makedirPath(MagickFolder::Thumbnail, QString()).ok());
}

struct ArgCase
{
    const char *name;
    Op op;
    bool textOn;
    bool copyrightOn;
    const char *program;
    QStringList arguments;
};

TEST(ImageMagickLine, ArgumentListsKeepBlanksQuotesAndLabelWhole)
{
    const QString label = picture.label;
    const QString original = QStringLiteral("/pics/in/2026-05/IMG0815.JPG");
    const QString output = QStringLiteral("/pics/out put/2026-05/IMG0815.JPG");
    const ArgCase cases[] = {
        {"create", Op::TextmaskCreate, true, false, "/opt/im/convert",
         {"-background", "transparent", "-fill", "RGB(255,0,0)", "-font", "DejaVu-Sans", "-pointsize", "8",
          "label:" + label, "/pics/mask/textmask.gif"}},
        {"overlay", Op::TextmaskOverlay, true, false, "/opt/im/composite",
         {"-gravity", "North", "/pics/mask/textmask.gif", original, output}},
        {"copyrightAfterText", Op::Copyright, true, true, "/opt/im/composite",
         {"-gravity", "Southeast", "/pics/stamp.png", output, output}},
        {"copyrightAlone", Op::Copyright, false, true, "/opt/im/composite",
         {"-gravity", "Southeast", "/pics/stamp.png", original, output}},
        {"thumbnailFromOutput", Op::Thumbnail, true, false, "/opt/im/convert",
         {"-define", "jpeg:size=200x200", output, "-resize", "100x100", "/pics/thumbs/2026-05/ThumbIMG0815.JPG"}},
        {"thumbnailFromPicture", Op::Thumbnail, false, false, "/opt/im/convert",
         {"-define", "jpeg:size=200x200", original, "-resize", "100x100", "/pics/thumbs/2026-05/ThumbIMG0815.JPG"}},
    };
    for (const ArgCase &c : cases) {
        SCOPED_TRACE(c.name);
        MagickValues v = studioValues();
        v.textOn = c.textOn;
        v.copyrightOn = c.copyrightOn;
        const Result<MagickCommand> cmd = BuildImageMagickLine(v).command(c.op, picture);
        ASSERT_TRUE(cmd.ok()) << cmd.error().toStdString();
        EXPECT_EQ(cmd->program, QString::fromUtf8(c.program));
        EXPECT_EQ(cmd->arguments, c.arguments);
    }
}

TEST(ImageMagickLine, EmptyOptionValuesAreLeftOut)
{
    MagickValues v = studioValues();
    v.imageMagickPath.clear();
    v.fontColor.clear();
    v.font.clear();
    v.pointSize.clear();
    v.textmaskGravity.clear();
    v.thumbnailSize.clear();
    const BuildImageMagickLine build(v);

    const MagickCommand create = *build.command(Op::TextmaskCreate, picture);
    EXPECT_EQ(create.program, QStringLiteral("convert"));
    EXPECT_EQ(create.arguments, (QStringList{"-background", "transparent", "label:" + picture.label,
                                             "/pics/mask/textmask.gif"}));
    EXPECT_EQ(build.command(Op::TextmaskOverlay, picture)->arguments.first(), QStringLiteral("/pics/mask/textmask.gif"));
    EXPECT_EQ(build.command(Op::Thumbnail, picture)->arguments,
              (QStringList{"/pics/in/2026-05/IMG0815.JPG", "/pics/thumbs/2026-05/ThumbIMG0815.JPG"}));
}

TEST(ImageMagickLine, UserSizeUsesBothSizesOrFallsBack)
{
    struct { int x, y; const char *geometry; const char *hint; } cases[] = {
        {640, 480, "640x480", "jpeg:size=1280x960"},
        {0, 480, "150x150", "jpeg:size=300x300"},
        {640, 0, "150x150", "jpeg:size=300x300"},
    };
    for (const auto &c : cases) {
        MagickValues v = studioValues();
        v.thumbnailSize = QStringLiteral("User");
        v.thumbnailSizeX = c.x;
        v.thumbnailSizeY = c.y;
        const QStringList arguments = BuildImageMagickLine(v).command(Op::Thumbnail, picture)->arguments;
        EXPECT_EQ(arguments.at(1), QString::fromUtf8(c.hint));
        EXPECT_EQ(arguments.at(4), QString::fromUtf8(c.geometry));
    }
    // A geometry that is not plain width by height gets no decoder hint.
    MagickValues v = studioValues();
    v.thumbnailSize = QStringLiteral("50%");
    EXPECT_EQ(BuildImageMagickLine(v).command(Op::Thumbnail, picture)->arguments.first(),
              QStringLiteral("/pics/in/2026-05/IMG0815.JPG"));
}

TEST(ImageMagickLine, RefusesEmptyFoldersAndWritingOverTheOriginal)
{
    struct RefusalCase
    {
        const char *name;
        Op op;
        void (*change)(MagickValues &);
    };
    const RefusalCase cases[] = {
        {"emptyOutput", Op::TextmaskOverlay, [](MagickValues &v) { v.outputPath.clear(); }},
        {"emptyOutputForCopyright", Op::Copyright, [](MagickValues &v) { v.outputPath.clear(); }},
        {"emptyTextmaskName", Op::TextmaskCreate, [](MagickValues &v) { v.textmaskFileName.clear(); }},
        {"emptyTextmaskFolder", Op::TextmaskOverlay, [](MagickValues &v) { v.textmaskPath.clear(); }},
        {"emptyThumbnailFolder", Op::Thumbnail, [](MagickValues &v) { v.thumbnailPath.clear(); }},
        {"emptyStamp", Op::Copyright, [](MagickValues &v) { v.stampPath.clear(); }},
        {"outputIsPictureFolder", Op::Copyright, [](MagickValues &v) { v.outputPath = "/pics/in"; }},
        {"outputIsPictureFolderSpelledOtherwise", Op::TextmaskOverlay,
         [](MagickValues &v) { v.outputPath = "/pics/./in/"; }},
        {"thumbnailOverPicture", Op::Thumbnail,
         [](MagickValues &v) { v.thumbnailPath = "/pics/in/"; v.thumbnailPrefix.clear(); }},
    };
    for (const RefusalCase &c : cases) {
        SCOPED_TRACE(c.name);
        MagickValues v = studioValues();
        c.change(v);
        const Result<MagickCommand> cmd = BuildImageMagickLine(v).command(c.op, picture);
        EXPECT_FALSE(cmd.ok());
        EXPECT_TRUE(cmd.error().startsWith(magickOperationName(c.op)));
    }

    // The stamp goes onto the overlaid copy in place: that is not the original.
    MagickValues v = studioValues();
    v.textOn = true;
    EXPECT_TRUE(BuildImageMagickLine(v).command(Op::Copyright, picture).ok());
    // A prefix keeps a thumbnail in the picture folder apart from the picture.
    v.thumbnailPath = QStringLiteral("/pics/in/");
    v.textOn = false;
    EXPECT_TRUE(BuildImageMagickLine(v).command(Op::Thumbnail, picture).ok());
}

TEST(ImageMagickLine, RawPictures)
{
    EXPECT_TRUE(isRawPicture(QStringLiteral("IMG0815.CR2")));
    EXPECT_TRUE(isRawPicture(QStringLiteral("img0815.cr3")));
    EXPECT_FALSE(isRawPicture(QStringLiteral("IMG0815.JPG")));
}

} // namespace
