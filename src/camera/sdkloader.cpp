#include "camera/sdkloader.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

struct LoadedSdk
{
    QString folder;
    void *sdk = nullptr;
    void *image = nullptr;
    EdsApi api;
};

LoadedSdk &loaded()
{
    static LoadedSdk state;
    return state;
}

QString libraryPath(const QString &folder, const char *name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

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

QStringList missingSdkFiles(const QString &folder)
{
    QStringList missing;
    for (const char *name : {SdkLibraryName, SdkImageLibraryName}) {
        if (!QFileInfo(libraryPath(folder, name)).isFile())
            missing << QString::fromLatin1(name);
    }
    return missing;
}

Result<> loadSdk(const QString &folder)
{
    LoadedSdk &state = loaded();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (state.sdk && state.folder == canonical)
        return {};
    const QStringList missing = missingSdkFiles(folder);
    if (!missing.isEmpty())
        return Failure{QStringLiteral("missing ") + missing.join(QStringLiteral(", "))};
    const Result<void *> image = openLibrary(libraryPath(folder, SdkImageLibraryName));
    if (!image)
        return Failure{image.error()};
    const Result<void *> sdk = openLibrary(libraryPath(folder, SdkLibraryName));
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
    state = LoadedSdk{canonical, *sdk, *image, *api};
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
