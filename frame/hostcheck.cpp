// Where the host's items are defined: each must have one definition in the
// process, or the modules that define it share the first one found.
#include <string>
#include <vector>

#include "hostinterface.h"

#if defined(__linux__)
#include <dlfcn.h>
#include <link.h>

namespace {

// The file names of the loaded modules, the program first (as "").
int collectModule(dl_phdr_info* info, size_t, void* modules) {
    static_cast<std::vector<std::string>*>(modules)->emplace_back(info->dlpi_name);
    return 0;
}

// The module that holds address: its file name, or "the program".
std::string moduleOf(const void* address) {
    Dl_info info;
    link_map* module = nullptr;
    void* program = dlopen(nullptr, RTLD_LAZY);
    link_map* programMap = nullptr;
    if (program) {
        dlinfo(program, RTLD_DI_LINKMAP, &programMap);
        dlclose(program);
    }
    if (dladdr1(address, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
        module == programMap || !info.dli_fname || !*info.dli_fname)
        return "the program";
    return info.dli_fname;
}

// One line for an item that more than one module defines: the module whose
// definition the library uses, then the others. A program that uses a host
// library's flag word holds a copy of it (a copy relocation), which cannot be
// told from a flag word of its own, so for the flag word only the libraries'
// definitions count.
std::string definitionsOf(const char* item, const void* inUse, bool isData,
                          const std::vector<std::string>& modules) {
    Dl_info info;
    if (dladdr(inUse, &info) == 0 || !info.dli_sname) return "";
    const std::string inUseModule = moduleOf(inUse);
    std::vector<const void*> found;
    if (!isData || inUseModule != "the program") found.push_back(inUse);
    std::string others;
    for (const std::string& module : modules) {
        if (isData && module.empty()) continue;
        // A module's own scope finds its own definition first; RTLD_NOLOAD
        // only looks at modules already loaded.
        void* handle = module.empty() ? dlopen(nullptr, RTLD_LAZY)
                                      : dlopen(module.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!handle) continue;
        const void* address = dlsym(handle, info.dli_sname);
        dlclose(handle);
        bool known = !address;
        for (const void* seen : found) known = known || seen == address;
        if (known) continue;
        found.push_back(address);
        if (address != inUse) others += " " + moduleOf(address);
    }
    if (found.size() < 2) return "";
    return std::string(item) + ": used from " + inUseModule + ", also defined in" + others + "\n";
}

const void* addressOf(int (*function)(char**, unsigned&, unsigned, ImportObject*)) {
    return reinterpret_cast<const void*>(function);
}

}  // namespace

std::string abimport::hostItemsDefinedTwice() {
    std::vector<std::string> modules;
    dl_iterate_phdr(collectModule, &modules);
    // The addresses the library was bound to when it was loaded.
    return definitionsOf("Card::contFlag", &Card::contFlag, true, modules) +
           definitionsOf("addIDToRefFile", reinterpret_cast<const void*>(&addIDToRefFile), false,
                         modules) +
           definitionsOf("airbagFind", addressOf(&airbagFind), false, modules) +
           definitionsOf("airbagVentHoleFind", addressOf(&airbagVentHoleFind), false, modules) +
           definitionsOf("airbagAdvancedAle", addressOf(&airbagAdvancedAle), false, modules);
}

#else

// A program links the static library together with its one host: a second
// definition of an item fails at link time.
std::string abimport::hostItemsDefinedTwice() {
    return "";
}

#endif
