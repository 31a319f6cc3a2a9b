#include "tools/host/plugin_library.h"

#include "tools/cli/windows_error.h"

static const char* const CREATE_EXPORT = "MVCreatePlugin";
static const char* const RELEASE_EXPORT = "MVReleasePlugin";

PluginLibrary::PluginLibrary()
    : module(nullptr), createPlugin(nullptr), releasePlugin(nullptr), created(false)
{
}

PluginLibrary::~PluginLibrary()
{
    if (created)
        releasePlugin();
    if (module != nullptr)
        FreeLibrary(module);  // at exit nothing useful can be done if this fails
}

// GetProcAddress hands out a generic function pointer; the export's real type
// is known only from the host contract.
template <typename Function>
static Function ExportAs(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

bool PluginLibrary::Load(const std::string& dllPath, std::string* error)
{
    path = dllPath;
    module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = "could not load the plug-in '" + path + "': " + DescribeWindowsError(code);
        return false;
    }
    const char* const exports[] = {CREATE_EXPORT, RELEASE_EXPORT};
    FARPROC found[2];
    for (int i = 0; i < 2; ++i) {
        found[i] = GetProcAddress(module, exports[i]);
        if (found[i] == nullptr) {
            const DWORD code = GetLastError();
            *error = "'" + path + "' is not a Movra plug-in: it has no export " + exports[i] + " (" +
                     DescribeWindowsError(code) + ")";
            return false;
        }
    }
    createPlugin = ExportAs<CreatePluginFunction>(found[0]);
    releasePlugin = ExportAs<ReleasePluginFunction>(found[1]);
    return true;
}

IMVPlugin* PluginLibrary::CreatePlugin(std::string* error)
{
    IMVPlugin* plugin = createPlugin();
    if (plugin == nullptr) {
        *error = std::string(CREATE_EXPORT) + " of '" + path + "' returned no plug-in object (null)";
        return nullptr;
    }
    created = true;
    return plugin;
}

std::string FolderOf(const std::string& path)
{
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string DefaultPluginPath()
{
    char exePath[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, exePath, sizeof exePath);
    if (length == 0 || length >= sizeof exePath)
        return "ArdunParser.dll";  // let the loader's search order find it
    return FolderOf(exePath) + "ArdunParser.dll";
}
