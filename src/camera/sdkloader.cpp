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

void *openLibrary(const QString &path, QString *error)
{
    // Global, so the SDK finds the image library's symbols whatever its own search path says.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle && error)
        *error = QString::fromLocal8Bit(dlerror());
    return handle;
}

bool resolveAll(void *handle, EdsApi *api, QString *error)
{
    bool complete = true;
#define TESSARO_EDS_RESOLVE(name)                                                                  \
    api->name = reinterpret_cast<decltype(api->name)>(dlsym(handle, #name));                      \
    if (!api->name) {                                                                              \
        complete = false;                                                                          \
        if (error)                                                                                 \
            *error = QStringLiteral("missing call " #name);                                        \
    }
    TESSARO_EDS_CALLS(TESSARO_EDS_RESOLVE)
#undef TESSARO_EDS_RESOLVE
    return complete;
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

bool loadSdk(const QString &folder, QString *error)
{
    LoadedSdk &state = loaded();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (state.sdk && state.folder == canonical)
        return true;
    const QStringList missing = missingSdkFiles(folder);
    if (!missing.isEmpty()) {
        if (error)
            *error = QStringLiteral("missing ") + missing.join(QStringLiteral(", "));
        return false;
    }
    void *image = openLibrary(libraryPath(folder, SdkImageLibraryName), error);
    if (!image)
        return false;
    void *sdk = openLibrary(libraryPath(folder, SdkLibraryName), error);
    if (!sdk) {
        dlclose(image);
        return false;
    }
    EdsApi api;
    if (!resolveAll(sdk, &api, error)) {
        dlclose(sdk);
        dlclose(image);
        return false;
    }
    state = LoadedSdk{canonical, sdk, image, api};
    return true;
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
