#include "app/system_dll.h"

#include "engine/text.h"

namespace {

bool bareFileName(const char16_t* name) {
    if (name == nullptr || name[0] == 0) return false;
    for (const char16_t* p = name; *p != 0; ++p) {
        if (*p == u'\\' || *p == u'/' || *p == u':') return false;
    }
    return true;
}

// "C:\..." or "\\server\...": a relative folder would be looked up from the
// current one, which is what this is meant to avoid.
bool absoluteFolder(const char16_t* folder) {
    if (folder == nullptr) return false;
    const bool drive = ((folder[0] >= u'A' && folder[0] <= u'Z') || (folder[0] >= u'a' && folder[0] <= u'z')) &&
                       folder[1] == u':' && folder[2] == u'\\';
    const bool unc = folder[0] == u'\\' && folder[1] == u'\\';
    return drive || unc;
}

}  // namespace

SystemDllLoad chooseSystemDllLoad(bool searchFlags, const char16_t* name, const char16_t* systemFolder,
                                  char16_t* path, int pathCapacity) {
    if (path != nullptr && pathCapacity > 0) path[0] = 0;
    if (!bareFileName(name)) return SYSTEM_DLL_REFUSED;
    if (searchFlags) return SYSTEM_DLL_BY_FLAG;
    if (path == nullptr || pathCapacity <= 0 || !absoluteFolder(systemFolder)) return SYSTEM_DLL_REFUSED;
    const size_t folderLength = textLength(systemFolder);
    const bool separated = systemFolder[folderLength - 1] == u'\\';
    const size_t needed = folderLength + (separated ? 0 : 1) + textLength(name) + 1;
    if (needed > static_cast<size_t>(pathCapacity)) return SYSTEM_DLL_REFUSED;
    textCopy(path, pathCapacity, systemFolder);
    if (!separated) textAppend(path, pathCapacity, u"\\");
    textAppend(path, pathCapacity, name);
    return SYSTEM_DLL_BY_PATH;
}
