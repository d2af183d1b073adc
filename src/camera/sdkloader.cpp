#include "camera/sdkloader.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

struct LoadedSdk
{
    QString path;
    void *sdk = nullptr;
    void *image = nullptr;
    EdsApi api;
};

LoadedSdk &loaded()
{
    static LoadedSdk state;
    return state;
}

QString libraryPath(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name);
}

struct CameraChoice
{
    const char *name;
    const char *library;
};

constexpr CameraChoice CameraChoices[] = {
    {"", SdkLibraryName},
    {"sim", SdkLibraryName},
    {"gphoto2", "libedsdk-gphoto2.so"},
};

Result<void *> openLibrary(const QString &path)
{
    // Global, so the SDK finds the image library's symbols whatever its own search path says.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle)
        return Failure{QString::fromLocal8Bit(dlerror())};
    return handle;
}

Result<EdsApi> resolveAll(void *handle)
{
    EdsApi api;
    QString missing;
#define TESSARO_EDS_RESOLVE(name)                                                                  \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, #name));                        \
    if (!api.name)                                                                                 \
        missing = QStringLiteral("missing call " #name);
    TESSARO_EDS_CALLS(TESSARO_EDS_RESOLVE)
#undef TESSARO_EDS_RESOLVE
    if (!missing.isEmpty())
        return Failure{missing};
    return api;
}

} // namespace

Result<QString> chosenSdkLibrary()
{
    const QString value = qEnvironmentVariable(CameraChoiceVariable).trimmed();
    QStringList names;
    for (const CameraChoice &choice : CameraChoices) {
        if (value.compare(QLatin1String(choice.name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(choice.library);
        if (*choice.name)
            names << QString::fromLatin1(choice.name);
    }
    return Failure{QStringLiteral("%1=%2 nennt keine bekannte Kamera-Anbindung (möglich: %3).")
                       .arg(QLatin1String(CameraChoiceVariable), value, names.join(QStringLiteral(", ")))};
}

QStringList missingSdkFiles(const QString &folder, const QString &sdkLibrary)
{
    QStringList missing;
    for (const QString &name : {sdkLibrary, QString::fromLatin1(SdkImageLibraryName)}) {
        if (!QFileInfo(libraryPath(folder, name)).isFile())
            missing << name;
    }
    return missing;
}

Result<> loadSdk(const QString &folder, const QString &sdkLibrary)
{
    LoadedSdk &state = loaded();
    const QString path = QFileInfo(libraryPath(folder, sdkLibrary)).canonicalFilePath();
    if (state.sdk && state.path == path)
        return {};
    const QStringList missing = missingSdkFiles(folder, sdkLibrary);
    if (!missing.isEmpty())
        return Failure{QStringLiteral("missing ") + missing.join(QStringLiteral(", "))};
    const Result<void *> image = openLibrary(libraryPath(folder, QString::fromLatin1(SdkImageLibraryName)));
    if (!image)
        return Failure{image.error()};
    const Result<void *> sdk = openLibrary(libraryPath(folder, sdkLibrary));
    if (!sdk) {
        dlclose(*image);
        return Failure{sdk.error()};
    }
    const Result<EdsApi> api = resolveAll(*sdk);
    if (!api) {
        dlclose(*sdk);
        dlclose(*image);
        return Failure{api.error()};
    }
    state = LoadedSdk{path, *sdk, *image, *api};
    return {};
}

bool sdkLoaded()
{
    return loaded().sdk != nullptr;
}

const EdsApi &sdkApi()
{
    return loaded().api;
}

void *sdkSymbol(const char *name)
{
    void *handle = loaded().sdk;
    return handle ? dlsym(handle, name) : nullptr;
}
