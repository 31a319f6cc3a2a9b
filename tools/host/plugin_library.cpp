#include "tools/host/plugin_library.h"

#include "common/module_files.h"
#include "common/path_beside.h"
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

std::string DefaultPluginPath()
{
    char path[PATH_BESIDE_CAPACITY];
    if (PathBesideModule(nullptr, PLUGIN_FILE_NAME, path) != 0)
        return PLUGIN_FILE_NAME;  // let the loader's search order find it
    return path;
}
